#include "outlook/LateBinding.h"

#include "support/ComApartment.h"
#include "standins/common/StandinObject.h"
#include "platform/Exceptions.h"
#include "support/RaiseCounter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zel {
namespace {

using standin::MakeStandin;
using standin::TCallArgs;
using standin::TStandinError;
using standin::TPutKind;
using standin::TStandinObject;

::testing::Environment* const GApartment = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

// A callee whose members record how they were called.
class TRecorder : public TStandinObject {
public:
    TRecorder() : TStandinObject(L"Recorder", {})
    {
        AddProperty(L"Caption", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FCaption)); },
                    [this](const TCallArgs& a) { FCaption = a.Value().AsString(); });
        // An object property declared by reference (propputref), and one declared by value.
        AddProperty(L"Child", [this](const TCallArgs&) { return TOleVariant(FChild.Get()); },
                    [this](const TCallArgs& a) { FChild = a.Value().AsDispatch(); Record(L"Child", a); },
                    TPutKind::Reference);
        AddProperty(L"Owner", [this](const TCallArgs&) { return TOleVariant(FOwner.Get()); },
                    [this](const TCallArgs& a) { FOwner = a.Value().AsDispatch(); Record(L"Owner", a); });
        // Describes its arguments: "type=<v>;Temporary=<v>;", "-" for each one not given.
        AddMethod(L"Add", {L"type", L"Temporary", L"Before"}, [](const TCallArgs& a) {
            std::wstring text;
            for (size_t i = 0; i < a.Count(); ++i)
                text += (a.Given(i) ? a.String(i) : std::wstring(L"-")) + L";";
            return TOleVariant(std::wstring_view(text));
        });
        AddMethod(L"Refuse", {}, [](const TCallArgs&) -> TOleVariant {
            throw TStandinError(E_ACCESSDENIED, L"No access");
        });
    }
    std::wstring FCaption = L"initial";
    ComPtr<IDispatch> FChild, FOwner;
    // The object puts that arrived: "<property> by reference" or "<property> by value".
    std::vector<std::wstring> FObjectPuts;

protected:
    void BeforeDestroy() noexcept override
    {
        FChild.Reset();
        FOwner.Reset();
    }

private:
    void Record(const wchar_t* property, const TCallArgs& a)
    {
        FObjectPuts.push_back(std::wstring(property) + (a.PutByReference() ? L" by reference" : L" by value"));
    }
};

class LateBinding : public ::testing::Test {
protected:
    void TearDown() override
    {
        obj.Reset();
        standin::ClearInjectedFailures();
        EXPECT_EQ(standin::LiveStandinObjects(), 0);
    }
    ComPtr<TRecorder> obj = MakeStandin<TRecorder>();
};

TEST_F(LateBinding, GetsAndPutsAPropertyByName)
{
    EXPECT_EQ(OleGet(obj->Dispatch(), L"caption").AsString(), L"initial");
    OlePut(obj->Dispatch(), L"Caption", TOleVariant(L"Zelkor Hotkeys"));
    EXPECT_EQ(obj->FCaption, L"Zelkor Hotkeys");
}

TEST_F(LateBinding, PutsAnObjectByReference)
{
    ComPtr<TRecorder> child = MakeStandin<TRecorder>();
    OlePut(obj->Dispatch(), L"Child", TOleVariant(child->Dispatch()));
    EXPECT_EQ(obj->FChild.Get(), child->Dispatch());
    TOleVariant got = OleGet(obj->Dispatch(), L"Child");
    EXPECT_EQ(got.AsDispatch().Get(), child->Dispatch());
}

struct PutCase {
    const char* name;
    const wchar_t* property;
    std::vector<std::wstring> arrived; // the object puts the callee saw
    int attempts;                      // the puts tried on the member
};

class LateBindingObjectPuts : public LateBinding, public ::testing::WithParamInterface<PutCase> {};

TEST_P(LateBindingObjectPuts, TakeTheKindTheCalleeDeclaresAndRaiseNothing)
{
    const PutCase& c = GetParam();
    ComPtr<TRecorder> child = MakeStandin<TRecorder>();
    {
        testing::TRaiseCounter raises;
        OlePut(obj->Dispatch(), c.property, TOleVariant(child->Dispatch()));
        EXPECT_EQ(raises.Count(), 0) << "a put by reference that the callee refuses is no failure";
    }
    EXPECT_EQ(obj->FObjectPuts, c.arrived);
    EXPECT_EQ(obj->Calls(c.property), c.attempts);
    EXPECT_EQ(OleGet(obj->Dispatch(), c.property).AsDispatch().Get(), child->Dispatch());
}

INSTANTIATE_TEST_SUITE_P(Table, LateBindingObjectPuts, ::testing::Values(
    PutCase{"DeclaredByReference", L"Child", {L"Child by reference"}, 1},
    PutCase{"DeclaredByValue", L"Owner", {L"Owner by value"}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LateBinding, AFailedObjectPutRaisesOnceWithTheCalleesCode)
{
    ComPtr<TRecorder> child = MakeStandin<TRecorder>();
    const struct {
        const wchar_t* property;
        std::u16string message;
    } cases[] = {{L"Child", u"0x80070005: Injected failure of Recorder.Child"},
                 {L"Owner", u"0x80070005: Injected failure of Recorder.Owner"}};
    for (const auto& c : cases) {
        obj->FailOn(c.property, E_ACCESSDENIED);
        testing::TRaiseCounter raises;
        try {
            OlePut(obj->Dispatch(), c.property, TOleVariant(child->Dispatch()));
            ADD_FAILURE() << "no exception";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<std::int32_t>(E_ACCESSDENIED));
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(raises.Count(), 1) << "one raise, for the failure itself";
    }
    // The put by reference failed for a reason of its own: no put by value was tried after it.
    EXPECT_EQ(obj->Calls(L"Child"), 1);
    EXPECT_EQ(obj->Calls(L"Owner"), 2);
    EXPECT_TRUE(obj->FObjectPuts.empty());
}

struct ArgCase {
    const char* name;
    std::vector<TOleVariant> positional;
    bool named;
    std::wstring expected;
};

class LateBindingArguments : public LateBinding, public ::testing::WithParamInterface<ArgCase> {};

TEST_P(LateBindingArguments, ReachTheCalleeInDeclaredOrder)
{
    const ArgCase& c = GetParam();
    TOleVariant result;
    if (c.named)
        result = OleCall(obj->Dispatch(), L"Add", {},
                         {{L"Temporary", TOleVariant(true)}, {L"type", TOleVariant(std::int32_t{1})}});
    else
        result = OleInvoke(obj->Dispatch(), L"Add", DISPATCH_METHOD, c.positional, {});
    EXPECT_EQ(result.AsString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, LateBindingArguments, ::testing::Values(
    ArgCase{"None", {}, false, L"-;-;-;"},
    ArgCase{"Positional", {TOleVariant(std::int32_t{1}), TOleVariant(L"x")}, false, L"1;x;-;"},
    ArgCase{"MissingInTheMiddle", {TOleVariant(std::int32_t{1}), TOleVariant::NotGiven(), TOleVariant(L"y")}, false, L"1;-;y;"},
    ArgCase{"Named", {}, true, L"1;-1;-;"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    std::function<void(IDispatch*)> call;
    std::int32_t code;
    std::u16string message;
};

class LateBindingFailures : public LateBinding, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LateBindingFailures, RaiseEOleSysErrorWithTheHResult)
{
    const FailureCase& c = GetParam();
    obj->FailOn(L"Caption", static_cast<HRESULT>(0x80040109));
    try {
        c.call(obj->Dispatch());
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), c.code);
        EXPECT_EQ(e.Message(), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LateBindingFailures, ::testing::Values(
    FailureCase{"UnknownName", [](IDispatch* d) { OleGet(d, L"Nothing"); },
                static_cast<std::int32_t>(DISP_E_UNKNOWNNAME), u"0x80020006"},
    FailureCase{"UnknownNamedArgument", [](IDispatch* d) { OleCall(d, L"Add", {}, {{L"Bogus", TOleVariant(true)}}); },
                static_cast<std::int32_t>(DISP_E_UNKNOWNNAME), u"0x80020006"},
    FailureCase{"CalleeException", [](IDispatch* d) { OleCall(d, L"Refuse"); },
                static_cast<std::int32_t>(E_ACCESSDENIED), u"0x80070005: No access"},
    FailureCase{"InjectedFailure", [](IDispatch* d) { OleGet(d, L"Caption"); },
                static_cast<std::int32_t>(0x80040109), u"0x80040109: Injected failure of Recorder.Caption"},
    FailureCase{"PutOfReadOnly", [](IDispatch* d) { OlePut(d, L"Refuse", TOleVariant(true)); },
                static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND), u"0x80020003"},
    FailureCase{"NullTarget", [](IDispatch*) { OleGet(static_cast<IDispatch*>(nullptr), L"Caption"); },
                static_cast<std::int32_t>(E_POINTER), u"0x80004003"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LateBinding, TargetThatIsNoObjectRaises)
{
    EXPECT_THROW(OleGet(TOleVariant(std::int32_t{5}), L"Caption"), EOleSysError);
    EXPECT_THROW(OleGet(TOleVariant(), L"Caption"), EOleSysError);
}

TEST_F(LateBinding, QueryIntfRaisesEIntfCastErrorWhenRefused)
{
    obj->Refuse(IID_IConnectionPointContainer);
    EXPECT_THROW(QueryIntf<IConnectionPointContainer>(obj->Dispatch(), IID_IConnectionPointContainer), EIntfCastError);
    EXPECT_EQ(QueryIntf<IDispatch>(obj->Dispatch(), IID_IDispatch).Get(), obj->Dispatch());
}

} // namespace
} // namespace zel
