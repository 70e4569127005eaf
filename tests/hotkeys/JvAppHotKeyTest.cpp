// The system-wide hotkey component on a real window, with real registrations, and chords pressed
// by a second process (zel_sendkeys.exe) through SendInput.
#include "hotkeys/JvAppHotKey.h"
#include "support/HotKeyPress.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <windows.h>

namespace zel {
namespace {

using testing::PressChord;
using testing::PumpUntil;

// The counter as the module loaded it, before any test ran.
const std::int32_t GIdAtStart = NextHotKeyID;

constexpr UINT WindowResultMessage = WM_APP + 1;
constexpr LRESULT WindowResult = 1234;

// A hidden top-level window that records the WM_HOTKEY messages it handles.
class TTestWindow {
public:
    TTestWindow()
    {
        FWindow.OnMessage = [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_HOTKEY) {
                FHotKeys.push_back(wParam);
                if (FTrace)
                    FTrace->push_back("window");
                if (FOnHotKey)
                    FOnHotKey();
                return 0;
            }
            if (message == WM_NCDESTROY && FOnNcDestroy)
                FOnNcDestroy();
            if (message == WindowResultMessage)
                return WindowResult;
            return std::nullopt;
        };
    }
    void Destroy() { FWindow.Destroy(); }
    HWND Handle() const { return FWindow.Handle(); }

    std::vector<WPARAM> FHotKeys; // wParam of each WM_HOTKEY, in order
    std::vector<std::string>* FTrace = nullptr;
    // What the window's own handling of WM_HOTKEY and of WM_NCDESTROY does besides recording.
    std::function<void()> FOnHotKey;
    std::function<void()> FOnNcDestroy;

private:
    testing::TTestWindow FWindow;
};

// Whether the key combination is registered already (by anyone): a registration of our own
// then fails with ERROR_HOTKEY_ALREADY_REGISTERED.
bool ChordTaken(THotKeyCode code)
{
    constexpr int probeID = 0xBFF0;
    if (RegisterHotKey(nullptr, probeID, code.Modifiers, code.VirtualKey)) {
        UnregisterHotKey(nullptr, probeID);
        return false;
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    return true;
}

bool ChordTaken(TShortCut shortCut, bool windowsKey = false)
{
    return ChordTaken(ShortCutToHotKey(shortCut, windowsKey));
}

// A component that counts its OnHotKey events.
struct TCountingHotKey : TJvApplicationHotKey {
    explicit TCountingHotKey(HWND owner, TShortCut shortCut, const char* name = "", std::vector<std::string>* trace = nullptr)
        : TJvApplicationHotKey(owner)
    {
        SetHotKey(shortCut);
        OnHotKey = [this, name, trace](TJvApplicationHotKey* sender) {
            EXPECT_EQ(sender, this);
            ++FPressed;
            if (trace)
                trace->push_back(name);
        };
    }
    int FPressed = 0;
};

constexpr TShortCut CtrlAltShiftF9 = 0xE078;
constexpr TShortCut CtrlAltShiftF10 = 0xE079;
constexpr TShortCut CtrlAltShiftF11 = 0xE07A;
constexpr TShortCut CtrlAltShiftF12 = 0xE07B;

class HotKeyComponent : public ::testing::Test {
protected:
    TTestWindow FWindow;
};

struct RegistrationCase {
    const char* name;
    TShortCut shortCut;
    bool windowsKey;
    THotKeyCode code;
};

class Registration : public HotKeyComponent, public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(Registration, RegistersKeyAndModifierFlagsOnTheOwnerWindow)
{
    const RegistrationCase& c = GetParam();
    EXPECT_EQ(ShortCutToHotKey(c.shortCut, c.windowsKey), c.code);
    TJvApplicationHotKey hotKey(FWindow.Handle());
    hotKey.SetHotKey(c.shortCut);
    hotKey.SetWindowsKey(c.windowsKey);
    ASSERT_FALSE(ChordTaken(c.code));
    hotKey.SetActive(true);
    ASSERT_TRUE(hotKey.Active());
    EXPECT_EQ(hotKey.Handle(), FWindow.Handle());
    EXPECT_TRUE(ChordTaken(c.code));
    hotKey.SetActive(false);
    EXPECT_FALSE(hotKey.Active());
    EXPECT_EQ(hotKey.Handle(), nullptr);
    EXPECT_FALSE(ChordTaken(c.code)) << "deactivation unregisters";
}

INSTANTIATE_TEST_SUITE_P(Table, Registration, ::testing::Values(
    RegistrationCase{"CtrlAltA", 0xC041, false, {0x41, 3}},
    RegistrationCase{"ShiftF5", 0x2074, false, {0x74, 4}},
    RegistrationCase{"CtrlAWithWindowsKey", 0x4041, true, {0x41, 10}},
    RegistrationCase{"AllModifiers", 0xE07B, true, {0x7B, 15}},
    RegistrationCase{"NoModifier", 0x007B, false, {0x7B, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShortCutToHotKey, KeepsTheLow13BitsAsKey)
{
    EXPECT_EQ(ShortCutToHotKey(0x1FFF, false), (THotKeyCode{0x1FFF, 0}));
    EXPECT_EQ(ShortCutToHotKey(0xFFFF, false), (THotKeyCode{0x1FFF, 7}));
    EXPECT_EQ(ShortCutToHotKey(0, true), (THotKeyCode{0, 8}));
}

TEST_F(HotKeyComponent, IdentifiersCountFromZeroAndFailuresUseTheirNumber)
{
    EXPECT_EQ(GIdAtStart, 0);
    const std::int32_t first = NextHotKeyID;
    TJvApplicationHotKey a(FWindow.Handle()), b(FWindow.Handle()), c(FWindow.Handle());
    a.SetHotKey(CtrlAltShiftF9);
    b.SetHotKey(CtrlAltShiftF9);
    c.SetHotKey(CtrlAltShiftF10);
    EXPECT_EQ(NextHotKeyID, first) << "setting the shortcut of an inactive component registers nothing";
    a.SetActive(true);
    EXPECT_TRUE(a.Active());
    EXPECT_EQ(a.ID(), first);
    b.SetActive(true);
    EXPECT_FALSE(b.Active()) << "the chord belongs to a";
    EXPECT_EQ(b.ID(), first + 1);
    c.SetActive(true);
    EXPECT_TRUE(c.Active());
    EXPECT_EQ(c.ID(), first + 2);
    EXPECT_EQ(NextHotKeyID, first + 3);

    // Deactivating the failed component changes nothing; a's registration stays.
    b.SetActive(false);
    EXPECT_FALSE(b.Active());
    EXPECT_EQ(NextHotKeyID, first + 3);
    EXPECT_TRUE(ChordTaken(CtrlAltShiftF9));
    // A failed component keeps the owner's handle, so another activation fails at once, again
    // using up a number.
    EXPECT_EQ(b.Handle(), FWindow.Handle());
    b.SetActive(true);
    EXPECT_FALSE(b.Active());
    EXPECT_EQ(NextHotKeyID, first + 4);
}

TEST_F(HotKeyComponent, FailedRegistrationAsksTheHandlerForAnotherShortcut)
{
    TJvApplicationHotKey taken1(FWindow.Handle()), taken2(FWindow.Handle());
    taken1.SetHotKey(CtrlAltShiftF9);
    taken2.SetHotKey(CtrlAltShiftF10);
    taken1.SetActive(true);
    taken2.SetActive(true);

    TJvApplicationHotKey hotKey(FWindow.Handle());
    hotKey.SetHotKey(CtrlAltShiftF9);
    std::vector<TShortCut> offered;
    hotKey.OnHotKeyRegisterFailed = [&](TJvApplicationHotKey* sender, TShortCut& shortCut) {
        EXPECT_EQ(sender, &hotKey);
        offered.push_back(shortCut);
        shortCut = static_cast<TShortCut>(shortCut + 1); // F9 -> F10 -> F11
    };
    std::int32_t next = NextHotKeyID;
    hotKey.SetActive(true);
    EXPECT_TRUE(hotKey.Active());
    EXPECT_EQ(offered, (std::vector<TShortCut>{CtrlAltShiftF9, CtrlAltShiftF10}));
    EXPECT_EQ(hotKey.HotKey(), CtrlAltShiftF11);
    EXPECT_EQ(hotKey.ID(), next) << "the retries keep the attempt's identifier";
    EXPECT_EQ(NextHotKeyID, next + 1);
    EXPECT_TRUE(ChordTaken(CtrlAltShiftF11));
}

TEST_F(HotKeyComponent, HandlerThatKeepsTheShortcutEndsTheAttempt)
{
    TJvApplicationHotKey taken(FWindow.Handle());
    taken.SetHotKey(CtrlAltShiftF9);
    taken.SetActive(true);
    TJvApplicationHotKey hotKey(FWindow.Handle());
    hotKey.SetHotKey(CtrlAltShiftF9);
    int calls = 0;
    hotKey.OnHotKeyRegisterFailed = [&](TJvApplicationHotKey*, TShortCut&) { ++calls; };
    hotKey.SetActive(true);
    EXPECT_FALSE(hotKey.Active());
    EXPECT_EQ(calls, 1);
}

TEST_F(HotKeyComponent, EachHotKeyMessageRaisesTheEventOfItsComponentOnly)
{
    std::vector<std::string> trace;
    FWindow.FTrace = &trace;
    TCountingHotKey a(FWindow.Handle(), CtrlAltShiftF9, "a", &trace);
    TCountingHotKey b(FWindow.Handle(), CtrlAltShiftF10, "b", &trace);
    a.SetActive(true);
    b.SetActive(true);

    PostMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(b.ID()), 0);
    ASSERT_TRUE(PumpUntil([&] { return FWindow.FHotKeys.size() == 1; }));
    EXPECT_EQ(a.FPressed, 0);
    EXPECT_EQ(b.FPressed, 1);
    // The window handles the message first, then the component's filter sees it.
    EXPECT_EQ(trace, (std::vector<std::string>{"window", "b"}));

    PostMessageW(FWindow.Handle(), WM_HOTKEY, 0x7FFF0000, 0);
    ASSERT_TRUE(PumpUntil([&] { return FWindow.FHotKeys.size() == 2; }));
    EXPECT_EQ(a.FPressed, 0);
    EXPECT_EQ(b.FPressed, 1);
}

TEST_F(HotKeyComponent, FiltersLeaveTheWindowsResult)
{
    TCountingHotKey a(FWindow.Handle(), CtrlAltShiftF9), b(FWindow.Handle(), CtrlAltShiftF10);
    a.SetActive(true);
    b.SetActive(true);
    EXPECT_EQ(SendMessageW(FWindow.Handle(), WindowResultMessage, 0, 0), WindowResult);
    // Detaching one filter leaves the other working.
    a.SetActive(false);
    SendMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(b.ID()), 0);
    EXPECT_EQ(b.FPressed, 1);
    EXPECT_EQ(SendMessageW(FWindow.Handle(), WindowResultMessage, 0, 0), WindowResult);
}

TEST_F(HotKeyComponent, NewHotKeyReRegistersUnderANewIdentifier)
{
    TCountingHotKey hotKey(FWindow.Handle(), CtrlAltShiftF9);
    hotKey.SetActive(true);
    std::int32_t oldID = hotKey.ID();
    std::int32_t next = NextHotKeyID;

    hotKey.SetHotKey(CtrlAltShiftF9);
    EXPECT_EQ(hotKey.ID(), oldID) << "the same shortcut changes nothing";
    EXPECT_EQ(NextHotKeyID, next);

    hotKey.SetHotKey(CtrlAltShiftF10);
    EXPECT_TRUE(hotKey.Active());
    EXPECT_EQ(hotKey.ID(), next);
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF9)) << "the old registration ended";
    EXPECT_TRUE(ChordTaken(CtrlAltShiftF10));
    SendMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(oldID), 0);
    EXPECT_EQ(hotKey.FPressed, 0);
    SendMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(hotKey.ID()), 0);
    EXPECT_EQ(hotKey.FPressed, 1);

    // An inactive component only stores the shortcut.
    TJvApplicationHotKey inactive(FWindow.Handle());
    next = NextHotKeyID;
    inactive.SetHotKey(CtrlAltShiftF11);
    EXPECT_EQ(inactive.HotKey(), CtrlAltShiftF11);
    EXPECT_EQ(NextHotKeyID, next);
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF11));
}

TEST_F(HotKeyComponent, WindowsKeyReRegistersOnlyAnActiveComponent)
{
    TJvApplicationHotKey inactive(FWindow.Handle());
    inactive.SetHotKey(CtrlAltShiftF11);
    std::int32_t next = NextHotKeyID;
    inactive.SetWindowsKey(true);
    EXPECT_TRUE(inactive.WindowsKey());
    EXPECT_FALSE(inactive.Active());
    EXPECT_EQ(NextHotKeyID, next);
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF11, true));

    TJvApplicationHotKey active(FWindow.Handle());
    active.SetHotKey(CtrlAltShiftF12);
    active.SetActive(true);
    next = NextHotKeyID;
    active.SetWindowsKey(true);
    EXPECT_TRUE(active.Active());
    EXPECT_EQ(active.ID(), next);
    EXPECT_TRUE(ChordTaken(CtrlAltShiftF12, true));
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF12, false));
}

TEST_F(HotKeyComponent, HandlerFailureStopsAtTheWindowProcedure)
{
    TJvApplicationHotKey throwing(FWindow.Handle());
    throwing.SetHotKey(CtrlAltShiftF9);
    throwing.OnHotKey = [](TJvApplicationHotKey*) { throw std::runtime_error("handler failed"); };
    TCountingHotKey other(FWindow.Handle(), CtrlAltShiftF10);
    throwing.SetActive(true);
    other.SetActive(true);
    EXPECT_NO_THROW(SendMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(throwing.ID()), 0));
    SendMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(other.ID()), 0);
    EXPECT_EQ(other.FPressed, 1);
    // Without a handler the press goes by quietly.
    TJvApplicationHotKey silent(FWindow.Handle());
    silent.SetHotKey(CtrlAltShiftF11);
    silent.SetActive(true);
    EXPECT_NO_THROW(SendMessageW(FWindow.Handle(), WM_HOTKEY, static_cast<WPARAM>(silent.ID()), 0));
}

TEST_F(HotKeyComponent, OwnerWindowGoingFirstLeavesTheComponentSafe)
{
    auto window = std::make_unique<TTestWindow>();
    TCountingHotKey hotKey(window->Handle(), CtrlAltShiftF12);
    hotKey.SetActive(true);
    ASSERT_TRUE(hotKey.Active());
    window->Destroy();
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF12)) << "the registration ends with the window";
    hotKey.SetActive(false);
    EXPECT_FALSE(hotKey.Active());
}

TEST_F(HotKeyComponent, WithoutOwnerWindowNothingRegisters)
{
    TJvApplicationHotKey hotKey(TJvApplicationHotKey::TOwnerHandle([] { return HWND(nullptr); }));
    hotKey.SetHotKey(CtrlAltShiftF12);
    hotKey.SetActive(true);
    EXPECT_FALSE(hotKey.Active());
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF12));
}

TEST_F(HotKeyComponent, OwnerWindowIsAskedForOnlyWhenRegistering)
{
    int asked = 0;
    TJvApplicationHotKey hotKey(TJvApplicationHotKey::TOwnerHandle([&] { ++asked; return FWindow.Handle(); }));
    hotKey.SetHotKey(CtrlAltShiftF12);
    EXPECT_EQ(asked, 0);
    hotKey.SetActive(true);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(hotKey.Active());
}

// Chords pressed by another process.
class PressedChord : public HotKeyComponent {};

TEST_F(PressedChord, RaisesOnHotKeyOfTheComponentThatRegisteredIt)
{
    TCountingHotKey first(FWindow.Handle(), CtrlAltShiftF9);
    TCountingHotKey second(FWindow.Handle(), CtrlAltShiftF9);
    TCountingHotKey other(FWindow.Handle(), CtrlAltShiftF10);
    first.SetActive(true);
    second.SetActive(true);
    other.SetActive(true);
    ASSERT_TRUE(first.Active());
    ASSERT_FALSE(second.Active());

    ASSERT_EQ(PressChord(L"Shift+Ctrl+Alt+F9"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !FWindow.FHotKeys.empty(); })) << "no WM_HOTKEY arrived";
    EXPECT_EQ(FWindow.FHotKeys, (std::vector<WPARAM>{static_cast<WPARAM>(first.ID())}));
    EXPECT_EQ(first.FPressed, 1);
    EXPECT_EQ(second.FPressed, 0);
    EXPECT_EQ(other.FPressed, 0);
}

TEST_F(PressedChord, WithTheWindowsKey)
{
    TCountingHotKey hotKey(FWindow.Handle(), 0x4077); // Ctrl+F8
    hotKey.SetWindowsKey(true);
    hotKey.SetActive(true);
    ASSERT_TRUE(hotKey.Active());
    ASSERT_EQ(PressChord(L"Ctrl+F8", true), 0u);
    ASSERT_TRUE(PumpUntil([&] { return hotKey.FPressed == 1; })) << "no WM_HOTKEY arrived";
}

TEST_F(PressedChord, AfterDestructionTheChordStaysWithTheWindow)
{
    TCountingHotKey watcher(FWindow.Handle(), CtrlAltShiftF10);
    watcher.SetActive(true);
    auto hotKey = std::make_unique<TCountingHotKey>(FWindow.Handle(), CtrlAltShiftF11);
    hotKey->SetActive(true);
    ASSERT_TRUE(hotKey->Active());
    std::int32_t id = hotKey->ID();
    hotKey.reset();

    EXPECT_TRUE(ChordTaken(CtrlAltShiftF11)) << "destruction does not unregister";
    ASSERT_EQ(PressChord(L"Shift+Ctrl+Alt+F11"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !FWindow.FHotKeys.empty(); })) << "no WM_HOTKEY arrived";
    EXPECT_EQ(FWindow.FHotKeys, (std::vector<WPARAM>{static_cast<WPARAM>(id)}));
    EXPECT_EQ(watcher.FPressed, 0);
    UnregisterHotKey(FWindow.Handle(), id);
}

// ---- components destroyed from inside a message to their window

// A component on pages of its own that stay reserved, inaccessible, after its deletion: a read
// or write of the deleted component faults, and the fault is counted (and the pages opened again,
// holding what the component held, so that the program goes on as it would have) instead of
// passing unnoticed or crashing the test.
class TGuardedHotKey : public TJvApplicationHotKey {
public:
    using TJvApplicationHotKey::TJvApplicationHotKey;

    static void* operator new(size_t size)
    {
        void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!block)
            throw std::bad_alloc();
        return block;
    }
    static void operator delete(void* block, size_t size) noexcept
    {
        DWORD previous = 0;
        VirtualProtect(block, size, PAGE_NOACCESS, &previous);
        Deleted().push_back({block, size});
    }

    struct TBlock {
        void* Address;
        size_t Size;
    };
    static std::vector<TBlock>& Deleted()
    {
        static std::vector<TBlock> blocks;
        return blocks;
    }
    static inline int Touches = 0;

    static LONG CALLBACK CountTouch(EXCEPTION_POINTERS* exception) noexcept
    {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        const auto address = static_cast<ULONG_PTR>(record.ExceptionInformation[1]);
        for (const TBlock& block : Deleted()) {
            const auto start = reinterpret_cast<ULONG_PTR>(block.Address);
            if (address >= start && address < start + block.Size) {
                ++Touches;
                DWORD previous = 0;
                VirtualProtect(block.Address, block.Size, PAGE_READWRITE, &previous);
                return EXCEPTION_CONTINUE_EXECUTION;
            }
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
};

class DeletedComponents : public HotKeyComponent {
protected:
    void SetUp() override
    {
        TGuardedHotKey::Touches = 0;
        FHandler = AddVectoredExceptionHandler(1, TGuardedHotKey::CountTouch);
        ASSERT_NE(FHandler, nullptr);
    }
    void TearDown() override
    {
        RemoveVectoredExceptionHandler(FHandler);
        for (const TGuardedHotKey::TBlock& block : TGuardedHotKey::Deleted())
            VirtualFree(block.Address, 0, MEM_RELEASE);
        TGuardedHotKey::Deleted().clear();
    }
    void* FHandler = nullptr;
};

// Who destroys the component while its window handles a press.
enum class TDestroyer {
    OwnHandler,   // the component's own OnHotKey
    Window,       // the window's own handling of WM_HOTKEY, before the filters look at it
    OtherHandler, // the OnHotKey of a component attached before it, whose press this is
};

struct DestroyedCase {
    const char* name;
    TDestroyer destroyer;
    int events; // OnHotKey events raised
};

class DestroyedWhilePressed : public DeletedComponents, public ::testing::WithParamInterface<DestroyedCase> {};

TEST_P(DestroyedWhilePressed, NothingTouchesTheDeletedComponent)
{
    const TDestroyer destroyer = GetParam().destroyer;
    int events = 0;
    TJvApplicationHotKey other(FWindow.Handle());
    other.SetHotKey(CtrlAltShiftF10);
    std::unique_ptr<TJvApplicationHotKey> hotKey;
    if (destroyer == TDestroyer::OtherHandler) {
        other.OnHotKey = [&hotKey, &events](TJvApplicationHotKey*) {
            hotKey.reset();
            ++events;
        };
        other.SetActive(true);
        ASSERT_TRUE(other.Active());
    }
    hotKey = std::make_unique<TGuardedHotKey>(FWindow.Handle());
    hotKey->SetHotKey(CtrlAltShiftF9);
    if (destroyer == TDestroyer::OwnHandler) {
        // Reads its captures after the deletion: a handler called in place would read them from
        // the deleted component.
        hotKey->OnHotKey = [&hotKey, &events](TJvApplicationHotKey*) {
            hotKey.reset();
            ++events;
        };
    } else {
        hotKey->OnHotKey = [&events](TJvApplicationHotKey*) { ++events; };
    }
    if (destroyer == TDestroyer::Window)
        FWindow.FOnHotKey = [&hotKey] { hotKey.reset(); };
    hotKey->SetActive(true);
    ASSERT_TRUE(hotKey->Active());
    const std::int32_t id = hotKey->ID();

    ASSERT_EQ(PressChord(destroyer == TDestroyer::OtherHandler ? L"Shift+Ctrl+Alt+F10" : L"Shift+Ctrl+Alt+F9"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !FWindow.FHotKeys.empty(); })) << "no WM_HOTKEY arrived";
    EXPECT_EQ(hotKey, nullptr);
    EXPECT_EQ(events, GetParam().events);
    EXPECT_EQ(TGuardedHotKey::Touches, 0) << "the deleted component was read or written";
    // Destruction leaves the chords registered to the window.
    UnregisterHotKey(FWindow.Handle(), id);
    other.SetActive(false);
}

INSTANTIATE_TEST_SUITE_P(Table, DestroyedWhilePressed, ::testing::Values(
    DestroyedCase{"ByItsOwnHandler", TDestroyer::OwnHandler, 1},
    DestroyedCase{"ByTheWindow", TDestroyer::Window, 0},
    DestroyedCase{"ByAnotherComponentsHandler", TDestroyer::OtherHandler, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeletedComponents, DestroyedByItsWindowsLastMessage)
{
    // A window that frees what it owns when it receives its last message.
    auto window = std::make_unique<TTestWindow>();
    std::unique_ptr<TJvApplicationHotKey> hotKey = std::make_unique<TGuardedHotKey>(window->Handle());
    hotKey->SetHotKey(CtrlAltShiftF12);
    hotKey->SetActive(true);
    ASSERT_TRUE(hotKey->Active());
    window->FOnNcDestroy = [&hotKey] { hotKey.reset(); };
    window->Destroy();
    EXPECT_EQ(hotKey, nullptr);
    EXPECT_EQ(TGuardedHotKey::Touches, 0) << "the deleted component was read or written";
    EXPECT_FALSE(ChordTaken(CtrlAltShiftF12));
}

} // namespace
} // namespace zel
