// Owners of GDI handles: each releases or deletes its handle on every path.
#pragma once

#include <memory>
#include <type_traits>

#include <windows.h>

namespace zel {

// The screen's device context, released on every path.
class TScreenDC {
public:
    TScreenDC() : FDC(GetDC(nullptr)) {}
    ~TScreenDC()
    {
        if (FDC)
            ReleaseDC(nullptr, FDC);
    }
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HDC FDC;
};

struct TDeleteDC {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
using TMemoryDC = std::unique_ptr<std::remove_pointer_t<HDC>, TDeleteDC>;

struct TDeleteObject {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
using TBitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, TDeleteObject>;
using TPaletteHandle = std::unique_ptr<std::remove_pointer_t<HPALETTE>, TDeleteObject>;

// Puts a GDI object into a device context and the previous one back at the end of the scope,
// so that the objects can be deleted while not selected.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
    ~TSelection()
    {
        if (FOld && FOld != HGDI_ERROR)
            SelectObject(FDC, FOld);
    }
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

} // namespace zel
