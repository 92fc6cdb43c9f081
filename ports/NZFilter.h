// Write filters: a port writes the filtered copy of the caller's bytes.
#ifndef QUORVANE_PORTS_NZFILTER_H
#define QUORVANE_PORTS_NZFILTER_H

class NZFilter {
public:
    virtual ~NZFilter() {}
    // Returns a malloc'ed copy (freed by the caller) and its length through outLen;
    // null with length 0 when there is nothing to write.
    virtual unsigned char *FilterData(const unsigned char *data, unsigned int len, unsigned int *outLen);
};

// Pads every write with the fill byte up to a multiple of the alignment.
class NZFilter_ByteAlignment : public NZFilter {
public:
    unsigned int alignment = 1;
    unsigned char fillByte = 0;

    unsigned char *FilterData(const unsigned char *data, unsigned int len, unsigned int *outLen) override;
};

#endif
