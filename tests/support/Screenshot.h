// Screenshots of what a test put on the screen, saved as PNG files for a person to look at:
// a rectangle of the screen is copied (so menus and dropped lists above the window show too) and
// encoded by the Windows Imaging Component (COM is entered for the call if the thread has not).
#pragma once

#include "platform/Handles.h"

#include <string>

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

namespace zel::testing {

// The folder the screenshots go to: "screenshots" in the working folder, made when missing.
inline std::wstring ScreenshotFolder()
{
    CreateDirectoryW(L"screenshots", nullptr);
    return L"screenshots\\";
}

// Saves the screen rectangle as <ScreenshotFolder()><name>.png; false when that failed.
inline bool SaveScreenPng(const RECT& area, const std::wstring& name)
{
    using Microsoft::WRL::ComPtr;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    const TScreenDC screen;
    const TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    const TBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    {
        const TSelection selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY);
    }
    const TComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> source;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    const std::wstring path = ScreenshotFolder() + name + L".png";
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateBitmapFromHBITMAP(bitmap.get(), nullptr, WICBitmapIgnoreAlpha, &source)) ||
        FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->WriteSource(source.Get(), nullptr)) || FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return false;
    return true;
}

// Saves the window's rectangle, grown by `margin` pixels on every side.
inline bool SaveWindowPng(HWND window, const std::wstring& name, int margin = 0)
{
    RECT area;
    GetWindowRect(window, &area);
    InflateRect(&area, margin, margin);
    return SaveScreenPng(area, name);
}

} // namespace zel::testing
