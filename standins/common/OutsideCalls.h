// The calls that the stand-ins receive from their caller, recorded and failed on purpose, so that
// a test can list every outside call of a scenario and then replay it with one of them failing.
// The plan is read from the environment, which the stand-in Outlook program passes on to what it
// loads (the extended-MAPI stand-in, the mail client) and a test passes on to the program:
//
//   ZEL_STANDIN_CALLS=<file>         every call is appended to the file, one line each:
//                                      call <Type.Member>           (object for a call whose
//                                      call <Type.Member> object     answer is an object)
//                                      fault <Type.Member> <kind>   (the call was made to fail)
//                                      sink-failed <Type> <dispid> 0x<HRESULT>   (an event sink
//                                        answered an event with a failure)
//   ZEL_STANDIN_FAULT=<Type.Member>=<kind>   that member fails at every call (letter case ignored):
//                                      error      a failure code with error information
//                                                 (InjectedFaultCode, "Injected failure of <call>")
//                                      null       the call succeeds, but its object is null
//                                      exception  the stand-in's own code raises an exception,
//                                                 which its boundary turns into E_UNEXPECTED
//                                                 without error information
//
// Lines are appended with one write each, so that the modules and processes of a scenario can
// share the file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zel::standin {

enum class TFaultKind { None, Error, Null, Exception };

inline constexpr HRESULT InjectedFaultCode = static_cast<HRESULT>(0x80047A11);
inline constexpr wchar_t CallsFileVariable[] = L"ZEL_STANDIN_CALLS";
inline constexpr wchar_t FaultVariable[] = L"ZEL_STANDIN_FAULT";

// "error", "null", "exception"; None for an unknown word.
TFaultKind FaultKindFromName(std::wstring_view name) noexcept;
const wchar_t* FaultKindName(TFaultKind kind) noexcept;

// The fault planned for the call ("Type.Member"), None when there is none.
TFaultKind PlannedFault(std::wstring_view call) noexcept;
// The text of the error kind's failure.
std::wstring InjectedFaultDescription(std::wstring_view call);

// Whether the code at the address (a caller's return address) belongs to a module other than the
// process's program: only those calls are recorded and failed, so that the stand-in Outlook
// program's own look at its state (its "state" lines read the drafts) is neither counted nor
// broken.
bool IsOutsideCaller(const void* returnAddress) noexcept;

// Appends a line to the calls file, when there is one.
void RecordOutsideCall(std::wstring_view call, bool objectAnswer) noexcept;
void RecordFault(std::wstring_view call, TFaultKind kind) noexcept;
void RecordSinkFailure(std::wstring_view type, long dispid, HRESULT hr) noexcept;

} // namespace zel::standin
