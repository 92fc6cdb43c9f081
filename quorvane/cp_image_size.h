// The image size rule shared by the receipt, page-mode and label image calls.
#ifndef QUORVANE_CP_IMAGE_SIZE_H
#define QUORVANE_CP_IMAGE_SIZE_H

// Fills in a width or height the caller left at 0 or less from the image's own aspect
// ratio (both at 0 or less: the image's own size). Computed in 64 bits; true when both
// sides end up above 0 and within an int.
bool ApplyImageSizeRule(int imageWidth, int imageHeight, int &width, int &height);

#endif
