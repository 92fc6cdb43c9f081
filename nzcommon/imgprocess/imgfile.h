// Whole-file reading for the image entries (files opened with mode "rb").
#ifndef NZCOMMON_IMGPROCESS_IMGFILE_H
#define NZCOMMON_IMGPROCESS_IMGFILE_H

// Size found by seeking to the end; -1 when the file cannot be opened or is larger than an int.
int nzbmp_GetFileSize(const char *path);

// Reads up to length bytes from the start of the file; bytes read, or -1 when it cannot be opened.
int nzbmp_ReadFile(const char *path, unsigned char *buffer, int length);

// New malloc'ed buffer with the whole file, or null when the size is not positive, malloc
// fails or the file is shorter than its size; *outSize gets the file size (or -1) in every case.
unsigned char *Quorvane_ImgUtils_ReadFile(const char *path, int *outSize);

#endif
