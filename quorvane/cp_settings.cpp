// Settings family of the C interface: hardware functions set through the handle's
// settings writer.
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"

extern "C" CP_API int CP_Settings_Hardware_SetPrintSpeed(CP_Handle handle, int nSpeed)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_settingPackage.Setting_Hardware_SetPrintSpeed(nSpeed) ? 1 : 0;
    });
}
