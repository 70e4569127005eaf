// The whole screen saved as a PNG file (through the Windows Imaging Component).
#pragma once

#include <string>

namespace zel::standin::host {

// False when the picture could not be taken or written.
bool SaveScreenToPng(const std::wstring& file) noexcept;

} // namespace zel::standin::host
