#include "hotkeys/ButtonImages.h"

#include <string>

namespace zel {
namespace {

struct TPalette {
    COLORREF Fill;
    COLORREF Edge;
};

TPalette PaletteOf(TButtonImage image) noexcept
{
    switch (image) {
    case TButtonImage::Add:
        return {RGB(76, 175, 80), RGB(46, 125, 50)};
    case TButtonImage::Remove:
        return {RGB(229, 57, 53), RGB(183, 28, 28)};
    case TButtonImage::Help:
        return {RGB(30, 136, 229), RGB(13, 71, 161)};
    case TButtonImage::Upgrade:
        return {RGB(251, 140, 0), RGB(191, 54, 12)};
    case TButtonImage::Window:
        break;
    }
    return {RGB(96, 142, 187), RGB(45, 80, 120)};
}

// Draws the picture on a background of the key colour, in a box of size x size.
void DrawPicture(HDC dc, TButtonImage image, int size)
{
    const TPalette colours = PaletteOf(image);
    const TBrushHandle fill(CreateSolidBrush(colours.Fill));
    const TUniqueHandle<HPEN, DeleteObject> edge(CreatePen(PS_SOLID, size / 16 + 1, colours.Edge));
    {
        const TSelection brush(dc, fill.get());
        const TSelection pen(dc, edge.get());
        const int m = size / 16;
        if (image == TButtonImage::Window || image == TButtonImage::Upgrade)
            RoundRect(dc, m, m + size / 8, size - m, size - m - size / 8, size / 4, size / 4);
        else
            Ellipse(dc, m, m, size - m, size - m);
    }

    // The white sign on it.
    const TBrushHandle white(CreateSolidBrush(RGB(255, 255, 255)));
    const int c = size / 2;
    const int arm = size * 9 / 32;
    const int half = size / 14 + 1;
    auto bar = [&](int left, int top, int right, int bottom) {
        const RECT r{left, top, right, bottom};
        FillRect(dc, &r, white.get());
    };
    switch (image) {
    case TButtonImage::Add:
        bar(c - arm, c - half, c + arm, c + half);
        bar(c - half, c - arm, c + half, c + arm);
        break;
    case TButtonImage::Remove:
        bar(c - arm, c - half, c + arm, c + half);
        break;
    case TButtonImage::Help:
    case TButtonImage::Window:
    case TButtonImage::Upgrade: {
        const wchar_t* sign = image == TButtonImage::Help ? L"?" : image == TButtonImage::Window ? L"Z" : L"+";
        const TFontHandle font(CreateFontW(-size * 3 / 4, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma"));
        const TSelection selected(dc, font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT box{0, 0, size, size};
        DrawTextW(dc, sign, 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        break;
    }
    }
}

} // namespace

TIconHandle MakeButtonImage(TButtonImage image, int size)
{
    constexpr COLORREF key = RGB(255, 0, 255);
    const TScreenDC screen;
    const TMemoryDC dc(CreateCompatibleDC(screen.Get()));
    const TBitmapHandle colour(CreateCompatibleBitmap(screen.Get(), size, size));
    const TBitmapHandle mask(CreateBitmap(size, size, 1, 1, nullptr));
    if (!dc || !colour || !mask)
        return TIconHandle();
    {
        const TSelection selected(dc.get(), colour.get());
        const TBrushHandle background(CreateSolidBrush(key));
        const RECT all{0, 0, size, size};
        FillRect(dc.get(), &all, background.get());
        DrawPicture(dc.get(), image, size);

        // The mask is set where the key colour shows (transparent); the picture turns black
        // there, as an icon's colour bitmap must be.
        const TMemoryDC maskDC(CreateCompatibleDC(screen.Get()));
        const TSelection maskSelected(maskDC.get(), mask.get());
        SetBkColor(dc.get(), key);
        BitBlt(maskDC.get(), 0, 0, size, size, dc.get(), 0, 0, SRCCOPY);
        SetBkColor(dc.get(), RGB(0, 0, 0));
        SetTextColor(dc.get(), RGB(255, 255, 255));
        BitBlt(dc.get(), 0, 0, size, size, maskDC.get(), 0, 0, SRCAND);
    }

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask.get();
    info.hbmColor = colour.get();
    return TIconHandle(CreateIconIndirect(&info));
}

void DrawFlatButton(const DRAWITEMSTRUCT& item, HICON image, bool dropDown)
{
    const HDC dc = item.hDC;
    RECT box = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    if (pressed)
        DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);

    const int shift = pressed ? 1 : 0;
    const int imageSize = 32;
    const int imageLeft = box.left + (box.right - box.left - imageSize) / 2 + shift;
    const int imageTop = box.top + 4 + shift;
    if (image)
        DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image), 0, imageLeft, imageTop, imageSize,
                   imageSize, DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));

    wchar_t caption[128] = {};
    GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
    RECT text{box.left + 2 + shift, imageTop + imageSize + 1, box.right - 2 + shift, box.bottom - 1};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    {
        const TSelection font(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
        DrawTextW(dc, caption, -1, &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
    }

    if (dropDown) {
        // A small arrow at the right of the image.
        const int x = imageLeft + imageSize + 4;
        const int y = imageTop + imageSize / 2 - 1;
        const HBRUSH arrow = GetSysColorBrush(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
        for (int row = 0; row < 3; ++row) {
            const RECT line{x + row, y + row, x + 5 - row, y + row + 1};
            FillRect(dc, &line, arrow);
        }
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = box;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

} // namespace zel
