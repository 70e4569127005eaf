// The mail composer in this process against the stand-in Simple MAPI client, registered as the
// user's mail client: the message the client receives, byte for byte, the state of the process
// around the send, and every failure with its exception and message.
#include "diagnostics/JclEmail.h"
#include "diagnostics/SimpleMapiRules.h"
#include "platform/WideText.h"
#include "support/SimpleMapiClient.h"
#include "support/StorageTestSupport.h"
#include "support/TestLibraries.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using testing::BuildPath;
using testing::TMapiRecord;
using testing::TSimpleMapiClient;

const std::wstring StandinDll = BuildPath(ZEL_TEST_SIMPLEMAPI_DLL);
const std::wstring PartialDll = BuildPath(ZEL_TEST_SIMPLEMAPI_PARTIAL_DLL);

std::string Ansi(std::u16string_view text) { return AnsiCodePage().FromUtf16(text); }

class JclEmailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FLog = FFolder.Text(u"error.log");
        FConfig = FFolder.Text(u"config.xml");
        testing::WriteBytes(ToFileSystemPath(FLog), "2026-12-11 10:00:00 a logged failure\r\n");
        testing::WriteBytes(ToFileSystemPath(FConfig), "<?xml version=\"1.0\"?>\r\n<Configuration/>\r\n");
        FRecord = ToWide(FFolder.Text(u"record.txt"));
        FMail.Message.Recipients.push_back({u"support@zelkor.com", u"", TMailRecipientKind::To});
        FMail.Message.Subject = u"Zelkor Hotkeys for Outlook 2.10.5129 support request";
        FMail.Message.Body = u"Please describe your problem here.\r\n\r\nWindows version: W\u00E9\r\nOffice version: ";
        FMail.Message.Attachments = {FLog, FConfig};
    }

    testing::TSimpleMapiClientSettings Standin() const { return testing::StandinMailClient(StandinDll, FRecord); }
    TMapiRecord Record() const { return testing::ReadMapiRecord(FRecord); }
    bool Recorded() const { return GetFileAttributesW(FRecord.c_str()) != INVALID_FILE_ATTRIBUTES; }

    testing::TTempFolder FFolder;
    std::u16string FLog, FConfig;
    std::wstring FRecord;
    TJclEmail FMail;
};

TEST_F(JclEmailTest, TheClientReceivesTheMessageAsComposedWithTheDialogAndThisProcessesWindow)
{
    const TSimpleMapiClient client(Standin());
    testing::TTestWindow parent({0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, {50, 50, 350, 250}, L"Parent"});
    SetForegroundWindow(parent.Handle());
    ASSERT_TRUE(SetDllDirectoryW(L"C:\\windows"));

    EXPECT_TRUE(FMail.Send(true));

    wchar_t directory[MAX_PATH] = {};
    GetDllDirectoryW(MAX_PATH, directory);
    EXPECT_STREQ(directory, L"C:\\windows") << "the search directory is set back after the send";
    SetDllDirectoryW(nullptr);
    EXPECT_FALSE(testing::IsLoaded(StandinDll)) << "the client's library is unloaded after the send";

    const TMapiRecord record = Record();
    ASSERT_TRUE(record.Valid()) << record.Error;
    EXPECT_EQ(record.Session, 0u);
    EXPECT_EQ(record.Flags, 9u);
    EXPECT_EQ(record.Reserved, 0u);
    EXPECT_EQ(record.Parent, reinterpret_cast<ULONG_PTR>(parent.Handle()));
    EXPECT_EQ(record.DllDirectory, "") << "the default search order while the client runs";
    EXPECT_EQ(record.MessageReserved, 0u);
    EXPECT_EQ(record.Subject, "Zelkor Hotkeys for Outlook 2.10.5129 support request");
    EXPECT_EQ(record.NoteText, "Please describe your problem here.\r\n\r\nWindows version: W\xE9\r\nOffice version: \r\n");
    EXPECT_FALSE(record.MessageType);
    EXPECT_FALSE(record.DateReceived);
    EXPECT_FALSE(record.ConversationId);
    EXPECT_EQ(record.MessageFlags, 0u);
    EXPECT_FALSE(record.Originator);
    ASSERT_EQ(record.Recipients.size(), 1u);
    EXPECT_EQ(record.Recipients[0], (testing::TMapiRecipientRecord{0, 1, "support@zelkor.com", "SMTP:support@zelkor.com", 0}));
    ASSERT_EQ(record.Files.size(), 2u);
    EXPECT_EQ(record.Files[0], (testing::TMapiFileRecord{0, 0, 0xFFFFFFFFu, Ansi(FLog), "error.log", false,
                                                         "2026-12-11 10:00:00 a logged failure\r\n"}));
    EXPECT_EQ(record.Files[1], (testing::TMapiFileRecord{0, 0, 0xFFFFFFFFu, Ansi(FConfig), "config.xml", false,
                                                         "<?xml version=\"1.0\"?>\r\n<Configuration/>\r\n"}));
}

TEST_F(JclEmailTest, AMailWithoutAttachmentsHasNoFileList)
{
    const TSimpleMapiClient client(Standin());
    FMail.Message.Attachments.clear();
    EXPECT_TRUE(FMail.Send(true));
    const TMapiRecord record = Record();
    ASSERT_TRUE(record.Valid()) << record.Error;
    EXPECT_EQ(record.FileCount, 0u);
    EXPECT_TRUE(record.Files.empty());
}

TEST_F(JclEmailTest, CancelledInTheClientEndsSilently)
{
    testing::TSimpleMapiClientSettings settings = Standin();
    settings.Result = MapiUserAbort;
    const TSimpleMapiClient client(settings);
    EXPECT_FALSE(FMail.Send(true));
    EXPECT_TRUE(Record().Valid());
}

// Raises the send's failure and gives it back; a send that does not raise fails the test.
template <class E>
std::optional<E> Failure(TJclEmail& mail)
{
    try {
        mail.Send(true);
    } catch (const E& failure) {
        return failure;
    } catch (const Exception& other) {
        ADD_FAILURE() << other.ClassName() << ": " << ToUtf8(other.Message());
        return std::nullopt;
    }
    ADD_FAILURE() << "the send did not fail";
    return std::nullopt;
}

TEST_F(JclEmailTest, EveryFailingResultOfTheClientIsRaisedWithItsCodeAndText)
{
    const TSimpleMapiClient client(Standin());
    for (ULONG code = 2; code <= 27; ++code) {
        client.SetResult(code);
        const std::optional<EJclMapiError> failure = Failure<EJclMapiError>(FMail);
        ASSERT_TRUE(failure) << code;
        EXPECT_EQ(failure->ErrorCode(), code);
        EXPECT_EQ(failure->Message(), MapiErrorMessage(code));
        EXPECT_FALSE(testing::IsLoaded(StandinDll)) << "unloaded on failure too";
    }
    client.SetResult(2);
    EXPECT_EQ(Failure<EJclMapiError>(FMail)->Message(), u"MAPI Error: (2) \"General MAPI failure\"");
    client.SetResult(26);
    EXPECT_EQ(Failure<EJclMapiError>(FMail)->Message(), u"MAPI Error: (26) \"Not supported\"");
}

TEST_F(JclEmailTest, AnAttachmentGoneBeforeTheSendFailsWithCode11AndTheClientIsNotCalled)
{
    const TSimpleMapiClient client(Standin());
    ASSERT_TRUE(DeleteFileW(ToWide(FLog).c_str()));
    const std::optional<EJclMapiError> failure = Failure<EJclMapiError>(FMail);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->ErrorCode(), 11u);
    EXPECT_EQ(failure->Message(), u"MAPI Error: (11) \"A specified attachment was not found\"");
    EXPECT_FALSE(Recorded());
}

TEST_F(JclEmailTest, WithoutAUsableClientNothingIsSent)
{
    const struct {
        const char* what;
        testing::TSimpleMapiClientSettings settings;
    } cases[] = {
        {"no mail client at all", testing::NoSimpleMapiClient()},
        {"a client whose library is missing", testing::StandinMailClient(L"C:\\nowhere\\missing.dll")},
        {"a client whose library lacks a function", testing::StandinMailClient(PartialDll)},
    };
    for (const auto& c : cases) {
        const TSimpleMapiClient client(c.settings);
        const std::optional<EJclMapiError> failure = Failure<EJclMapiError>(FMail);
        ASSERT_TRUE(failure) << c.what;
        EXPECT_EQ(failure->Message(), u"No Simple MAPI client installed, cannot send the message") << c.what;
        EXPECT_EQ(failure->ErrorCode(), 0u);
    }
}

// With "MAPIX" = "1" a client counts as installed whatever its library is: then the library's
// own faults show.
TEST_F(JclEmailTest, ALibraryThatDoesNotLoadRaisesTheSystemsError)
{
    testing::TSimpleMapiClientSettings settings = testing::StandinMailClient(L"C:\\nowhere\\missing.dll");
    settings.MapiX = testing::TMessagingValue::Set(L"1");
    const TSimpleMapiClient client(settings);
    const std::optional<EOSError> failure = Failure<EOSError>(FMail);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->ErrorCode(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    const std::u16string prefix = u"System Error.  Code: 126.\r\n";
    EXPECT_EQ(failure->Message().substr(0, prefix.size()), prefix);
    EXPECT_GT(failure->Message().size(), prefix.size()) << "the system's text follows";
    EXPECT_NE(failure->Message().back(), u'.');
}

TEST_F(JclEmailTest, ALibraryWithoutOneFunctionIsNamedAndUnloaded)
{
    testing::TSimpleMapiClientSettings settings = testing::StandinMailClient(PartialDll, FRecord);
    settings.MapiX = testing::TMessagingValue::Set(L"1");
    const TSimpleMapiClient client(settings);
    const std::optional<EJclMapiError> failure = Failure<EJclMapiError>(FMail);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Message(), u"Function \"MAPIDetails\" is not exported by client");
    EXPECT_FALSE(testing::IsLoaded(PartialDll));
    EXPECT_FALSE(Recorded());
}

TEST(SimpleMapiExports, AreCheckedWithoutRunningTheLibrary)
{
    EXPECT_TRUE(ExportsSimpleMapi(ToU16(StandinDll)));
    EXPECT_FALSE(ExportsSimpleMapi(ToU16(PartialDll)));
    EXPECT_FALSE(ExportsSimpleMapi(u"C:\\nowhere\\missing.dll"));
    EXPECT_FALSE(ExportsSimpleMapi(u"kernel32.dll"));
    EXPECT_FALSE(testing::IsLoaded(StandinDll));
}

TEST(MailParentWindow, IsTheTopmostShownUnownedNonToolWindowOfThisProcess)
{
    testing::TTestWindow tool({WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, {0, 0, 50, 50}, L"Tool"});
    testing::TTestWindow hidden({0, WS_OVERLAPPEDWINDOW, {0, 0, 50, 50}, L"Hidden"});
    testing::TTestWindow main({0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, {0, 0, 200, 200}, L"Main"});
    SetWindowPos(tool.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(hidden.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(MailParentWindow(), main.Handle());
    testing::TTestWindow appTool({WS_EX_TOOLWINDOW | WS_EX_APPWINDOW, WS_POPUP | WS_VISIBLE, {0, 0, 50, 50}, L"App tool"});
    SetWindowPos(appTool.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(MailParentWindow(), appTool.Handle());
}

} // namespace
} // namespace zel
