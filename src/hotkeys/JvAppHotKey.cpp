#include "hotkeys/JvAppHotKey.h"

#include "platform/Boundary.h"

#include <commctrl.h>

namespace zel {

std::int32_t NextHotKeyID = 0;

namespace {

// Takes the next identifier; the counter only grows (it wraps instead of overflowing after
// 2^31 activations, which no session reaches).
std::int32_t TakeHotKeyID() noexcept
{
    std::int32_t id = NextHotKeyID;
    NextHotKeyID = static_cast<std::int32_t>(static_cast<std::uint32_t>(NextHotKeyID) + 1u);
    return id;
}

} // namespace

THotKeyCode ShortCutToHotKey(TShortCut shortCut, bool windowsKey) noexcept
{
    TShortCutKey key = ShortCutToKey(shortCut);
    THotKeyCode code;
    code.VirtualKey = key.Key;
    if (key.Ctrl)
        code.Modifiers |= MOD_CONTROL;
    if (key.Shift)
        code.Modifiers |= MOD_SHIFT;
    if (key.Alt)
        code.Modifiers |= MOD_ALT;
    if (windowsKey)
        code.Modifiers |= MOD_WIN;
    return code;
}

TJvApplicationHotKey::TJvApplicationHotKey(HWND owner)
    : FOwner([owner] { return owner; })
{
}

TJvApplicationHotKey::TJvApplicationHotKey(TOwnerHandle owner)
    : FOwner(std::move(owner))
{
}

TJvApplicationHotKey::~TJvApplicationHotKey()
{
    UnhookOwner();
}

void TJvApplicationHotKey::SetActive(bool value)
{
    if (value == FActive)
        return;
    if (value && !FHasRegistered) {
        FID = TakeHotKeyID();
        if (!TryRegister())
            return;
        HookOwner();
        if (!FHasRegistered) {
            // Without its filter the component would never see its hotkey: give the shortcut
            // back and stay inactive.
            UnregisterHotKey(FHandle, FID);
            return;
        }
        FActive = true;
    } else {
        if (FHasRegistered) {
            UnregisterHotKey(FHandle, FID);
            UnhookOwner();
        }
        FActive = false;
    }
}

void TJvApplicationHotKey::SetHotKey(TShortCut value)
{
    if (value == FHotKey)
        return;
    bool wasActive = FActive;
    SetActive(false);
    FHotKey = value;
    SetActive(wasActive);
}

void TJvApplicationHotKey::SetWindowsKey(bool value)
{
    FWindowsKey = value;
    if (FActive) {
        SetActive(false);
        SetActive(true);
    }
}

bool TJvApplicationHotKey::TryRegister()
{
    if (FHandle)
        return false;
    FHandle = FOwner ? FOwner() : nullptr;
    if (!FHandle)
        return false;
    THotKeyCode code = ShortCutToHotKey(FHotKey, FWindowsKey);
    for (;;) {
        if (RegisterHotKey(FHandle, FID, code.Modifiers, code.VirtualKey))
            return true;
        if (!OnHotKeyRegisterFailed)
            return false;
        TShortCut tried = FHotKey;
        OnHotKeyRegisterFailed(this, FHotKey);
        if (FHotKey == tried)
            return false;
        code = ShortCutToHotKey(FHotKey, FWindowsKey);
    }
}

void TJvApplicationHotKey::HotKeyPressed()
{
    // The handler may destroy this component, and with it OnHotKey: a copy is called, and
    // nothing of the component is touched afterwards.
    if (THotKeyEvent handler = OnHotKey)
        handler(this);
}

void TJvApplicationHotKey::HookOwner()
{
    if (!FHandle || FHasRegistered)
        return;
    if (SetWindowSubclass(FHandle, SubclassProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this))) {
        FHookedWindow = FHandle;
        FHasRegistered = true;
    }
}

void TJvApplicationHotKey::UnhookOwner()
{
    if (FHasRegistered) {
        RemoveWindowSubclass(FHookedWindow, SubclassProc, reinterpret_cast<UINT_PTR>(this));
        FHookedWindow = nullptr;
        FHasRegistered = false;
    }
    FHandle = nullptr;
}

void TJvApplicationHotKey::OwnerMessageFilter(UINT message, WPARAM wParam)
{
    // The last thing done with the component: HotKeyPressed may destroy it.
    if (message == WM_HOTKEY && static_cast<std::int32_t>(wParam) == FID)
        HotKeyPressed();
}

LRESULT CALLBACK TJvApplicationHotKey::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
    UINT_PTR idSubclass, DWORD_PTR refData) noexcept
{
    // The component lives while its filter is attached, so it can be read now; the window's
    // handling may destroy it, so afterwards it is read only if it still lives.
    auto self = reinterpret_cast<TJvApplicationHotKey*>(refData);
    const std::weak_ptr<void> alive = self->FLifetime;
    // The window handles the message first; the filter then looks at it and reports it as not
    // handled, so that the window's own result stands.
    LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (alive.expired())
        return result;
    if (message == WM_NCDESTROY) {
        // The window is going: its hotkeys end with it, and the filter must not outlive it.
        RemoveWindowSubclass(window, SubclassProc, idSubclass);
        self->FHookedWindow = nullptr;
        self->FHasRegistered = false;
        return result;
    }
    try {
        self->OwnerMessageFilter(message, wParam);
    }
    // No failure of a handler crosses the window procedure; it was logged when raised.
    ZEL_CATCH_SILENT_RETURN(result)
    return result;
}

} // namespace zel
