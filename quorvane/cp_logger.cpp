// Logging switches. The library has no log facility: both accept their argument and do nothing.
#include "quorvane/Boundary.h"
#include "quorvane/quorvane.h"

extern "C" CP_API void CP_Logger_SetDebugEnabled(int enabled)
{
    AtBoundary([&] {
        (void)enabled;
    });
}

extern "C" CP_API void CP_Logger_SetLogToFile(int enabled)
{
    AtBoundary([&] {
        (void)enabled;
    });
}
