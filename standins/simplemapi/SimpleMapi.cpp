// The stand-in Simple MAPI mail client: the twelve Simple MAPI exports, of which only
// MAPISendMail does something (it records the call and answers as the test configured it),
// and its registration as the system's default mail client.
//
// Configuration, in the client's own key HKEY_LOCAL_MACHINE\SOFTWARE\Clients\Mail\ZelStandinMail
// (the process's default registry view):
//   "RecordFile"    REG_SZ     when set, each call writes its record there (see MailRecord.h)
//   "Result"        REG_DWORD  what MAPISendMail returns (default 0, SUCCESS_SUCCESS)
//   "ComposeWindow" REG_DWORD  1: show the compose window after recording and answer with the
//                              user's choice instead of "Result" (see ComposeWindow.h)
#include "standins/common/OutsideCalls.h"
#include "standins/simplemapi/ComposeWindow.h"
#include "standins/simplemapi/MailRecord.h"

#include "platform/Handles.h"

#include <optional>
#include <string>

#include <windows.h>

#include <mapi.h>

namespace zel::standin {
namespace {

HINSTANCE GModule = nullptr;

constexpr wchar_t ClientName[] = L"ZelStandinMail";
constexpr wchar_t ClientDisplayName[] = L"Zel Stand-in Mail";
constexpr wchar_t MailClientsKey[] = L"SOFTWARE\\Clients\\Mail";
constexpr wchar_t ClientKey[] = L"SOFTWARE\\Clients\\Mail\\ZelStandinMail";

TRegKey OpenClientKey()
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClientKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return TRegKey(static_cast<HKEY>(nullptr));
    return TRegKey(raw);
}

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (!key || RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    return text;
}

DWORD ReadDword(HKEY key, const wchar_t* name, DWORD fallback)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key || RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return fallback;
    return value;
}

std::wstring ModuleFileName()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(GModule, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

LSTATUS SetString(HKEY root, const wchar_t* keyPath, const wchar_t* name, const std::wstring& value)
{
    HKEY raw = nullptr;
    const LSTATUS status = RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                           &raw, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const TRegKey key(raw);
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Removes the default value of the root's mail clients key when it names this client.
LSTATUS ResetDefaultClient(HKEY root)
{
    HKEY raw = nullptr;
    LSTATUS status = RegOpenKeyExW(root, MailClientsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &raw);
    if (status == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS)
        return status;
    const TRegKey key(raw);
    const std::optional<std::wstring> current = ReadString(key.get(), nullptr);
    if (!current || CompareStringOrdinal(current->c_str(), -1, ClientName, -1, TRUE) != CSTR_EQUAL)
        return ERROR_SUCCESS;
    status = RegDeleteValueW(key.get(), nullptr);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

ULONG SendMail(LHANDLE session, ULONG_PTR uiParam, const MapiMessage* message, FLAGS flags, ULONG reserved)
{
    const TRegKey key = OpenClientKey();
    const std::wstring recordFile = ReadString(key.get(), L"RecordFile").value_or(std::wstring());
    std::string record;
    if (!recordFile.empty()) {
        record = MailRecordText(session, uiParam, message, flags, reserved);
        WriteRecordFile(recordFile, record);
    }
    if (ReadDword(key.get(), L"ComposeWindow", 0) == 1) {
        const auto parent = reinterpret_cast<HWND>(uiParam);
        const ULONG result = RunComposeWindow(GModule, IsWindow(parent) ? parent : nullptr, message);
        if (result == MAPI_E_FAILURE && !recordFile.empty())
            WriteRecordFile(recordFile, record + ComposeWindowErrorLine(GetLastError()));
        return result;
    }
    return ReadDword(key.get(), L"Result", SUCCESS_SUCCESS);
}

} // namespace
} // namespace zel::standin

using namespace zel::standin;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        GModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" {

ULONG WINAPI MAPISendMail(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage, FLAGS flFlags,
                          ULONG ulReserved)
{
    try {
        // A planned fault makes the client fail as a broken one does: MAPI_E_FAILURE, nothing sent.
        RecordOutsideCall(L"SimpleMapi.MAPISendMail", false);
        if (const TFaultKind fault = PlannedFault(L"SimpleMapi.MAPISendMail"); fault == TFaultKind::Error) {
            RecordFault(L"SimpleMapi.MAPISendMail", fault);
            return MAPI_E_FAILURE;
        }
        return SendMail(lhSession, ulUIParam, lpMessage, flFlags, ulReserved);
    } catch (...) {
        return MAPI_E_FAILURE;
    }
}

ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPILogoff(LHANDLE, ULONG_PTR, FLAGS, ULONG)
{
    return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPISendDocuments(ULONG_PTR, LPSTR, LPSTR, LPSTR, ULONG)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPIFindNext(LHANDLE, ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPSTR)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPIReadMail(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiMessage*)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPISaveMail(LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG, LPSTR)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPIDeleteMail(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG)
{
    return MAPI_E_NOT_SUPPORTED;
}

// The client never hands out memory, so there is nothing to free.
ULONG WINAPI MAPIFreeBuffer(LPVOID)
{
    return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPIAddress(LHANDLE, ULONG_PTR, LPSTR, ULONG, LPSTR, ULONG, lpMapiRecipDesc, FLAGS, ULONG, LPULONG,
                         lpMapiRecipDesc*)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPIDetails(LHANDLE, ULONG_PTR, lpMapiRecipDesc, FLAGS, ULONG)
{
    return MAPI_E_NOT_SUPPORTED;
}

ULONG WINAPI MAPIResolveName(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiRecipDesc*)
{
    return MAPI_E_NOT_SUPPORTED;
}

// Registers this library as the system's default mail client: the client's key with its
// display name and library paths, and the default values of the machine's and the user's mail
// clients keys naming it.
HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        const std::wstring path = ModuleFileName();
        if (path.empty())
            return HRESULT_FROM_WIN32(GetLastError());
        const LSTATUS results[] = {
            SetString(HKEY_LOCAL_MACHINE, ClientKey, nullptr, ClientDisplayName),
            SetString(HKEY_LOCAL_MACHINE, ClientKey, L"DLLPath", path),
            SetString(HKEY_LOCAL_MACHINE, ClientKey, L"DLLPathEx", path),
            SetString(HKEY_LOCAL_MACHINE, MailClientsKey, nullptr, ClientName),
            SetString(HKEY_CURRENT_USER, MailClientsKey, nullptr, ClientName),
        };
        for (const LSTATUS status : results)
            if (status != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(status);
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Removes the client's key and the default values that name it; what is missing already is no
// error.
HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    try {
        LSTATUS results[] = {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClientKey),
            ResetDefaultClient(HKEY_LOCAL_MACHINE),
            ResetDefaultClient(HKEY_CURRENT_USER),
        };
        for (const LSTATUS status : results)
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
                return HRESULT_FROM_WIN32(status);
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // extern "C"
