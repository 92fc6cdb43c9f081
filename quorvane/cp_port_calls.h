// Internal helpers of the CP_Port_* calls, open to tests.
#ifndef QUORVANE_CP_PORT_CALLS_H
#define QUORVANE_CP_PORT_CALLS_H

class NZEnumerator;

// Joins the lists of several enumerators, in the given order, into one list in the
// caller's buffer: each enumerator writes from where the names of the ones before it end.
// Stores the summed needed sizes in *needed (when not null) and returns the number of
// names stored. A null buffer measures only.
int Port_EnumJoined(NZEnumerator *const *enumerators, unsigned int count, char *buffer, unsigned int size,
                    unsigned int *needed);

#endif
