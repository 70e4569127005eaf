#include "addin/ButtonFace.h"

#include "platform/Exceptions.h"
#include "platform/WideText.h"

#include <cstddef>
#include <string>

namespace zel {
namespace {

std::uint16_t ReadWord(std::span<const std::uint8_t> bytes, std::size_t at) noexcept
{
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadDword(std::span<const std::uint8_t> bytes, std::size_t at) noexcept
{
    return static_cast<std::uint32_t>(ReadWord(bytes, at)) | (static_cast<std::uint32_t>(ReadWord(bytes, at + 2)) << 16);
}

// An icon file: a 6-byte header (0, type 1, entry count), then 16 bytes per entry (width and
// height, 0 meaning 256; colour count; reserved; planes; bits per pixel; image size; offset).
constexpr std::size_t HeaderSize = 6;
constexpr std::size_t EntrySize = 16;

[[noreturn]] void NoIconFile()
{
    throw EOSError(u"The icon resource is no icon file", static_cast<std::uint32_t>(ERROR_INVALID_DATA));
}

// The resource's name for messages: its text, or "#" and its number.
std::u16string ResourceNameText(const wchar_t* resName)
{
    if (IS_INTRESOURCE(resName))
        return u"#" + ToU16(std::to_wstring(reinterpret_cast<std::uintptr_t>(resName)));
    return ToU16(resName);
}

} // namespace

std::span<const std::uint8_t> IconFileImage(std::span<const std::uint8_t> file, int size)
{
    if (file.size() < HeaderSize || ReadWord(file, 0) != 0 || ReadWord(file, 2) != 1)
        NoIconFile();
    const std::size_t count = ReadWord(file, 4);
    if (count == 0 || file.size() < HeaderSize + count * EntrySize)
        NoIconFile();
    std::size_t chosen = 0;
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t entry = HeaderSize + index * EntrySize;
        const int width = file[entry] == 0 ? 256 : file[entry];
        const int height = file[entry + 1] == 0 ? 256 : file[entry + 1];
        if (width == size && height == size) {
            chosen = index;
            break;
        }
    }
    const std::size_t entry = HeaderSize + chosen * EntrySize;
    const std::uint64_t length = ReadDword(file, entry + 8);
    const std::uint64_t offset = ReadDword(file, entry + 12);
    if (length == 0 || offset + length > file.size())
        NoIconFile();
    return file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

TBitmapHandle MakeButtonFace(HMODULE module, const wchar_t* resName)
{
    // Resource names compare without regard to case: "fish" finds the resource FISH.
    const HRSRC resource = FindResourceW(module, resName, MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!resource)
        throw EOSError(u"Cannot find the icon resource \"" + ResourceNameText(resName) + u"\"", GetLastError());
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD dataSize = SizeofResource(module, resource);
    if (!data || dataSize == 0)
        throw EOSError(u"Cannot load the icon resource \"" + ResourceNameText(resName) + u"\"", GetLastError());

    const std::span<const std::uint8_t> image =
        IconFileImage({static_cast<const std::uint8_t*>(data), dataSize}, ButtonFaceSize);
    // The call takes a writable pointer but only reads the image.
    const TIconHandle icon(CreateIconFromResourceEx(const_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()),
        TRUE, 0x00030000, ButtonFaceSize, ButtonFaceSize, LR_DEFAULTCOLOR));
    if (!icon)
        throw EOSError(u"Cannot make the icon of the resource \"" + ResourceNameText(resName) + u"\"", GetLastError());

    const TScreenDC screen;
    const TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    TBitmapHandle face(CreateCompatibleBitmap(screen.Get(), ButtonFaceSize, ButtonFaceSize));
    if (!memory || !face)
        throw EOSError(u"Cannot make the button's face bitmap", GetLastError());
    {
        const TSelection selected(memory.get(), face.get());
        const RECT all{0, 0, ButtonFaceSize, ButtonFaceSize};
        FillRect(memory.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
        if (!DrawIconEx(memory.get(), 0, 0, icon.get(), ButtonFaceSize, ButtonFaceSize, 0, nullptr, DI_NORMAL))
            throw EOSError(u"Cannot draw the icon on the button's face", GetLastError());
    }
    return face;
}

} // namespace zel
