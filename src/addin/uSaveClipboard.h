// TSaveClipboard: a snapshot of the clipboard's contents, written back later, so that an operation
// that must pass data through the shared clipboard (the toolbar button's face) leaves the user's
// clipboard as it found it.
//
// Save captures every format whose data can be copied, in the order the clipboard lists them:
// memory-block formats (text, rich text, HTML, file lists, device-independent bitmaps, registered
// formats), bitmaps, palettes and enhanced metafiles. Left out are formats whose data is no copyable
// value (owner-display, private and GDI-object ranges, the OLE clipboard's bookkeeping of its source
// object), the metafile picture (the enhanced metafile is captured and the system converts it back),
// the system's own conversions of a bitmap to the other bitmap forms (only the first bitmap form
// listed, the one that was put there, is kept; the others are converted again after Restore) and
// any single format larger than MaxFormatSize.
//
// The clipboard is opened once per Save and once per Restore on a message-only window of the
// object's own; when another program holds it open, a few short retries are made and then EOSError
// is raised ("Cannot open clipboard: ...").
#pragma once

#include "platform/Handles.h"

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include <windows.h>

namespace zel {

class TSaveClipboard {
public:
    // A single format larger than this many bytes is not captured.
    static constexpr std::size_t MaxFormatSize = 64u * 1024u * 1024u;

    // Registers "Rich Text Format" (CF_RTF); the snapshot starts empty.
    TSaveClipboard();
    ~TSaveClipboard();
    TSaveClipboard(const TSaveClipboard&) = delete;
    TSaveClipboard& operator=(const TSaveClipboard&) = delete;

    // Replaces the snapshot with the clipboard's current contents. Raises EOSError when the
    // clipboard cannot be opened (the snapshot is then empty).
    void Save();
    // Writes the snapshot back: empties the clipboard and sets every captured format in its
    // original order. An empty snapshot opens and closes the clipboard without emptying it, so
    // whatever was put there meanwhile stays. The snapshot stays as it is: Restore may be called
    // again. Raises EOSError when the clipboard cannot be opened, or after setting all the others
    // when a format could not be set.
    void Restore();

    // The formats captured by the last Save, in order.
    std::vector<UINT> CapturedFormats() const;
    std::size_t FormatCount() const noexcept { return FFormats.size(); }

    // Id of the clipboard format registered under the name "Rich Text Format".
    const UINT CF_RTF;

private:
    // The data of one captured format, owned by the snapshot.
    using TFormatData = std::variant<std::vector<std::uint8_t>, TBitmapHandle, TPaletteHandle, TEnhMetaFileHandle>;
    struct TCapturedFormat {
        UINT Format;
        TFormatData Data;
    };

    void ClearSnapshot() noexcept;
    // The message-only window the clipboard is opened for, made at the first need.
    HWND OwnerWindow();

    std::vector<TCapturedFormat> FFormats;
    TWindowHandle FWindow;
};

} // namespace zel
