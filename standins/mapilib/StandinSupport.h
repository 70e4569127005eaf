// Small services of the stand-in library: file content for attachments, and the switch with
// which a test makes the library reject a recipient.
#pragma once

#include <string>
#include <vector>

namespace zel::standin {

// The whole content of a file; raises TStandinError with the system's error when it cannot be read.
std::vector<char> ReadFileContent(const std::wstring& path);
// Creates or replaces a file with the content; raises TStandinError on failure.
void WriteFileContent(const std::wstring& path, const std::vector<char>& content);

// The environment variable that names a recipient text the library rejects (exact match), so
// that tests can make Recipients.Add fail; unset, every text is accepted.
inline constexpr wchar_t RejectRecipientVariable[] = L"ZELRE_REJECT_RECIPIENT";
bool IsRejectedRecipient(const std::wstring& name);

} // namespace zel::standin
