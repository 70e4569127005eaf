#include "diagnostics/LinkLabel.h"

#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/ModuleHandle.h"
#include "platform/WideText.h"

#include <algorithm>

#include <windowsx.h>

namespace zel {
namespace {

constexpr wchar_t LinkLabelClass[] = L"TZelLinkLabel";

void RegisterLinkLabelClass(WNDPROC proc)
{
    static const bool registered = [proc] {
        WNDCLASSEXW label{};
        label.cbSize = sizeof(label);
        label.lpfnWndProc = proc;
        label.hInstance = ThisModule();
        label.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        label.lpszClassName = LinkLabelClass;
        return RegisterClassExW(&label) != 0;
    }();
    if (!registered)
        throw EOSError(u"The link label's class could not be registered", GetLastError());
}

// The links' colour: the system's hot-track colour, unless a colour scheme makes it hard to tell
// from the face it is drawn on (some use it for a hot item's background); then a plain link blue.
COLORREF LinkColor()
{
    auto luminance = [](COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; };
    const COLORREF hot = GetSysColor(COLOR_HOTLIGHT);
    const int difference = luminance(hot) - luminance(GetSysColor(COLOR_BTNFACE));
    return difference > 96 || difference < -96 ? hot : RGB(0, 102, 204);
}

} // namespace

TLinkLabel::TLinkLabel(HWND parent, int id, const RECT& bounds) : FMinHeight(bounds.bottom - bounds.top)
{
    RegisterLinkLabelClass(WindowProc);
    // Only this constructor sets FHandle: WM_NCCREATE hands the object to the window.
    const HWND window = CreateWindowExW(0, LinkLabelClass, L"", WS_CHILD | WS_VISIBLE, bounds.left, bounds.top,
                                        bounds.right - bounds.left, FMinHeight, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), this);
    if (!window)
        throw EOSError(u"A link label could not be created", GetLastError());
}

TLinkLabel::~TLinkLabel()
{
    if (FHandle)
        DestroyWindow(FHandle);
}

void TLinkLabel::SetCaption(const std::u16string& caption)
{
    SetWindowTextW(FHandle, AsWide(caption).data());
    Layout();
}

std::u16string TLinkLabel::Caption() const
{
    return WindowText(FHandle);
}

LRESULT CALLBACK TLinkLabel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    if (message == WM_NCCREATE) {
        auto self = static_cast<TLinkLabel*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->FHandle = window;
    }
    auto self = reinterpret_cast<TLinkLabel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}
ZEL_CATCH_SILENT_RETURN(DefWindowProcW(window, message, wParam, lParam))

LRESULT TLinkLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFONT: {
        FFont = reinterpret_cast<HFONT>(wParam);
        FLinkFont.reset();
        LOGFONTW font{};
        if (FFont && GetObjectW(FFont, sizeof(font), &font) == sizeof(font)) {
            font.lfUnderline = TRUE;
            FLinkFont.reset(CreateFontIndirectW(&font));
        }
        Layout();
        if (LOWORD(lParam))
            InvalidateRect(FHandle, nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(FFont);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(FHandle, &paint);
        Paint(dc);
        EndPaint(FHandle, &paint);
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(FHandle, &point);
            if (OverLink(point)) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        FPressed = OverLink(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (FPressed)
            SetCapture(FHandle);
        return 0;
    case WM_LBUTTONUP: {
        const bool pressed = FPressed;
        FPressed = false;
        if (GetCapture() == FHandle)
            ReleaseCapture();
        if (pressed && OverLink(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            SendMessageW(GetParent(FHandle), WM_COMMAND,
                         MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(FHandle)), STN_CLICKED),
                         reinterpret_cast<LPARAM>(FHandle));
        return 0;
    }
    case WM_CAPTURECHANGED:
        FPressed = false;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

void TLinkLabel::Layout()
{
    FRuns.clear();
    FLinkRects.clear();
    const HDC dc = GetDC(FHandle);
    if (!dc)
        return;
    int bottom = 0;
    {
        const TSelection font(dc, FFont ? static_cast<HGDIOBJ>(FFont) : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        const int lineHeight = metrics.tmHeight;
        int y = 0;
        bool firstLine = true;
        for (TMarkupLine& line : ParseLinkMarkup(Caption())) {
            if (!firstLine)
                y += line.NewParagraph ? 2 * lineHeight : lineHeight;
            firstLine = false;
            int x = 0;
            for (TMarkupRun& run : line.Runs) {
                const TSelection runFont(dc, run.Link && FLinkFont ? static_cast<HGDIOBJ>(FLinkFont.get())
                                                                   : GetCurrentObject(dc, OBJ_FONT));
                SIZE size{};
                GetTextExtentPoint32W(dc, AsWide(run.Text).data(), static_cast<int>(run.Text.size()), &size);
                if (run.Link)
                    FLinkRects.push_back(RECT{x, y, x + size.cx, y + lineHeight});
                FRuns.push_back(TPlacedRun{std::move(run), POINT{x, y}});
                x += size.cx;
            }
        }
        bottom = y + lineHeight;
    }
    ReleaseDC(FHandle, dc);

    RECT bounds;
    GetWindowRect(FHandle, &bounds);
    const int height = std::max(FMinHeight, bottom);
    if (bounds.bottom - bounds.top != height)
        SetWindowPos(FHandle, nullptr, 0, 0, bounds.right - bounds.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TLinkLabel::Paint(HDC dc)
{
    RECT client;
    GetClientRect(FHandle, &client);
    // The label lies on the window's face: the same colour behind the text.
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    const TSelection font(dc, FFont ? static_cast<HGDIOBJ>(FFont) : GetStockObject(DEFAULT_GUI_FONT));
    for (const TPlacedRun& placed : FRuns) {
        const bool link = placed.Run.Link;
        const TSelection runFont(dc, link && FLinkFont ? static_cast<HGDIOBJ>(FLinkFont.get())
                                                       : GetCurrentObject(dc, OBJ_FONT));
        SetTextColor(dc, link ? LinkColor() : GetSysColor(COLOR_BTNTEXT));
        TextOutW(dc, placed.Origin.x, placed.Origin.y, AsWide(placed.Run.Text).data(),
                 static_cast<int>(placed.Run.Text.size()));
    }
}

bool TLinkLabel::OverLink(POINT point) const noexcept
{
    return std::any_of(FLinkRects.begin(), FLinkRects.end(),
                       [point](const RECT& rect) { return PtInRect(&rect, point) != FALSE; });
}

} // namespace zel
