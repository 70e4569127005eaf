#include "platform/VisualStyles.h"

#include "platform/ModuleHandle.h"

namespace zel {
namespace {

// The module's context, made on first use and released when the module unloads.
HANDLE ModuleActivationContext() noexcept
{
    static const TActCtxHandle context = []() noexcept {
        if (!FindResourceW(ThisModule(), MAKEINTRESOURCEW(CommonControlsManifestId), MAKEINTRESOURCEW(24)))
            return TActCtxHandle();
        ACTCTXW request{};
        request.cbSize = sizeof(request);
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.hModule = ThisModule();
        request.lpResourceName = MAKEINTRESOURCEW(CommonControlsManifestId);
        HANDLE made = CreateActCtxW(&request);
        return TActCtxHandle(made == INVALID_HANDLE_VALUE ? nullptr : made);
    }();
    return context.get();
}

} // namespace

TVisualStylesScope::TVisualStylesScope() noexcept
{
    if (HANDLE context = ModuleActivationContext())
        FActive = ActivateActCtx(context, &FCookie) != FALSE;
}

TVisualStylesScope::~TVisualStylesScope()
{
    if (FActive)
        DeactivateActCtx(0, FCookie);
}

} // namespace zel
