#include "addin/uAddin.h"

namespace zel {

HRESULT CreateZelHotkeys(IUnknown*, REFIID, void** ppv) noexcept
{
    if (ppv != nullptr)
        *ppv = nullptr;
    return E_NOTIMPL;
}

} // namespace zel
