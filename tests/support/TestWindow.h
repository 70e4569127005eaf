// A top-level window for tests, of a window class of its own, destroyed with the object. Its
// messages go to OnMessage when that is set and answers them, to DefWindowProc otherwise.
#pragma once

#include <functional>
#include <optional>

#include <windows.h>

namespace zel::testing {

class TTestWindow {
public:
    // The window's answer to a message, or nothing to leave it to DefWindowProc.
    using TMessageHandler = std::function<std::optional<LRESULT>(UINT message, WPARAM wParam, LPARAM lParam)>;

    struct TOptions {
        DWORD ExStyle = 0;
        DWORD Style = WS_OVERLAPPEDWINDOW; // not visible: shown only when WS_VISIBLE is added
        RECT Bounds{0, 0, 100, 100};       // left, top, right, bottom on the screen
        const wchar_t* Caption = L"";
    };

    TTestWindow() : TTestWindow(TOptions{}) {}
    explicit TTestWindow(const TOptions& options)
    {
        static const ATOM atom = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            windowClass.lpszClassName = L"ZelTestWindow";
            return RegisterClassW(&windowClass);
        }();
        const RECT& r = options.Bounds;
        FHandle = CreateWindowExW(options.ExStyle, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)),
            options.Caption, options.Style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
            GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TTestWindow() { Destroy(); }
    TTestWindow(const TTestWindow&) = delete;
    TTestWindow& operator=(const TTestWindow&) = delete;

    HWND Handle() const noexcept { return FHandle; }
    // Destroys the window now; its handle stays readable while its destruction messages run.
    void Destroy() noexcept
    {
        if (FHandle)
            DestroyWindow(FHandle);
        FHandle = nullptr;
    }

    TMessageHandler OnMessage;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto self = reinterpret_cast<TTestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->OnMessage)
            if (std::optional<LRESULT> answer = self->OnMessage(message, wParam, lParam))
                return *answer;
        if (message == WM_NCDESTROY)
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND FHandle = nullptr;
};

} // namespace zel::testing
