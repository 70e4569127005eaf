// The stand-in library zelre.dll, created through the loader (session, safe inspector) and by
// its registered ProgID, working on the stand-in Outlook's object model.
#include "support/TestLibraries.h"
#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "mapi/RedemptionIds.h"
#include "mapi/uRedemptionLoader.h"
#include "outlook/LateBinding.h"
#include "standins/outlook/StandinOutlook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace zel {
namespace {

using standin::TStandinApplication;
using standin::TStandinInspector;
using testing::BuildPath;
using testing::TEnvironmentSetting;

std::wstring ZelreDll() { return BuildPath(ZEL_TEST_ZELRE_DLL); }

std::wstring TempPath(const wchar_t* name)
{
    return GrowBuffer([](wchar_t* buffer, DWORD capacity) { return GetTempPathW(capacity, buffer); }) + name;
}

std::string FileBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The folder a path names, looked up by name from the namespace's stores down, as the add-in's
// folder switch does: two backslashes, the store's name, then a folder name after each backslash.
ComPtr<IDispatch> FolderByPath(IDispatch* nameSpace, const std::wstring& path)
{
    EXPECT_EQ(path.rfind(L"\\\\", 0), 0u) << "the path starts with two backslashes";
    TOleVariant folders = OleGet(nameSpace, L"Folders");
    TOleVariant folder;
    size_t start = 2;
    for (;;) {
        const size_t end = path.find(L'\\', start);
        folder = OleCall(folders, L"Item", {TOleVariant(path.substr(start, end == std::wstring::npos ? end : end - start))});
        if (end == std::wstring::npos)
            return folder.AsDispatch();
        folders = OleGet(folder, L"Folders");
        start = end + 1;
    }
}

template <class F>
HRESULT CallExport(const char* name, F* = nullptr)
{
    auto function = reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(ZelreDll().c_str()), name)));
    return function ? function() : E_NOTIMPL;
}
using TExport = HRESULT WINAPI();

class MapiLibStandinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loader = std::make_unique<TRedemptionLoader>();
        loader->SetDllLocation(ZelreDll());
        outlook = TStandinApplication::Create();
    }
    void TearDown() override
    {
        outlook.Reset();
        EXPECT_EQ(CallExport<TExport>("DllCanUnloadNow"), S_OK) << "every object of the library was released";
        loader.reset();
    }
    // A session working on the Outlook state, as the settings window sets it up.
    ComPtr<IDispatch> Session()
    {
        auto session = loader->new_RDOSession();
        OlePut(session.Get(), L"MAPIOBJECT", OleGet(OleGet(outlook->Dispatch(), L"Session"), L"MAPIOBJECT"));
        return session;
    }

    TComApartment apartment; // declared first: left after the loader and Outlook let go
    std::unique_ptr<TRedemptionLoader> loader;
    ComPtr<TStandinApplication> outlook;
};

TEST_F(MapiLibStandinTest, SessionReportsVersionAndAnInboxPathThatResolves)
{
    auto session = Session();
    EXPECT_FALSE(OleGet(session.Get(), L"OutlookVersion").AsString().empty());
    auto folder = OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{6})}).AsDispatch();
    auto inbox = QueryIntf<IDispatch>(folder.Get(), redemption::IID_SessionFolder);
    const std::wstring path = OleGet(inbox.Get(), L"FolderPath").AsString();
    EXPECT_EQ(path, L"\\\\Personal Folders\\Inbox");
    EXPECT_EQ(FolderByPath(outlook->NameSpace()->Dispatch(), path).Get(), outlook->NameSpace()->DefaultFolder(6)->Dispatch());
    auto drafts = OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{16})});
    EXPECT_EQ(OleGet(drafts, L"FolderPath").AsString(), L"\\\\Personal Folders\\Drafts");
}

TEST_F(MapiLibStandinTest, TheLibraryCountsItsLiveObjects)
{
    using TCount = LONG WINAPI();
    auto session = Session(); // loads the library, whose exports the test calls
    const LONG withSession = CallExport<TCount>("ZelreLiveObjects");
    EXPECT_GE(withSession, 1);
    {
        auto drafts = OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{16})});
        auto mail = OleCall(OleGet(drafts, L"Items"), L"Add", {TOleVariant(L"IPM.Note")});
        OleCall(OleGet(mail, L"Recipients"), L"Add", {TOleVariant(L"a@example.com")});
    }
    // The message, its collections and its recipient live on in Outlook's Drafts folder.
    EXPECT_GE(CallExport<TCount>("ZelreLiveObjects"), withSession + 3);
    session.Reset();
    outlook.Reset();
    EXPECT_EQ(CallExport<TCount>("ZelreLiveObjects"), 0);
}

TEST_F(MapiLibStandinTest, WithoutOutlooksMapiObjectEveryCallFails)
{
    auto session = loader->new_RDOSession();
    EXPECT_THROW(OleGet(session.Get(), L"OutlookVersion"), EOleSysError);
    EXPECT_THROW(OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{6})}), EOleSysError);
    // An object that is not Outlook's MAPIOBJECT is refused.
    EXPECT_THROW(OlePut(session.Get(), L"MAPIOBJECT", TOleVariant(outlook->Dispatch())), EOleSysError);
    EXPECT_THROW(OleGet(session.Get(), L"OutlookVersion"), EOleSysError);
}

TEST_F(MapiLibStandinTest, ADraftWithAttachmentRecipientsAndSubjectAppearsInOutlook)
{
    const std::wstring picture = TempPath(L"zelre_attachment_test.jpg");
    const std::string content("\xFF\xD8\xFF\xE0\0\x10JFIF\0 and more bytes", 24);
    { std::ofstream(std::filesystem::path(picture), std::ios::binary) << content; }
    {
        auto session = Session();
        auto drafts = OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{16})});
        auto mail = OleCall(OleGet(drafts, L"Items"), L"Add", {TOleVariant(L"IPM.Note")});
        OleCall(OleGet(mail, L"Attachments"), L"Add",
                {TOleVariant(picture), TOleVariant(std::int32_t{1}), TOleVariant::NotGiven(), TOleVariant(L"Desktop Screenshot")});
        // The content was copied at once: the file may go.
        ASSERT_TRUE(DeleteFileW(picture.c_str()));
        for (const wchar_t* line : {L"a@example.com", L"", L"Type email to send desktop screenshot to"})
            OleCall(OleGet(mail, L"Recipients"), L"Add", {TOleVariant(line)});
        OlePut(mail, L"Subject", TOleVariant(L"Desktop Screenshot"));
        OleCall(mail, L"Display", {TOleVariant(false), TOleVariant::NotGiven()});
    }
    // What Outlook now holds, read through the message it was given.
    auto* items = outlook->NameSpace()->DefaultFolder(16)->Items();
    ASSERT_EQ(items->Count(), 1u);
    IDispatch* draft = items->At(0);
    EXPECT_EQ(outlook->ItemDisplays, 1);
    ASSERT_EQ(outlook->Inspectors()->Count(), 1u);
    EXPECT_EQ(outlook->Inspectors()->At(0)->Item(), draft) << "the message is shown in an inspector";
    EXPECT_EQ(OleGet(draft, L"MessageClass").AsString(), L"IPM.Note");
    EXPECT_EQ(OleGet(draft, L"Subject").AsString(), L"Desktop Screenshot");
    auto recipients = OleGet(draft, L"Recipients");
    ASSERT_EQ(OleGet(recipients, L"Count").AsInteger(), 3);
    EXPECT_EQ(OleGet(OleCall(recipients, L"Item", {TOleVariant(std::int32_t{1})}), L"Name").AsString(), L"a@example.com");
    EXPECT_EQ(OleGet(OleCall(recipients, L"Item", {TOleVariant(std::int32_t{2})}), L"Name").AsString(), L"");
    EXPECT_EQ(OleGet(OleCall(recipients, L"Item", {TOleVariant(std::int32_t{3})}), L"Name").AsString(),
              L"Type email to send desktop screenshot to");
    auto attachments = OleGet(draft, L"Attachments");
    ASSERT_EQ(OleGet(attachments, L"Count").AsInteger(), 1);
    auto attachment = OleCall(attachments, L"Item", {TOleVariant(std::int32_t{1})});
    EXPECT_EQ(OleGet(attachment, L"DisplayName").AsString(), L"Desktop Screenshot");
    EXPECT_EQ(OleGet(attachment, L"FileName").AsString(), L"zelre_attachment_test.jpg");
    EXPECT_EQ(OleGet(attachment, L"Type").AsInteger(), 1);
    const TTempFile saved(TempPath(L"zelre_attachment_saved.jpg"));
    OleCall(attachment, L"SaveAsFile", {TOleVariant(saved.FileName())});
    EXPECT_EQ(FileBytes(saved.FileName()), content);
}

TEST_F(MapiLibStandinTest, AnAttachmentFromAMissingFileFails)
{
    auto session = Session();
    auto drafts = OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{16})});
    auto mail = OleCall(OleGet(drafts, L"Items"), L"Add", {TOleVariant(L"IPM.Note")});
    EXPECT_THROW(OleCall(OleGet(mail, L"Attachments"), L"Add",
                         {TOleVariant(TempPath(L"zelre_no_such_file.jpg")), TOleVariant(std::int32_t{1})}),
                 EOleSysError);
    EXPECT_EQ(OleGet(OleGet(mail, L"Attachments"), L"Count").AsInteger(), 0);
}

TEST_F(MapiLibStandinTest, ARecipientTheTestRejectsFails)
{
    TEnvironmentSetting reject(L"ZELRE_REJECT_RECIPIENT", L"nobody");
    auto session = Session();
    auto drafts = OleCall(session.Get(), L"GetDefaultFolder", {TOleVariant(std::int32_t{16})});
    auto recipients = OleGet(OleCall(OleGet(drafts, L"Items"), L"Add", {TOleVariant(L"IPM.Note")}), L"Recipients");
    OleCall(recipients, L"Add", {TOleVariant(L"somebody")});
    EXPECT_THROW(OleCall(recipients, L"Add", {TOleVariant(L"nobody")}), EOleSysError);
    EXPECT_EQ(OleGet(recipients, L"Count").AsInteger(), 1);
}

struct InsertCase {
    const char* name;
    std::wstring body;
    LONG start, length;
    std::wstring text;
    std::wstring result;
    LONG caret;
};

class SafeInspectorTest : public MapiLibStandinTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(SafeInspectorTest, SelTextLandsAtTheCaretOfItsInspector)
{
    const auto& c = GetParam();
    auto target = outlook->OpenInspector(nullptr, c.body);
    ASSERT_EQ(target->SetSelection(c.start, c.length), S_OK);
    auto other = outlook->OpenInspector(nullptr, L"other body"); // the active one
    ASSERT_EQ(other->SetSelection(2, 3), S_OK);
    auto safe = loader->new_SafeInspector();
    OlePut(safe.Get(), L"Item", TOleVariant(target->Dispatch()));
    EXPECT_EQ(OleGet(safe.Get(), L"SelText").AsString(), c.body.substr(static_cast<size_t>(c.start), static_cast<size_t>(c.length)));
    OlePut(safe.Get(), L"SelText", TOleVariant(c.text));
    EXPECT_EQ(target->Body(), c.result);
    EXPECT_EQ(target->SelStart(), c.caret);
    EXPECT_EQ(target->SelLength(), 0);
    EXPECT_EQ(other->Body(), L"other body");
}

INSTANTIATE_TEST_SUITE_P(Table, SafeInspectorTest, ::testing::Values(
    InsertCase{"AtTheCaret", L"Hello world", 5, 0, L",", L"Hello, world", 6},
    InsertCase{"ReplacesTheSelection", L"Hello world", 6, 5, L"there", L"Hello there", 11},
    InsertCase{"AtTheStart", L"body", 0, 0, L"Dear Sir,\r\n", L"Dear Sir,\r\nbody", 11},
    InsertCase{"IntoAnEmptyBody", L"", 0, 0, L"text \u00E9\u20AC", L"text \u00E9\u20AC", 7},
    InsertCase{"EmptyTextDeletesTheSelection", L"abcdef", 1, 2, L"", L"adef", 1}),
    [](const auto& info) { return std::string(info.param.name); });

// The library declares its object properties by value: a put by reference is refused as an
// automation server refuses a member kind it does not have.
TEST_F(MapiLibStandinTest, ObjectPropertiesTakeTheirValueByValueOnly)
{
    auto inspector = outlook->OpenInspector(nullptr, L"ab");
    auto safe = loader->new_SafeInspector();
    auto session = loader->new_RDOSession();
    const TOleVariant item(inspector->Dispatch());
    const TOleVariant mapiObject = OleGet(OleGet(outlook->Dispatch(), L"Session"), L"MAPIOBJECT");
    const struct {
        IDispatch* object;
        const wchar_t* property;
        const TOleVariant& value;
    } cases[] = {{safe.Get(), L"Item", item}, {session.Get(), L"MAPIOBJECT", mapiObject}};
    for (const auto& c : cases) {
        try {
            OleInvoke(c.object, c.property, DISPATCH_PROPERTYPUTREF, {&c.value, 1}, {});
            ADD_FAILURE() << "a put by reference was taken";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND));
        }
        OleInvoke(c.object, c.property, DISPATCH_PROPERTYPUT, {&c.value, 1}, {});
    }
    OlePut(safe.Get(), L"SelText", TOleVariant(L"X"));
    EXPECT_EQ(inspector->Body(), L"abX");
    EXPECT_FALSE(OleGet(session.Get(), L"OutlookVersion").AsString().empty());
}

TEST_F(MapiLibStandinTest, SafeInspectorWithoutItemFails)
{
    auto safe = loader->new_SafeInspector();
    EXPECT_THROW(OlePut(safe.Get(), L"SelText", TOleVariant(L"x")), EOleSysError);
    EXPECT_THROW(OlePut(safe.Get(), L"Item", TOleVariant(outlook->Dispatch())), EOleSysError);
}

TEST_F(MapiLibStandinTest, TheProgIdResolvesAfterPerUserRegistration)
{
    ASSERT_TRUE(loader->new_RDOSession()); // loads the library, whose exports the test calls
    ASSERT_EQ(CallExport<TExport>("DllRegisterServer"), S_OK);
    CLSID classId{};
    ASSERT_EQ(CLSIDFromProgID(L"zelre.SafeInspector", &classId), S_OK);
    EXPECT_EQ(classId, redemption::CLSID_SafeInspector);
    {
        ComPtr<IDispatch> created;
        ASSERT_EQ(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(created.GetAddressOf())), S_OK);
        auto safe = QueryIntf<IDispatch>(created.Get(), redemption::IID_ISafeInspector);
        auto inspector = outlook->OpenInspector(nullptr, L"ab");
        ASSERT_EQ(inspector->SetSelection(1, 0), S_OK);
        OlePut(safe.Get(), L"Item", TOleVariant(inspector->Dispatch()));
        OlePut(safe.Get(), L"SelText", TOleVariant(L"X"));
        EXPECT_EQ(inspector->Body(), L"aXb");
    }
    CoFreeUnusedLibraries();
    ASSERT_EQ(CallExport<TExport>("DllUnregisterServer"), S_OK);
    EXPECT_NE(CLSIDFromProgID(L"zelre.SafeInspector", &classId), S_OK);
    EXPECT_EQ(CallExport<TExport>("DllUnregisterServer"), S_OK) << "removing again is no error";
}

} // namespace
} // namespace zel
