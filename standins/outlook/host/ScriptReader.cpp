#include "standins/outlook/host/ScriptReader.h"

#include "platform/Handles.h"
#include "standins/outlook/host/HostApp.h"

#include <memory>

namespace zel::standin::host {

namespace {

struct TReader {
    HANDLE Input;
    bool OwnsInput;
    HWND Target;
};

void Post(HWND target, const std::string& bytes)
{
    std::string line = bytes;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    auto text = std::make_unique<std::wstring>();
    if (!line.empty()) {
        const int size = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        text->resize(static_cast<size_t>(size));
        MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), text->data(), size);
    }
    if (PostMessageW(target, WM_SCRIPT_LINE, 0, reinterpret_cast<LPARAM>(text.get())))
        static_cast<void>(text.release());
}

DWORD WINAPI ReadLines(void* parameter)
{
    std::unique_ptr<TReader> reader(static_cast<TReader*>(parameter));
    std::string pending;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader->Input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        pending.append(buffer, read);
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            Post(reader->Target, pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    if (!pending.empty())
        Post(reader->Target, pending);
    if (reader->OwnsInput)
        CloseHandle(reader->Input);
    PostMessageW(reader->Target, WM_SCRIPT_END, 0, 0);
    return 0;
}

} // namespace

bool StartScriptReader(const std::wstring& script, HWND target, std::wstring& error)
{
    auto reader = std::make_unique<TReader>();
    reader->Target = target;
    if (script == L"-") {
        reader->Input = GetStdHandle(STD_INPUT_HANDLE);
        reader->OwnsInput = false;
    } else {
        reader->Input = CreateFileW(script.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        reader->OwnsInput = true;
    }
    if (!reader->Input || reader->Input == INVALID_HANDLE_VALUE) {
        error = L"the script cannot be read (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    const TKernelHandle thread(CreateThread(nullptr, 0, ReadLines, reader.get(), 0, nullptr));
    if (!thread) {
        if (reader->OwnsInput)
            CloseHandle(reader->Input);
        error = L"the script's reader cannot start";
        return false;
    }
    static_cast<void>(reader.release());
    return true;
}

} // namespace zel::standin::host
