// Library-wide entries of the C interface.
#include "quorvane/Boundary.h"
#include "quorvane/quorvane.h"

extern "C" CP_API const char *CP_Library_Version(void)
{
    return AtBoundary(nullptr, [&]() -> const char * {
        return "1.0.7.20210419";
    });
}
