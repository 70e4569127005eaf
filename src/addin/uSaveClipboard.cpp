#include "addin/uSaveClipboard.h"

#include "platform/Exceptions.h"
#include "platform/ModuleHandle.h"
#include "platform/WideText.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace zel {
namespace {

// Opening the clipboard is tried this many times, with a short wait between tries, before the
// clipboard counts as held by another program. This runs on Outlook's UI thread: the whole wait
// stays below 100 ms.
constexpr int OpenAttempts = 5;
constexpr DWORD OpenRetryDelayMs = 20;

// The system's text for an error code, without its closing line break and full stop; empty when
// the system has none.
std::u16string SystemMessage(DWORD errorCode)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        errorCode, LANG_USER_DEFAULT, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const TLocalMemory owned(buffer);
    if (length == 0 || !buffer)
        return {};
    std::u16string text = ToU16(std::wstring_view(buffer, length));
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u'.' || text.back() == u' '))
        text.pop_back();
    return text;
}

// Opens the clipboard for owner into `open`, retrying while another program holds it.
void OpenClipboardWithRetries(HWND owner, std::optional<TClipboardOpen>& open)
{
    for (int attempt = 1;; ++attempt) {
        open.emplace(owner);
        if (open->IsOpen())
            return;
        const DWORD error = GetLastError();
        if (attempt == OpenAttempts) {
            open.reset();
            const std::u16string reason = SystemMessage(error);
            throw EOSError(reason.empty() ? u"Cannot open clipboard" : u"Cannot open clipboard: " + reason, error);
        }
        Sleep(OpenRetryDelayMs);
    }
}

// A global memory block locked for the scope.
class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL memory) noexcept : FMemory(memory), FData(GlobalLock(memory)) {}
    ~TGlobalLock()
    {
        if (FData)
            GlobalUnlock(FMemory);
    }
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;
    void* Data() const noexcept { return FData; }

private:
    HGLOBAL FMemory;
    void* FData;
};

// How the data of a clipboard format is held, and so how it is copied.
enum class TFormatKind { Memory, Bitmap, Palette, EnhMetaFile, NotCopied };

bool IsBitmapForm(UINT format) noexcept
{
    return format == CF_BITMAP || format == CF_DIB || format == CF_DIBV5;
}

std::wstring RegisteredFormatName(UINT format)
{
    wchar_t name[256];
    const int length = GetClipboardFormatNameW(format, name, static_cast<int>(std::size(name)));
    return length > 0 ? std::wstring(name, static_cast<std::size_t>(length)) : std::wstring();
}

TFormatKind KindOf(UINT format)
{
    switch (format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
        return TFormatKind::Bitmap;
    case CF_PALETTE:
        return TFormatKind::Palette;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
        return TFormatKind::EnhMetaFile;
    // A metafile picture holds a metafile handle inside its block; the enhanced metafile that the
    // system offers beside it is captured instead, and the system converts it back.
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
    // Drawn by the clipboard's owner on request: there is no data to copy.
    case CF_OWNERDISPLAY:
        return TFormatKind::NotCopied;
    default:
        break;
    }
    // Handles of the owner's own kind, freed by the owner or deleted as unknown GDI objects.
    if ((format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) || (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST))
        return TFormatKind::NotCopied;
    // The OLE clipboard's record of its source object (a window and object of the program that
    // copied): meaningless once that program no longer owns the clipboard. The plain formats
    // beside them carry the data, from which OLE builds its object again.
    if (format >= 0xC000) {
        const std::wstring name = RegisteredFormatName(format);
        if (name == L"DataObject" || name == L"Ole Private Data")
            return TFormatKind::NotCopied;
    }
    return TFormatKind::Memory;
}

// ---- Copies of one format's data; nullopt when the data cannot be copied or is too large.

std::optional<std::vector<std::uint8_t>> CopyMemoryBlock(HANDLE data)
{
    const SIZE_T size = GlobalSize(data);
    if (size == 0 || size > TSaveClipboard::MaxFormatSize)
        return std::nullopt;
    const TGlobalLock lock(data);
    if (!lock.Data())
        return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(lock.Data());
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

TBitmapHandle CopyBitmap(HBITMAP bitmap) noexcept
{
    return TBitmapHandle(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
}

std::optional<TBitmapHandle> CopyBitmapFormat(HANDLE data)
{
    BITMAP info{};
    if (GetObjectW(data, sizeof(info), &info) != sizeof(info))
        return std::nullopt;
    const auto size = static_cast<std::uint64_t>(info.bmWidthBytes) * static_cast<std::uint64_t>(info.bmHeight);
    if (size > TSaveClipboard::MaxFormatSize)
        return std::nullopt;
    TBitmapHandle copy = CopyBitmap(static_cast<HBITMAP>(data));
    if (!copy)
        return std::nullopt;
    return copy;
}

TPaletteHandle CopyPalette(HPALETTE palette)
{
    const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
    if (count == 0)
        return nullptr;
    std::vector<std::uint8_t> buffer(offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    if (GetPaletteEntries(palette, 0, count, logical->palPalEntry) != count)
        return nullptr;
    return TPaletteHandle(CreatePalette(logical));
}

std::optional<TPaletteHandle> CopyPaletteFormat(HANDLE data)
{
    TPaletteHandle copy = CopyPalette(static_cast<HPALETTE>(data));
    if (!copy)
        return std::nullopt;
    return copy;
}

std::optional<TEnhMetaFileHandle> CopyEnhMetaFileFormat(HANDLE data)
{
    const auto metafile = static_cast<HENHMETAFILE>(data);
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0 || size > TSaveClipboard::MaxFormatSize)
        return std::nullopt;
    TEnhMetaFileHandle copy(CopyEnhMetaFileW(metafile, nullptr));
    if (!copy)
        return std::nullopt;
    return copy;
}

// A handle made for SetClipboardData, freed unless the clipboard took it over.
class TClipboardHandle {
public:
    using TFree = void (*)(HANDLE) noexcept;
    TClipboardHandle() noexcept = default;
    TClipboardHandle(HANDLE handle, TFree free) noexcept : FHandle(handle), FFree(free) {}
    TClipboardHandle(TClipboardHandle&& other) noexcept : FHandle(other.Release()), FFree(other.FFree) {}
    TClipboardHandle& operator=(TClipboardHandle&&) = delete;
    TClipboardHandle(const TClipboardHandle&) = delete;
    ~TClipboardHandle()
    {
        if (FHandle)
            FFree(FHandle);
    }
    HANDLE Get() const noexcept { return FHandle; }
    HANDLE Release() noexcept { return std::exchange(FHandle, nullptr); }

private:
    HANDLE FHandle = nullptr;
    TFree FFree = nullptr;
};

void FreeGlobal(HANDLE handle) noexcept { GlobalFree(handle); }
void FreeGdiObject(HANDLE handle) noexcept { DeleteObject(static_cast<HGDIOBJ>(handle)); }
void FreeEnhMetaFile(HANDLE handle) noexcept { DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle)); }

// A fresh handle for the clipboard made from one captured format's data; empty when the system
// could not make it (out of memory or GDI resources).
TClipboardHandle MakeClipboardHandle(const std::vector<std::uint8_t>& bytes)
{
    TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!memory)
        return {};
    {
        const TGlobalLock lock(memory.get());
        if (!lock.Data())
            return {};
        std::memcpy(lock.Data(), bytes.data(), bytes.size());
    }
    return {memory.release(), FreeGlobal};
}

TClipboardHandle MakeClipboardHandle(const TBitmapHandle& bitmap)
{
    return {CopyBitmap(bitmap.get()).release(), FreeGdiObject};
}

TClipboardHandle MakeClipboardHandle(const TPaletteHandle& palette)
{
    return {CopyPalette(palette.get()).release(), FreeGdiObject};
}

TClipboardHandle MakeClipboardHandle(const TEnhMetaFileHandle& metafile)
{
    return {CopyEnhMetaFileW(metafile.get(), nullptr), FreeEnhMetaFile};
}

} // namespace

TSaveClipboard::TSaveClipboard() : CF_RTF(RegisterClipboardFormatW(L"Rich Text Format")) {}

TSaveClipboard::~TSaveClipboard()
{
    ClearSnapshot();
}

void TSaveClipboard::ClearSnapshot() noexcept
{
    FFormats.clear();
}

HWND TSaveClipboard::OwnerWindow()
{
    if (!FWindow) {
        FWindow.reset(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr));
        if (!FWindow)
            throw EOSError(u"Cannot create the clipboard's window", GetLastError());
    }
    return FWindow.get();
}

void TSaveClipboard::Save()
{
    ClearSnapshot();
    std::optional<TClipboardOpen> open;
    OpenClipboardWithRetries(OwnerWindow(), open);

    std::vector<UINT> listed;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        listed.push_back(format);

    bool bitmapCaptured = false;
    for (const UINT format : listed) {
        // The first bitmap form listed is the one that was put there; the later ones are the
        // system's conversions of it, made again from the restored form.
        if (IsBitmapForm(format) && bitmapCaptured)
            continue;
        const TFormatKind kind = KindOf(format);
        if (kind == TFormatKind::NotCopied)
            continue;
        const HANDLE data = GetClipboardData(format);
        if (!data)
            continue;
        try {
            std::optional<TFormatData> copy;
            switch (kind) {
            case TFormatKind::Memory:
                if (auto bytes = CopyMemoryBlock(data))
                    copy.emplace(std::move(*bytes));
                break;
            case TFormatKind::Bitmap:
                if (auto bitmap = CopyBitmapFormat(data))
                    copy.emplace(std::move(*bitmap));
                break;
            case TFormatKind::Palette:
                if (auto palette = CopyPaletteFormat(data))
                    copy.emplace(std::move(*palette));
                break;
            case TFormatKind::EnhMetaFile:
                if (auto metafile = CopyEnhMetaFileFormat(data))
                    copy.emplace(std::move(*metafile));
                break;
            case TFormatKind::NotCopied:
                break;
            }
            if (!copy)
                continue;
            FFormats.push_back(TCapturedFormat{format, std::move(*copy)});
            if (IsBitmapForm(format))
                bitmapCaptured = true;
        } catch (const std::bad_alloc&) {
            // Not enough memory for this format's copy: the others are still worth keeping.
        }
    }
}

void TSaveClipboard::Restore()
{
    std::optional<TClipboardOpen> open;
    OpenClipboardWithRetries(OwnerWindow(), open);
    if (FFormats.empty())
        return;
    if (!EmptyClipboard())
        throw EOSError(u"Cannot empty the clipboard", GetLastError());

    // A format that cannot be set does not keep the ones after it from coming back; the first
    // failure is reported once all were tried.
    UINT failedFormat = 0;
    DWORD failure = ERROR_SUCCESS;
    for (const TCapturedFormat& captured : FFormats) {
        TClipboardHandle handle = std::visit([](const auto& value) { return MakeClipboardHandle(value); }, captured.Data);
        if (handle.Get() && SetClipboardData(captured.Format, handle.Get())) {
            handle.Release(); // the clipboard owns it now
            continue;
        }
        if (failedFormat == 0) {
            failedFormat = captured.Format;
            failure = GetLastError();
        }
    }
    if (failedFormat != 0)
        throw EOSError(u"Cannot restore clipboard format " + ToU16(std::to_wstring(failedFormat)), failure);
}

std::vector<UINT> TSaveClipboard::CapturedFormats() const
{
    std::vector<UINT> formats;
    formats.reserve(FFormats.size());
    for (const TCapturedFormat& captured : FFormats)
        formats.push_back(captured.Format);
    return formats;
}

} // namespace zel
