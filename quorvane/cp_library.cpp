// Library-wide entries of the C interface.
#include "quorvane/quorvane.h"

extern "C" CP_API const char *CP_Library_Version(void)
{
    return "1.0.7.20210419";
}
