// Request side of the packet protocol: the received-package queue of a connection, its
// work switch, one request and its reply, retries and chunked transfers both ways.
//
// Replies are matched to requests by command and parameter alone. Chunked transfers put
// the position of each chunk into the parameter (base + position), so every chunk has
// its own reply. Every waiting loop re-checks Proto_CanLoop: clearing the work switch
// from another thread, or the port closing, ends a pending request.
//
// One chunked transfer (the SendData and RecvData forms, their tries included) runs at a
// time per connection: a second one started meanwhile fails at once and sends nothing.
//
// All functions take the opaque handle and follow the handle rule (HandleGuard): a null
// or unregistered handle makes them do nothing and return false or 0.
#ifndef QUORVANE_PROTO_REQUESTS_H
#define QUORVANE_PROTO_REQUESTS_H

#include <list>

#include "printer/NZProtoHandler.h"
#include "quorvane/IOHandle.h"

// Takes the oldest queued package with this command and parameter; false when none.
bool Proto_GetAndRemoveReceivedProtoPackage(void *handle, unsigned short cmd, unsigned int para,
                                            NZReceivedProtoPackage &result);
unsigned int Proto_GetReceivedProtoPackageCount(void *handle);
void Proto_ClearReceivedProtoPackages(void *handle);

void Proto_SetWorkEnabled(void *handle);
void Proto_SetWorkDisabled(void *handle);
bool Proto_IsWorkEnabled(void *handle);
// The port is open and the work switch is on.
bool Proto_CanLoop(void *handle);

// Builds one package and writes it; true when every byte was written. At most 65535
// data bytes; data may be null only when dataLen is 0.
bool Proto_SendPackage(void *handle, unsigned char type, unsigned short cmd, unsigned int para, unsigned int dataLen,
                       const unsigned char *data, unsigned int writeTimeoutMs);

// Sends one package and waits up to replyTimeoutMs for the package with the same
// command and parameter.
bool Proto_SendPackageAndRecvResponse(void *handle, unsigned char type, unsigned short cmd, unsigned int para,
                                      unsigned int dataLen, const unsigned char *data, unsigned int writeTimeoutMs,
                                      unsigned int replyTimeoutMs, NZReceivedProtoPackage &reply);

// The *WithRetry forms empty the queue once, then make up to `tries` attempts while
// Proto_CanLoop holds, pausing 100 ms after every failed attempt.
bool Proto_SendPackageAndRecvResponseWithRetry(void *handle, unsigned char type, unsigned short cmd,
                                               unsigned int para, unsigned int dataLen, const unsigned char *data,
                                               unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                                               NZReceivedProtoPackage &reply, unsigned int tries);

// Sends `total` bytes in chunks of at most chunkSize bytes, parameter base + position,
// every chunk first, then waits for one reply per chunk, in any order; the replies come
// back in chunk order. A total of 0 succeeds at once; a chunk size of 0 with data to send
// fails.
bool Proto_SendData(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    const unsigned char *data, unsigned short chunkSize, unsigned int writeTimeoutMs,
                    unsigned int replyTimeoutMs, std::list<NZReceivedProtoPackage> &replies);
bool Proto_SendDataWithRetry(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase,
                             unsigned int total, const unsigned char *data, unsigned short chunkSize,
                             unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                             std::list<NZReceivedProtoPackage> &replies, unsigned int tries);

// Asks for `total` bytes with one empty package per 256 bytes (parameter base + position);
// the replies, in position order, carry the data (the caller puts them together and cuts
// the whole at `total`; of the data past it nothing is kept).
bool Proto_RecvData(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                    std::list<NZReceivedProtoPackage> &replies);
bool Proto_RecvDataWithRetry(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase,
                             unsigned int total, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                             std::list<NZReceivedProtoPackage> &replies, unsigned int tries);

// ---- Forms for callers that already hold a registry reference (an IOHandle from a
// HandleGuard); the same operations without taking another reference.

// What a chunked transfer keeps of the replies' data: all of it, none, or what falls within
// the first `total` bytes of all the replies' data put together in chunk order.
enum class KeepReplyData { All, None, UpToTotal };

bool ProtoRequest_CanLoop(IOHandle *h);
bool ProtoRequest_SendPackage(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para,
                              unsigned int dataLen, const unsigned char *data, unsigned int writeTimeoutMs);
bool ProtoRequest_WithRetry(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para,
                            unsigned int dataLen, const unsigned char *data, unsigned int writeTimeoutMs,
                            unsigned int replyTimeoutMs, NZReceivedProtoPackage &reply, unsigned int tries);
bool ProtoRequest_SendDataWithRetry(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase,
                                    unsigned int total, const unsigned char *data, unsigned short chunkSize,
                                    unsigned int writeTimeoutMs, unsigned int replyTimeoutMs, KeepReplyData keep,
                                    std::list<NZReceivedProtoPackage> &replies, unsigned int tries);
bool ProtoRequest_RecvDataWithRetry(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase,
                                    unsigned int total, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                                    std::list<NZReceivedProtoPackage> &replies, unsigned int tries);

#endif
