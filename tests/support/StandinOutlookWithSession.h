// The stand-in Outlook with an extended-MAPI session of the stand-in library over it, as the
// settings window sets them up: zelre.dll registered for the current user (its ProgID resolves),
// loaded through the loader, the session given Outlook's MAPIOBJECT. COM must be initialised on
// the thread for the object's whole life.
#pragma once

#include "mapi/uRedemptionLoader.h"
#include "outlook/LateBinding.h"
#include "outlook/StandinOutlook.h"
#include "support/ZelreRegistration.h"

#include <memory>
#include <string>

namespace zel::testing {

class TStandinOutlookWithSession {
public:
    explicit TStandinOutlookWithSession(const std::wstring& zelreDll)
        : FRegistration(std::make_unique<TZelreRegistration>(zelreDll))
    {
        FLoader.SetDllLocation(zelreDll);
        FOutlook = standin::TStandinApplication::Create();
        FSession = FLoader.new_RDOSession();
        OlePut(FSession.Get(), L"MAPIOBJECT", OleGet(OleGet(FOutlook->Dispatch(), L"Session"), L"MAPIOBJECT"));
    }
    ~TStandinOutlookWithSession()
    {
        standin::ClearInjectedFailures();
        FSession.Reset();
        FOutlook.Reset();
    }
    TStandinOutlookWithSession(const TStandinOutlookWithSession&) = delete;
    TStandinOutlookWithSession& operator=(const TStandinOutlookWithSession&) = delete;

    bool Registered() const noexcept { return FRegistration && FRegistration->Registered(); }
    // Ends the registration: "zelre.SafeInspector" no longer resolves.
    void Unregister() { FRegistration.reset(); }

    standin::TStandinApplication* Outlook() const noexcept { return FOutlook.Get(); }
    IDispatch* NameSpace() const noexcept { return FOutlook->NameSpace()->Dispatch(); }
    IDispatch* Session() const noexcept { return FSession.Get(); }
    TRedemptionLoader& Loader() noexcept { return FLoader; }

private:
    std::unique_ptr<TZelreRegistration> FRegistration;
    TRedemptionLoader FLoader;
    ComPtr<standin::TStandinApplication> FOutlook;
    ComPtr<IDispatch> FSession;
};

} // namespace zel::testing
