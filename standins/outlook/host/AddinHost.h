// Loading and unloading COM add-ins as Outlook does. The add-ins are the subkeys (ProgIDs) of
// HKEY_CURRENT_USER\Software\Microsoft\Office\Outlook\Addins, then of the same key under
// HKEY_LOCAL_MACHINE (a ProgID found in both is taken once, from HKCU), whose LoadBehavior is 3.
// Each is created by ProgID in process, asked for IDTExtensibility2, and connected:
//
//   TAddinHost host;
//   host.Load(FindRegisteredAddins(), application);  // OnConnection(ext_cm_Startup) each, timed
//   host.StartupComplete();                          // OnStartupComplete each
//   host.Shutdown();        // OnBeginShutdown, OnDisconnection(ext_dm_HostShutdown), Release
//   host.ReportUnload();    // DllCanUnloadNow of each add-in's DLL
//
// Every step prints what it did (see README.md); a failing add-in is reported and left out.
#pragma once

#include "outlook/Extensibility.h"
#include "outlook/OleVariant.h"
#include "platform/Handles.h"
#include "standins/common/StandinObject.h"

#include <string>
#include <vector>

namespace zel::standin::host {

inline constexpr const wchar_t* AddinsKeyPath = L"Software\\Microsoft\\Office\\Outlook\\Addins";
// Outlook's resiliency disables an add-in whose start-up takes longer than this.
inline constexpr double SlowConnectionMs = 1000.0;

struct TAddinEntry {
    std::wstring ProgId;
    std::wstring Hive;  // "HKCU" or "HKLM"; empty for one named on the command line only
    DWORD LoadBehavior = 0;
    std::wstring FriendlyName, Description;
};

// The add-ins that Outlook would load at start-up, HKCU first; filtered to `only` when not empty
// (a ProgID of `only` that no Addins key lists with LoadBehavior 3 is taken all the same).
std::vector<TAddinEntry> FindRegisteredAddins(const std::vector<std::wstring>& only = {});

// The add-in's instance object as Office hands it to OnConnection (a COMAddIn: ProgId,
// Description, Connect, Object, Guid).
class TStandinComAddin final : public TStandinObject {
public:
    TStandinComAddin(const TAddinEntry& entry, const CLSID& clsid);
    bool Connect = false;

protected:
    void BeforeDestroy() noexcept override { FObject.Reset(); }

private:
    std::wstring FProgId, FDescription, FGuid;
    ComPtr<IDispatch> FObject;
};

class TAddinHost {
public:
    TAddinHost() = default;
    TAddinHost(const TAddinHost&) = delete;
    TAddinHost& operator=(const TAddinHost&) = delete;
    ~TAddinHost();

    void Load(const std::vector<TAddinEntry>& addins, IDispatch* application, ext_ConnectMode mode = ext_cm_Startup);
    void StartupComplete();
    // The normal end: OnBeginShutdown to each, then OnDisconnection to each, then the host's
    // last reference to each add-in object and instance object is released.
    void Shutdown();
    // What Outlook's COM add-ins dialog does when the user unticks the add-ins: OnDisconnection
    // (ext_dm_UserClosed) to each, then the host's references released.
    void Disconnect();
    // After Shutdown: prints each add-in DLL's DllCanUnloadNow answer (before the libraries are
    // freed) and returns the DLL paths.
    std::vector<std::wstring> ReportUnload() const;
    // Frees the libraries that per-user classes were loaded from (COM frees the others).
    void FreePerUserLibraries() noexcept { FPerUserLibraries.clear(); }
    size_t Count() const noexcept { return FLoaded.size(); }

private:
    struct TLoaded {
        TAddinEntry Entry;
        std::wstring Dll;
        ComPtr<IDTExtensibility2> Addin;
        ComPtr<TStandinComAddin> Instance;
    };
    void LoadOne(const TAddinEntry& entry, IDispatch* application, ext_ConnectMode mode);
    // OnDisconnection to each add-in, then the host's references to each released.
    void DisconnectAll(ext_DisconnectMode mode);
    // Creates the object of a class registered for the current user only, as Windows' merged
    // view of the classes would: Wine's HKEY_CLASSES_ROOT shows the machine's classes alone.
    HRESULT CreatePerUser(const std::wstring& progId, CLSID& clsid, std::wstring& dll, ComPtr<IUnknown>& object);
    std::vector<TLoaded> FLoaded;
    std::vector<std::wstring> FDlls;
    // The libraries loaded for per-user classes, freed after the report of their unloading.
    std::vector<TLibraryHandle> FPerUserLibraries;
};

} // namespace zel::standin::host
