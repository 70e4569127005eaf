// The add-in object that Outlook creates and connects: TZelHotkeys.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace zel {

// Creates a new add-in object (aggregated under outer when given) and queries it for riid.
// The class factory's CreateInstance, after its own argument checks.
HRESULT CreateZelHotkeys(IUnknown* outer, REFIID riid, void** ppv) noexcept;

} // namespace zel
