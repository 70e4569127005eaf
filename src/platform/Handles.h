// Owners of the Windows handles the add-in holds: each closes, frees, releases or deletes its
// handle on every path, so that no raw handle outlives the scope that made it.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include <objbase.h>
#include <windows.h>

namespace zel {

// ---- Handles closed by one call: unique_ptr with the call as its deleter.

template <class Handle, auto Close>
struct THandleCloser {
    void operator()(Handle handle) const noexcept { Close(handle); }
};
template <class Handle, auto Close>
using TUniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, THandleCloser<Handle, Close>>;

// A library loaded with LoadLibrary, freed with FreeLibrary.
using TLibraryHandle = TUniqueHandle<HMODULE, FreeLibrary>;
// A process, thread or event handle (null when invalid), closed with CloseHandle.
using TKernelHandle = TUniqueHandle<HANDLE, CloseHandle>;
// Memory that the system allocated with LocalAlloc for the caller (FormatMessage's buffer).
using TLocalMemory = TUniqueHandle<HLOCAL, LocalFree>;
// A registry key opened or created by the caller (never one of the predefined roots).
using TRegKey = TUniqueHandle<HKEY, RegCloseKey>;

// A memory device context and GDI objects (bitmaps, palettes, fonts, brushes).
using TMemoryDC = TUniqueHandle<HDC, DeleteDC>;
struct TDeleteObject {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
using TBitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, TDeleteObject>;
using TPaletteHandle = std::unique_ptr<std::remove_pointer_t<HPALETTE>, TDeleteObject>;
using TFontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, TDeleteObject>;
using TBrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, TDeleteObject>;

// An enhanced metafile, deleted with DeleteEnhMetaFile.
using TEnhMetaFileHandle = TUniqueHandle<HENHMETAFILE, DeleteEnhMetaFile>;
// A global memory block from GlobalAlloc, freed unless released to a new owner (the clipboard
// takes over the block that SetClipboardData accepted).
using TGlobalMemory = TUniqueHandle<HGLOBAL, GlobalFree>;

// Icons made by the caller, and menus not attached to a window.
using TIconHandle = TUniqueHandle<HICON, DestroyIcon>;
using TMenuHandle = TUniqueHandle<HMENU, DestroyMenu>;
// An activation context made with CreateActCtx.
using TActCtxHandle = TUniqueHandle<HANDLE, ReleaseActCtx>;

// A window the caller created, destroyed with DestroyWindow unless it is gone already (a child
// window ends with its parent).
struct TDestroyWindow {
    void operator()(HWND window) const noexcept
    {
        if (IsWindow(window))
            DestroyWindow(window);
    }
};
using TWindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, TDestroyWindow>;

// A file handle from CreateFile, whose invalid value is INVALID_HANDLE_VALUE, not null.
class TFileHandle {
public:
    TFileHandle() noexcept = default;
    explicit TFileHandle(HANDLE handle) noexcept : FHandle(handle) {}
    ~TFileHandle() { Reset(); }
    TFileHandle(TFileHandle&& other) noexcept : FHandle(other.Release()) {}
    TFileHandle& operator=(TFileHandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            FHandle = other.Release();
        }
        return *this;
    }
    HANDLE Get() const noexcept { return FHandle; }
    bool Valid() const noexcept { return FHandle != INVALID_HANDLE_VALUE; }
    HANDLE Release() noexcept { return std::exchange(FHandle, INVALID_HANDLE_VALUE); }
    void Reset() noexcept
    {
        if (Valid())
            CloseHandle(Release());
    }

private:
    HANDLE FHandle = INVALID_HANDLE_VALUE;
};

// ---- Scopes: something entered at construction and left at destruction.

// The screen's device context, released on every path.
class TScreenDC {
public:
    TScreenDC() noexcept : FDC(GetDC(nullptr)) {}
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

// Puts a GDI object into a device context and the previous one back at the end of the scope,
// so that the objects can be deleted while not selected.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(SelectObject(dc, object)) {}
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

// The clipboard, open for the owner window (or the task) while this lives.
class TClipboardOpen {
public:
    explicit TClipboardOpen(HWND owner = nullptr) noexcept : FOpen(OpenClipboard(owner) != FALSE) {}
    ~TClipboardOpen()
    {
        if (FOpen)
            CloseClipboard();
    }
    TClipboardOpen(const TClipboardOpen&) = delete;
    TClipboardOpen& operator=(const TClipboardOpen&) = delete;
    bool IsOpen() const noexcept { return FOpen; }

private:
    bool FOpen;
};

// A COM apartment of the calling thread, entered with CoInitializeEx and left with
// CoUninitialize when entering succeeded (S_FALSE, already entered, counts: it must be left too).
class TComApartment {
public:
    explicit TComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : FResult(CoInitializeEx(nullptr, model)) {}
    ~TComApartment()
    {
        if (SUCCEEDED(FResult))
            CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
    HRESULT Result() const noexcept { return FResult; }
    bool Entered() const noexcept { return SUCCEEDED(FResult); }

private:
    HRESULT FResult;
};

// A file deleted when the scope ends, however it ends; a missing file is no error.
class TTempFile {
public:
    explicit TTempFile(std::wstring fileName) noexcept : FFileName(std::move(fileName)) {}
    ~TTempFile()
    {
        if (!FFileName.empty())
            DeleteFileW(FFileName.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    const std::wstring& FileName() const noexcept { return FFileName; }

private:
    std::wstring FFileName;
};

} // namespace zel
