// The stand-in Outlook with an extended-MAPI session of the stand-in library over it, as the
// settings window sets them up: zelre.dll registered for the current user (its ProgID resolves),
// loaded through the loader, the session given Outlook's MAPIOBJECT. COM must be initialised on
// the thread for the object's whole life.
//
//   standins.Release();                                  // the session, then Outlook
//   EXPECT_EQ(standin::LiveStandinObjects(), 0);          // Outlook's objects (this program's)
//   EXPECT_EQ(standins.LiveLibraryObjects(), 0);          // the library's (zelre.dll's own count)
#pragma once

#include "mapi/uRedemptionLoader.h"
#include "platform/Handles.h"
#include "outlook/LateBinding.h"
#include "standins/outlook/StandinOutlook.h"
#include "support/ZelreRegistration.h"

#include <memory>
#include <string>

namespace zel::testing {

class TStandinOutlookWithSession {
public:
    explicit TStandinOutlookWithSession(const std::wstring& zelreDll)
        : FLibrary(LoadLibraryW(zelreDll.c_str())), FRegistration(std::make_unique<TZelreRegistration>(zelreDll))
    {
        FLoader.SetDllLocation(zelreDll);
        FOutlook = standin::TStandinApplication::Create();
        FSession = FLoader.new_RDOSession();
        OlePut(FSession.Get(), L"MAPIOBJECT", OleGet(OleGet(FOutlook->Dispatch(), L"Session"), L"MAPIOBJECT"));
    }
    ~TStandinOutlookWithSession() { Release(); }
    TStandinOutlookWithSession(const TStandinOutlookWithSession&) = delete;
    TStandinOutlookWithSession& operator=(const TStandinOutlookWithSession&) = delete;

    // Releases the session and the stand-in Outlook (with what its folders hold); afterwards
    // only the counts below may be asked for.
    void Release() noexcept
    {
        standin::ClearInjectedFailures();
        FSession.Reset();
        FOutlook.Reset();
    }
    // The number of objects of the stand-in library alive now; -1 when the library cannot say.
    long LiveLibraryObjects() const
    {
        using TCount = LONG WINAPI();
        auto count = reinterpret_cast<TCount*>(
            reinterpret_cast<void*>(FLibrary ? GetProcAddress(FLibrary.get(), "ZelreLiveObjects") : nullptr));
        return count ? count() : -1;
    }

    bool Registered() const noexcept { return FRegistration && FRegistration->Registered(); }
    // Ends the registration: "zelre.SafeInspector" no longer resolves.
    void Unregister() { FRegistration.reset(); }

    standin::TStandinApplication* Outlook() const noexcept { return FOutlook.Get(); }
    IDispatch* NameSpace() const noexcept { return FOutlook->NameSpace()->Dispatch(); }
    IDispatch* Session() const noexcept { return FSession.Get(); }
    TRedemptionLoader& Loader() noexcept { return FLoader; }

private:
    // This object's own reference to the library, so that its count can be read until the end.
    TLibraryHandle FLibrary;
    std::unique_ptr<TZelreRegistration> FRegistration;
    TRedemptionLoader FLoader;
    ComPtr<standin::TStandinApplication> FOutlook;
    ComPtr<IDispatch> FSession;
};

} // namespace zel::testing
