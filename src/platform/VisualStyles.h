// The common controls of version 6 (visual styles) for the add-in's windows. An add-in cannot
// rely on its host's manifest, so the module carries its own (resource 2 of type RT_MANIFEST)
// and creates its windows inside the activation context made from it:
//
//     TVisualStylesScope scope;          // while it lives, new windows get version 6 controls
//     CreateWindowExW(...);
#pragma once

#include "platform/Handles.h"

#include <windows.h>

namespace zel {

// The resource number of the module's common-controls manifest.
inline constexpr WORD CommonControlsManifestId = 2;

class TVisualStylesScope {
public:
    // Activates the context of ThisModule()'s manifest; does nothing when the module has none
    // or the context cannot be made (the windows then get the controls of the host's context).
    TVisualStylesScope() noexcept;
    ~TVisualStylesScope();
    TVisualStylesScope(const TVisualStylesScope&) = delete;
    TVisualStylesScope& operator=(const TVisualStylesScope&) = delete;

    bool Active() const noexcept { return FActive; }

private:
    ULONG_PTR FCookie = 0;
    bool FActive = false;
};

} // namespace zel
