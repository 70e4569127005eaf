// Base for the COM objects of the stand-ins: exact reference counting with a process-wide count
// of live objects, QueryInterface for a list of interface IDs (all served by the object's
// IDispatch), GetIDsOfNames/Invoke by a table of named members (names compared without regard
// to letter case, as Outlook's type information does), named arguments, connection points, and
// failures that a test injects by member name.
//
//   class TFolder : public TStandinObject {
//   public:
//       TFolder() : TStandinObject(L"Folder", {IID_MAPIFolder}) {
//           AddProperty(L"Name", [this](const TCallArgs&) { return TOleVariant(FName); },
//                                [this](const TCallArgs& a) { FName = a.Value().AsString(); });
//           AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& a) { return Find(a.String(0)); });
//       }
//   };
//   ComPtr<TFolder> folder = MakeStandin<TFolder>();        // starts with one reference
//   folder->FailOn(L"Item", E_ACCESSDENIED);                // this object's Item now fails
//   InjectFailure(L"Folder.Display", E_FAIL);                // every folder's Display fails
//   EXPECT_EQ(folder->Calls(L"Item"), 1);                    // how often a member was invoked
//   EXPECT_EQ(LiveStandinObjects(), 0);                      // after everything was released
//
// A property's setter serves the kind of put that its declaration names, as an automation
// server's type information does: by value (propput, the default) or by reference (propputref,
// for objects), or both; a put of the other kind fails with DISP_E_MEMBERNOTFOUND.
//
//   AddProperty(L"CurrentFolder", get, put, TPutKind::Reference);   // Set x.CurrentFolder = f
//
// A member handler reports a failure by throwing TStandinError (code and description); the
// caller then sees DISP_E_EXCEPTION with the code in EXCEPINFO (or the code itself when it gave
// no EXCEPINFO). Injected failures look the same, so error paths are exercised as with Outlook.
// Derived classes answer further interfaces (custom ones) by overriding QueryExtra.
#pragma once

#include "outlook/OleVariant.h"

#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zel::standin {

// The number of stand-in objects (of every kind) alive now.
long LiveStandinObjects() noexcept;

// Failures injected for every object: the member is "Name" (any object) or "Type.Name".
// Besides the members of the name table, "QueryInterface" is not injectable (use Refuse), but
// "FindConnectionPoint", "Advise" and "Unadvise" are.
void InjectFailure(std::wstring_view member, HRESULT hr);
void ClearInjectedFailures();

class TStandinError {
public:
    explicit TStandinError(HRESULT code, std::wstring description = {}) : FCode(code), FDescription(std::move(description)) {}
    HRESULT Code() const noexcept { return FCode; }
    const std::wstring& Description() const noexcept { return FDescription; }

private:
    HRESULT FCode;
    std::wstring FDescription;
};

// The arguments of one call, in declared order (positional and named merged).
class TCallArgs {
public:
    size_t Count() const noexcept { return FSlots.size(); }
    bool Given(size_t i) const noexcept;
    // The argument as passed (possibly by reference); throws TStandinError(DISP_E_PARAMNOTFOUND)
    // when it was not given.
    const VARIANT& Arg(size_t i) const;
    std::wstring String(size_t i) const;
    std::int32_t Int(size_t i) const;
    bool Bool(size_t i) const;
    ComPtr<IDispatch> Dispatch(size_t i) const;
    // The new value of a property put.
    const TOleVariant& Value() const;
    // Whether the put was by reference (DISPATCH_PROPERTYPUTREF).
    bool PutByReference() const noexcept { return FByReference; }

private:
    friend class TStandinObject;
    std::vector<const VARIANT*> FSlots;
    TOleVariant FValue;
    bool FHasValue = false;
    bool FByReference = false;
};

// The kinds of property put a setter serves.
enum class TPutKind { Value, Reference, Both };

class TStandinObject;

// One connection point of an object for one outgoing (event) interface. Its reference count is
// its owner's. Sinks are asked for the event interface when they advise.
class TConnectionPoint final : public IConnectionPoint {
public:
    TConnectionPoint(TStandinObject& owner, const IID& eventIid) : FOwner(owner), FEventIid(eventIid) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;
    STDMETHODIMP GetConnectionInterface(IID* pIID) noexcept override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) noexcept override;
    STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) noexcept override;
    STDMETHODIMP Unadvise(DWORD dwCookie) noexcept override;
    STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) noexcept override;

    const IID& EventIid() const noexcept { return FEventIid; }
    size_t SinkCount() const noexcept { return FSinks.size(); }
    void DropSinks() noexcept { FSinks.clear(); }
    // Calls Invoke(dispid) on every sink advised now, with the arguments in declared order
    // (entries may be VT_BYREF so that sinks can write back). Returns the last failure, or S_OK.
    HRESULT Fire(DISPID dispid, std::vector<VARIANT> args = {});

private:
    TStandinObject& FOwner;
    IID FEventIid;
    DWORD FNextCookie = 1;
    std::map<DWORD, ComPtr<IDispatch>> FSinks;
};

class TStandinObject : public IDispatch, public IConnectionPointContainer {
public:
    TStandinObject(const TStandinObject&) = delete;
    TStandinObject& operator=(const TStandinObject&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;
    // IConnectionPointContainer (answered only by objects with connection points)
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) noexcept override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) noexcept override;

    IDispatch* Dispatch() noexcept { return static_cast<IDispatch*>(this); }
    const std::wstring& TypeName() const noexcept { return FTypeName; }
    ULONG RefCount() const noexcept { return FRefCount; }

    // Makes this object's member (or "FindConnectionPoint", "Advise", "Unadvise") fail with hr;
    // S_OK removes the failure.
    void FailOn(std::wstring_view member, HRESULT hr);
    // Makes QueryInterface refuse the interface.
    void Refuse(const IID& iid);
    // The failure injected for the member on this object or globally, S_OK when none.
    HRESULT InjectedFailure(std::wstring_view member) const;
    // How often the member was invoked through IDispatch (gets, puts and calls alike, failed
    // ones included): what a caller did to the object.
    int Calls(std::wstring_view member) const noexcept;

    TConnectionPoint* ConnectionPoint(const IID& eventIid) noexcept;

protected:
    using THandler = std::function<TOleVariant(const TCallArgs&)>;
    using TSetter = std::function<void(const TCallArgs&)>;

    TStandinObject(std::wstring typeName, std::initializer_list<IID> dispatchIids);
    virtual ~TStandinObject();

    // A property (getter, and setter when given; params for indexed properties). The setter
    // serves puts by value.
    void AddProperty(std::wstring name, THandler get, TSetter put = {}, std::vector<std::wstring> params = {});
    // A property whose setter serves the given kind of put.
    void AddProperty(std::wstring name, THandler get, TSetter put, TPutKind putKind);
    // A method with its parameter names in declared order (for named arguments).
    void AddMethod(std::wstring name, std::vector<std::wstring> params, THandler call);
    // Adds a connection point; the object then answers IConnectionPointContainer.
    TConnectionPoint& AddConnectionPoint(const IID& eventIid);
    // Further interfaces of a derived class: the interface pointer (not yet AddRef'd) or null.
    virtual void* QueryExtra(const IID& iid) noexcept;
    // Called once when the count drops to 0, before deletion: let go of references to others.
    virtual void BeforeDestroy() noexcept {}

private:
    struct TMember {
        std::wstring Name;
        DISPID Id;
        THandler Get;
        TSetter Put;
        std::vector<std::wstring> Params;
        TPutKind PutKind = TPutKind::Value;
        int Calls = 0;
    };
    TMember* MemberById(DISPID id) noexcept;
    // outside: the caller is not the process's program (see OutsideCalls.h).
    HRESULT InvokeMember(const TMember& member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                         EXCEPINFO* excep, UINT* argErr, bool outside);

    std::wstring FTypeName;
    std::vector<IID> FDispatchIids;
    std::vector<IID> FRefused;
    std::vector<TMember> FMembers;
    std::vector<std::unique_ptr<TConnectionPoint>> FConnectionPoints;
    std::map<std::wstring, HRESULT> FFailures;
    ULONG FRefCount = 1;
};

// Creates a stand-in object holding its first reference. (MinGW's ComPtr::Attach adds a
// reference, unlike Microsoft's, so the pointer is placed without it.)
template <class T, class... A>
ComPtr<T> MakeStandin(A&&... args)
{
    ComPtr<T> p;
    *p.GetAddressOf() = new T(std::forward<A>(args)...);
    return p;
}

// The stand-in object behind an interface pointer of this process, or null when the pointer is
// no stand-in object of the type T (a private interface ID answers with the object itself).
extern const IID IID_IStandinSelf;
template <class T>
T* StandinCast(IUnknown* object) noexcept
{
    if (!object)
        return nullptr;
    TStandinObject* self = nullptr;
    if (FAILED(object->QueryInterface(IID_IStandinSelf, reinterpret_cast<void**>(&self))) || !self)
        return nullptr;
    self->Release(); // the caller's reference keeps the object alive
    return dynamic_cast<T*>(self);
}

// Fills an EXCEPINFO for a failure and returns the HRESULT that Invoke gives back.
HRESULT ReportInvokeFailure(HRESULT code, std::wstring_view description, EXCEPINFO* excep) noexcept;
// Compares member names as automation does: without regard to letter case.
bool SameName(std::wstring_view a, std::wstring_view b) noexcept;

} // namespace zel::standin
