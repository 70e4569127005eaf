// A system-wide hotkey: while active, pressing its shortcut raises OnHotKey, whichever program has
// the keyboard focus. The shortcut is registered with the Windows hotkey service on the owner's
// window, and the component watches that window's messages for the WM_HOTKEY that carries its
// own identifier.
//
// The watching is a message filter attached to the owner window through comctl32's window
// subclassing: it sees every message after the window's own handling, several filters (one per
// component) can sit on the same window, and each reports every message as not handled. A
// component may be destroyed from inside a message to its window, by its own OnHotKey handler
// among others: its filter touches it no more after that.
#pragma once

#include "hotkeys/ShortCut.h"

#include <cstdint>
#include <functional>
#include <memory>

#include <windows.h>

namespace zel {

class TJvApplicationHotKey;

// Called with the component as sender.
using THotKeyEvent = std::function<void(TJvApplicationHotKey* Sender)>;
// Called when a registration fails; the handler may replace the shortcut to try another one.
using TJvHotKeyRegisterFailed = std::function<void(TJvApplicationHotKey* Sender, TShortCut& HotKey)>;

// The hotkey identifier that the next activation takes. Shared by all components of the module,
// starts at 0, only ever incremented: a failed activation uses its number up too.
extern std::int32_t NextHotKeyID;

// The two values RegisterHotKey takes for a shortcut: the key (the low 13 bits) and the modifier
// flags, MOD_WIN added when windowsKey is set.
struct THotKeyCode {
    UINT VirtualKey = 0;
    UINT Modifiers = 0;
    bool operator==(const THotKeyCode&) const = default;
};
THotKeyCode ShortCutToHotKey(TShortCut shortCut, bool windowsKey) noexcept;

class TJvApplicationHotKey {
public:
    // The owner's window handle, creating the window if it does not exist yet; 0 when the owner
    // has no window (then no shortcut can be registered).
    using TOwnerHandle = std::function<HWND()>;

    explicit TJvApplicationHotKey(HWND owner);
    explicit TJvApplicationHotKey(TOwnerHandle owner);
    // Detaches the message filter and forgets the window handle, and nothing else: a shortcut
    // that is registered stays registered to the owner window until that window goes.
    virtual ~TJvApplicationHotKey();

    TJvApplicationHotKey(const TJvApplicationHotKey&) = delete;
    TJvApplicationHotKey& operator=(const TJvApplicationHotKey&) = delete;

    bool Active() const noexcept { return FActive; }
    void SetActive(bool value);
    TShortCut HotKey() const noexcept { return FHotKey; }
    void SetHotKey(TShortCut value);
    bool WindowsKey() const noexcept { return FWindowsKey; }
    void SetWindowsKey(bool value);

    // The identifier of the current (or last attempted) registration, and the window handle it
    // was attempted on (0 when none is held).
    std::int32_t ID() const noexcept { return FID; }
    HWND Handle() const noexcept { return FHandle; }

    THotKeyEvent OnHotKey;
    TJvHotKeyRegisterFailed OnHotKeyRegisterFailed;

protected:
    // One registration attempt; true when the shortcut is registered.
    virtual bool TryRegister();
    // The component's hotkey message has arrived: raises OnHotKey.
    virtual void HotKeyPressed();

private:
    void HookOwner();
    void UnhookOwner();
    void OwnerMessageFilter(UINT message, WPARAM wParam);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
        UINT_PTR idSubclass, DWORD_PTR refData) noexcept;

    TOwnerHandle FOwner;
    bool FActive = false;
    TShortCut FHotKey = 0;
    HWND FHandle = nullptr;
    std::int32_t FID = 0;
    bool FHasRegistered = false;
    bool FWindowsKey = false;
    HWND FHookedWindow = nullptr; // the window the filter is attached to
    // Lives exactly as long as the component. The filter holds a weak reference to it across the
    // window's own handling of a message, which may destroy the component (the window's own
    // code, or the handler of another component on the same window).
    std::shared_ptr<void> FLifetime = std::make_shared<char>();
};

} // namespace zel
