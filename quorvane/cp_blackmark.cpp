// BlackMark family of the C interface: one receipt command each for paper with printed
// marks between forms. Nothing is remembered in the handle.
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"

namespace {

// Runs one command on the handle's receipt writer under the handle rule.
template <typename Command>
int BlackMarkCommand(CP_Handle handle, Command command)
{
    return AtBoundary(0, [&] {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return command(h->m_posPrinter) ? 1 : 0;
    });
}

} // namespace

extern "C" CP_API int CP_BlackMark_EnableBlackMarkMode(CP_Handle handle)
{
    return BlackMarkCommand(handle, [](NZPosPrinter &pos) { return pos.POS_EnableBlackMarkMode(); });
}

extern "C" CP_API int CP_BlackMark_DisableBlackMarkMode(CP_Handle handle)
{
    return BlackMarkCommand(handle, [](NZPosPrinter &pos) { return pos.POS_DisableBlackMarkMode(); });
}

extern "C" CP_API int CP_BlackMark_SetBlackMarkMaxFindLength(CP_Handle handle, int maxFindLength)
{
    return BlackMarkCommand(handle, [=](NZPosPrinter &pos) {
        return pos.POS_SetBlackMarkMaxFindLength(static_cast<unsigned short>(maxFindLength));
    });
}

extern "C" CP_API int CP_BlackMark_FindNextBlackMark(CP_Handle handle)
{
    return BlackMarkCommand(handle, [](NZPosPrinter &pos) { return pos.POS_FindBlackMark(); });
}

extern "C" CP_API int CP_BlackMark_SetBlackMarkPaperPrintPosition(CP_Handle handle, int position)
{
    return BlackMarkCommand(handle,
                            [=](NZPosPrinter &pos) { return pos.POS_SetBlackMarkPaperPrintPosition(position); });
}

extern "C" CP_API int CP_BlackMark_SetBlackMarkPaperCutPosition(CP_Handle handle, int position)
{
    return BlackMarkCommand(handle, [=](NZPosPrinter &pos) { return pos.POS_SetBlackMarkPaperCutPosition(position); });
}

extern "C" CP_API int CP_BlackMark_FullCutBlackMarkPaper(CP_Handle handle)
{
    return BlackMarkCommand(handle, [](NZPosPrinter &pos) { return pos.POS_FullCutBlackMarkPaper(); });
}

extern "C" CP_API int CP_BlackMark_HalfCutBlackMarkPaper(CP_Handle handle)
{
    return BlackMarkCommand(handle, [](NZPosPrinter &pos) { return pos.POS_HalfCutBlackMarkPaper(); });
}
