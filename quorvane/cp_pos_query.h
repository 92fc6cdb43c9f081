// Real-time status and print-result queries: the internal steps behind
// CP_Pos_QueryRTStatus and CP_Pos_QueryPrintResult. Each takes the opaque handle and
// follows the handle rule (quorvane/HandleGuard.h); time-outs are milliseconds.
#ifndef QUORVANE_CP_POS_QUERY_H
#define QUORVANE_CP_POS_QUERY_H

// The first status byte (bit 0 clear, bits 1 and 4 set) that arrives after real-time
// request n (10 04 n), repeated every 300 ms; 0 on failure or time-out.
unsigned char Pos_QueryRTStatus(void *handle, unsigned char n, unsigned int timeout);

// Sends the print-result request with id (taken modulo 10) and waits for its answer
// 37 22 id32 x. True only when the answer carries the same id. The first watches the
// auto-reply error status meanwhile, the second polls real-time status 1.
bool Pos_QueryPrintResult_WithAutoReplyStatus(void *handle, unsigned int id, unsigned int timeout);
bool Pos_QueryPrintResult_WithQueryRTStatus(void *handle, unsigned int id, unsigned int timeout);

#endif
