// The configuration store: keys and values, its file on disk, and the data folder.
#include "diagnostics/ZelUtils.h"
#include "hotkeys/HotKeyTable.h"
#include "storage/Charsets.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"
#include "support/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zel {
namespace {

using testing::CrLfLines;
using testing::ReadBytes;
using testing::TTempFolder;
using testing::TUseCodePage;
using testing::WriteBytes;

std::filesystem::path FixturePath(const char* name)
{
#ifdef _WIN32
    // Wine shows the Unix file system as drive Z:.
    return std::filesystem::path("Z:" ZEL_STORAGE_FIXTURES) / name;
#else
    return std::filesystem::path(ZEL_STORAGE_FIXTURES) / name;
#endif
}

// The file after a first run: two hotkeys added and edited, the window closed on a
// 1920 x 1080 desktop at 96 pixels per inch, ANSI code page 1252.
TEST(XMLFileStorageFile, ExampleRunWritesTheExampleFile)
{
    TUseCodePage ansi(1252);
    TTempFolder folder;
    {
        TXMLFileStorage store;
        store.SetFileName(folder.Text(u"config.xml"));
        TFormStorage form(store);
        THotKeyRows rows;
        auto add = [&](const char16_t* hotKey) {
            TTreeData& row = rows.Add();
            row.Subject = hotKey;
            row.Folder = u"Insert Text";
            row.EntryID = u"Type text to insert";
            SaveHotKeys(rows, form);
        };
        add(u"Ctrl+Alt+T");
        add(u"Ctrl+Alt+S");
        rows[0].EntryID = u"Best regards";
        SaveHotKeys(rows, form);
        rows[1].Folder = u"Send Desktop Screenshot";
        rows[1].EntryID = u"Type email to send desktop screenshot to";
        SaveHotKeys(rows, form);
        // The window's close: its placement, then the column widths.
        form.WriteInteger(u"FormVersion", 0);
        form.WriteInteger(u"ShowCmd", 1);
        form.WriteInteger(u"Flags", 0);
        form.WriteInteger(u"PixelsPerInch", 96);
        form.WriteString(u"MinMaxPos(1920x1080)", u"-1,-1,-1,-1");
        form.WriteString(u"MinMaxPos", u"-1,-1,-1,-1");
        form.WriteString(u"NormPos(1920x1080)", u"260,130,876,648");
        form.WriteString(u"NormPos", u"260,130,876,648");
        form.WriteInteger(u"ItemsVST\\Column0Width", 160);
        form.WriteInteger(u"ItemsVST\\Column1Width", 200);
        form.WriteInteger(u"ItemsVST\\Column2Width", 240);
        EXPECT_FALSE(std::filesystem::exists(folder.Path() / "config.xml")) << "written only when asked or at the end";
    }
    std::string expected = ReadBytes(FixturePath("example-config.xml"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadBytes(folder.Path() / "config.xml"), expected);
}

// A hand-edited file whose placement elements carry the parentheses that the store writes as
// "_": the window's keys find them, a write updates them in place, and the next run reads the
// new values from the one element of each name.
TEST(XMLFileStorageFile, HandEditedUnsafeNamesAreFoundAndUpdated)
{
    TUseCodePage ansi(1252);
    TTempFolder folder;
    std::filesystem::copy_file(FixturePath("hand-edited-unsafe-names.xml"), folder.Path() / "config.xml");
    {
        TXMLFileStorage store;
        store.SetFileName(folder.Text(u"config.xml"));
        TFormStorage form(store);
        EXPECT_EQ(form.ReadString(u"NormPos(1920x1080)", u""), u"260,130,876,648");
        EXPECT_EQ(form.ReadString(u"MinMaxPos(1920x1080)", u""), u"-1,-1,-1,-1");
        form.WriteString(u"NormPos(1920x1080)", u"10,20,630,538");
        form.WriteString(u"MinMaxPos(1920x1080)", u"-1,-1,-8,-8");
    }
    EXPECT_EQ(ReadBytes(folder.Path() / "config.xml"),
              CrLfLines({"<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>", "<Configuration>",
                         "  <MainForm>", "    <FormVersion>0</FormVersion>",
                         "    <minmaxpos_1920x1080_>-1,-1,-8,-8</minmaxpos_1920x1080_>",
                         "    <NormPos_1920x1080_>10,20,630,538</NormPos_1920x1080_>",
                         "    <NormPos>260,130,876,648</NormPos>", "  </MainForm>", "</Configuration>"}));
    TXMLFileStorage next;
    next.SetFileName(folder.Text(u"config.xml"));
    TFormStorage form(next);
    EXPECT_EQ(form.ReadString(u"NormPos(1920x1080)", u""), u"10,20,630,538");
    EXPECT_EQ(form.ReadString(u"MinMaxPos(1920x1080)", u""), u"-1,-1,-8,-8");
    EXPECT_EQ(next.Document().Root.Children().at(0)->Children().size(), 4u);
}

TEST(XMLFileStorageFile, FirstRunWithoutShowingTheWindow)
{
    TUseCodePage ansi(1252);
    TXMLFileStorage store;
    TFormStorage form(store);
    form.WriteInteger(u"FormVersion", 0);
    for (int i = 0; i < 3; ++i)
        form.WriteInteger(u"ItemsVST\\Column" + U16(std::to_string(i)) + u"Width", 160);
    EXPECT_EQ(store.SaveToBytes(), CrLfLines({"<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>",
                                              "<Configuration>", "  <MainForm>", "    <FormVersion>0</FormVersion>",
                                              "    <ItemsVST>", "      <Column0Width>160</Column0Width>",
                                              "      <Column1Width>160</Column1Width>", "      <Column2Width>160</Column2Width>",
                                              "    </ItemsVST>", "  </MainForm>", "</Configuration>"}));
}

TEST(XMLFileStorageKeys, NamesAreMadeSafeAndFoundAgain)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    form.WriteString(u"MinMaxPos(1280x1024)", u"1,2,3,4");
    form.WriteString(u"a b\u00E9\u4E2D!-.:_Z9", u"x");
    EXPECT_EQ(form.ReadString(u"MinMaxPos(1280x1024)", u""), u"1,2,3,4");
    EXPECT_EQ(store.ReadString(u"MainForm\\MinMaxPos_1280x1024_", u""), u"1,2,3,4");
    EXPECT_EQ(form.ReadString(u"a_b___-.:_Z9", u""), u"x");
    std::string bytes = store.SaveToBytes();
    EXPECT_NE(bytes.find("<MinMaxPos_1280x1024_>1,2,3,4</MinMaxPos_1280x1024_>"), std::string::npos);
}

TEST(XMLFileStorageKeys, RootNameIsOptionalAndEmptyNamesAreSkipped)
{
    TXMLFileStorage store;
    store.WriteString(u"Configuration\\MainForm\\A", u"1");
    store.WriteString(u"\\MainForm\\\\B\\", u"2");
    EXPECT_EQ(store.ReadString(u"MainForm\\A", u""), u"1");
    EXPECT_EQ(store.ReadString(u"configuration\\mainform\\b", u""), u"2");
    EXPECT_EQ(store.Document().Root.Children().size(), 1u);
    EXPECT_THROW(store.WriteString(u"Configuration", u"x"), Exception);
    EXPECT_THROW(store.WriteString(u"\\\\", u"x"), Exception);
    EXPECT_EQ(store.ReadString(u"", u"default"), u"default");
}

TEST(XMLFileStorageKeys, LookupIgnoresLetterCaseAndKeepsTheFilesCase)
{
    TXMLFileStorage store;
    store.LoadFromBytes("<Configuration><mainform><hotkeys><count>1</count></hotkeys></mainform></Configuration>");
    TFormStorage form(store);
    EXPECT_EQ(form.ReadString(u"HotKeys\\Count", u""), u"1");
    form.WriteString(u"HotKeys\\Count", u"2");
    std::string bytes = store.SaveToBytes();
    EXPECT_NE(bytes.find("<mainform>\r\n    <hotkeys>\r\n      <count>2</count>"), std::string::npos) << bytes;
}

// A hand-edited file with two elements of the same name, in different letter case and one of
// them not safe, among few and among many siblings (the parameter; a node of more than eight
// children finds them through an index, built while the file is read or when a write adds the
// ninth): the first one in the file is the one found and updated, and every element keeps its
// place.
class XMLFileStorageSiblings : public ::testing::TestWithParam<int> {};

TEST_P(XMLFileStorageSiblings, FirstOfTheSameNameIsFoundAndOrderIsKept)
{
    TUseCodePage ansi(1252);
    const int siblings = GetParam();
    auto file = [&](const std::string& firstName, const std::string& first, const std::string& added) {
        std::string text = CrLfLines({"<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>",
                                      "<Configuration>", "  <MainForm>"});
        for (int i = 0; i < siblings; ++i) {
            if (i == siblings / 2)
                text += "    <" + firstName + ">" + first + "</" + firstName + ">\r\n";
            std::string name = "K" + std::to_string(i);
            text += "    <" + name + ">" + std::to_string(i) + "</" + name + ">\r\n";
        }
        return text + CrLfLines({"    <DUP_1_>second</DUP_1_>"}) + added + CrLfLines({"  </MainForm>", "</Configuration>"});
    };
    TXMLFileStorage store;
    store.LoadFromBytes(file("Dup(1)", "first", ""));
    TFormStorage form(store);
    EXPECT_EQ(form.ReadString(u"dup[1]", u""), u"first");
    for (int i = 0; i < siblings; ++i)
        ASSERT_EQ(form.ReadInteger(u"k" + U16(std::to_string(i)), -2), i);
    form.WriteString(u"DUP(1)", u"changed");
    form.WriteString(u"New", u"1");
    EXPECT_EQ(store.SaveToBytes(), file("Dup_1_", "changed", CrLfLines({"    <New>1</New>"})));
}

INSTANTIATE_TEST_SUITE_P(Table, XMLFileStorageSiblings, ::testing::Values(1, 6, 7, 1000));

TEST(XMLFileStorageKeys, NewElementsFollowTheirSiblingsInOrderOfCreation)
{
    TXMLFileStorage store;
    store.WriteString(u"MainForm\\B", u"1");
    store.WriteString(u"MainForm\\A\\X", u"2");
    store.WriteString(u"MainForm\\B", u"3");
    store.WriteString(u"MainForm\\C", u"4");
    const auto& mainForm = *store.Document().Root.Children().at(0);
    ASSERT_EQ(mainForm.Children().size(), 3u);
    EXPECT_EQ(mainForm.Children()[0]->Name(), u"B");
    EXPECT_EQ(mainForm.Children()[0]->Text, u"3");
    EXPECT_EQ(mainForm.Children()[1]->Name(), u"A");
    EXPECT_EQ(mainForm.Children()[2]->Name(), u"C");
}

TEST(XMLFileStorageKeys, TooDeepKeysAreRefused)
{
    TXMLFileStorage store;
    std::u16string deep;
    for (size_t i = 0; i + 1 < MaxXmlDepth; ++i)
        deep += u"a\\";
    store.WriteString(deep, u"deepest readable"); // MaxXmlDepth - 1 names below the root
    TXMLFileStorage reread;
    reread.LoadFromBytes(store.SaveToBytes());
    EXPECT_EQ(reread.ReadString(deep, u""), u"deepest readable");
    EXPECT_THROW(store.WriteString(deep + u"a", u"x"), Exception);
}

struct IntegerCase {
    const char* stored; // nullptr: no value
    std::int32_t expected;
};

class XMLFileStorageIntegers : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(XMLFileStorageIntegers, ReadsDecimalTextOrMinusOne)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    if (GetParam().stored)
        form.WriteString(u"ItemsVST\\Column1Width", U16(GetParam().stored));
    EXPECT_EQ(form.ReadInteger(u"ItemsVST\\Column1Width", 160), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, XMLFileStorageIntegers, ::testing::Values(
    IntegerCase{nullptr, 160}, IntegerCase{"200", 200}, IntegerCase{"-5", -5}, IntegerCase{"+7", 7},
    IntegerCase{"abc", -1}, IntegerCase{"", -1}, IntegerCase{" 5", -1}, IntegerCase{"5 ", -1}, IntegerCase{"1e3", -1},
    IntegerCase{"$10", -1}, IntegerCase{"-", -1}, IntegerCase{"2147483647", 2147483647},
    IntegerCase{"-2147483648", INT32_MIN}, IntegerCase{"2147483648", -1}, IntegerCase{"99999999999999999999", -1}));

TEST(XMLFileStorageIntegers, WritesDecimalText)
{
    TXMLFileStorage store;
    store.WriteInteger(u"MainForm\\A", -2147483647 - 1);
    EXPECT_EQ(store.ReadString(u"MainForm\\A", u""), u"-2147483648");
}

TEST(TFormStorage, SectionIsTheFormsName)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    EXPECT_EQ(form.Section(), u"MainForm\\");
    TFormStorage about(store, u"AboutForm");
    about.WriteString(u"X", u"1");
    EXPECT_EQ(store.ReadString(u"AboutForm\\X", u""), u"1");
    EXPECT_EQ(form.ReadString(u"X", u"none"), u"none");
}

// The file on disk.
class XMLFileStorageDisk : public ::testing::Test {
protected:
    TUseCodePage FAnsi{1252};
    TTempFolder FFolder;
    std::filesystem::path File() const { return FFolder.Path() / "config.xml"; }
    std::filesystem::path Temporary() const { return FFolder.Path() / "config.xml.tmp"; }
    std::u16string FileText() const { return FFolder.Text(u"config.xml"); }
};

TEST_F(XMLFileStorageDisk, MissingFileGivesAnEmptyTreeAndIsWrittenAtTheEnd)
{
    {
        TXMLFileStorage store;
        store.SetFileName(FileText());
        EXPECT_EQ(store.FileName(), FileText());
        EXPECT_EQ(store.ReadString(u"MainForm\\A", u"default"), u"default");
        store.WriteString(u"MainForm\\A", u"1");
    }
    TXMLFileStorage reread;
    reread.SetFileName(FileText());
    EXPECT_EQ(reread.ReadString(u"MainForm\\A", u""), u"1");
}

TEST_F(XMLFileStorageDisk, FlushWritesAtOnceAndChangesAreNotReReadFromDisk)
{
    TXMLFileStorage store;
    store.SetFileName(FileText());
    store.WriteString(u"MainForm\\A", u"1");
    EXPECT_TRUE(store.Flush());
    EXPECT_NE(ReadBytes(File()).find("<A>1</A>"), std::string::npos);
    WriteBytes(File(), "<Configuration><MainForm><A>other program</A></MainForm></Configuration>");
    EXPECT_EQ(store.ReadString(u"MainForm\\A", u""), u"1");
    EXPECT_TRUE(store.Flush());
    EXPECT_NE(ReadBytes(File()).find("<A>1</A>"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Temporary()));
}

TEST_F(XMLFileStorageDisk, UnboundStoreWritesNothing)
{
    TXMLFileStorage store;
    store.WriteString(u"MainForm\\A", u"1");
    EXPECT_FALSE(store.Flush());
}

TEST_F(XMLFileStorageDisk, FileInAFolderThatDoesNotExistYet)
{
    std::u16string name = FFolder.Text(u"a") + TTempFolder::Separator() + u"b" + TTempFolder::Separator() + u"config.xml";
    {
        TXMLFileStorage store;
        store.SetFileName(name);
        store.WriteString(u"MainForm\\A", u"1");
    }
    EXPECT_TRUE(std::filesystem::exists(FFolder.Path() / "a" / "b" / "config.xml"));
}

TEST_F(XMLFileStorageDisk, UnparsableFileIsNeverWrittenBack)
{
    const std::string original = "<Configuration><MainForm><HotKeys><Count>3</Count></HotKeys>\r\n<!-- cut off";
    WriteBytes(File(), original);
    {
        TXMLFileStorage store;
        try {
            store.SetFileName(FileText());
            FAIL() << "no exception";
        } catch (const Exception& e) {
            std::string message = ToUtf8(e.Message());
            EXPECT_NE(message.find("config.xml"), std::string::npos) << message;
            EXPECT_NE(message.find("comment is not closed"), std::string::npos) << message;
        }
        EXPECT_EQ(store.ReadString(u"MainForm\\HotKeys\\Count", u"0"), u"0");
        store.WriteString(u"MainForm\\HotKeys\\Count", u"0");
        EXPECT_FALSE(store.Flush());
    }
    EXPECT_EQ(ReadBytes(File()), original);
    EXPECT_FALSE(std::filesystem::exists(Temporary()));
}

TEST_F(XMLFileStorageDisk, RebindingAfterAFailedReadMakesTheStoreWritableAgain)
{
    WriteBytes(File(), "not xml");
    TXMLFileStorage store;
    EXPECT_THROW(store.SetFileName(FileText()), Exception);
    std::u16string other = FFolder.Text(u"other.xml");
    store.SetFileName(other);
    store.WriteString(u"MainForm\\A", u"1");
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(ReadBytes(File()), "not xml");
}

TEST_F(XMLFileStorageDisk, FolderInPlaceOfTheFileFailsToRead)
{
    std::filesystem::create_directory(File());
    TXMLFileStorage store;
    EXPECT_THROW(store.SetFileName(FileText()), Exception);
    EXPECT_FALSE(store.Flush());
}

TEST_F(XMLFileStorageDisk, FailedReplacementLeavesTheOldFileAndNoTemporaryFile)
{
    const std::string original = CrLfLines({"<Configuration>", "  <MainForm>", "    <A>old</A>", "  </MainForm>", "</Configuration>"});
    WriteBytes(File(), original);
    std::string seen;
    SetBeforeFileReplaceHook([&](const std::filesystem::path& temporary) {
        seen = ReadBytes(temporary);
        throw EOSError(u"simulated failure before the replacement");
    });
    struct TRemoveHook {
        ~TRemoveHook() { SetBeforeFileReplaceHook({}); }
    } removeHook;
    {
        TXMLFileStorage store;
        store.SetFileName(FileText());
        store.WriteString(u"MainForm\\A", u"new");
        EXPECT_THROW(store.Flush(), EOSError);
        EXPECT_NE(seen.find("<A>new</A>"), std::string::npos) << "the temporary file was complete and flushed";
        EXPECT_EQ(ReadBytes(File()), original);
        EXPECT_FALSE(std::filesystem::exists(Temporary()));
    } // the destructor's write fails the same way and is dropped
    EXPECT_EQ(ReadBytes(File()), original);
    EXPECT_FALSE(std::filesystem::exists(Temporary()));

    SetBeforeFileReplaceHook({});
    {
        TXMLFileStorage store;
        store.SetFileName(FileText());
        store.WriteString(u"MainForm\\A", u"new");
    }
    EXPECT_NE(ReadBytes(File()).find("<A>new</A>"), std::string::npos);
}

TEST_F(XMLFileStorageDisk, StaleTemporaryFileIsReplaced)
{
    WriteBytes(Temporary(), "left over from a crash");
    TXMLFileStorage store;
    store.SetFileName(FileText());
    store.WriteString(u"MainForm\\A", u"1");
    EXPECT_TRUE(store.Flush());
    EXPECT_FALSE(std::filesystem::exists(Temporary()));
    EXPECT_NE(ReadBytes(File()).find("<A>1</A>"), std::string::npos);
}

TEST_F(XMLFileStorageDisk, FileRoundTripKeepsUnusedKeysAndTheRootsName)
{
    WriteBytes(File(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><Settings><Other><Key>kept</Key></Other></Settings>");
    {
        TXMLFileStorage store;
        store.SetFileName(FileText());
        store.WriteString(u"Settings\\MainForm\\A", u"1");
    }
    EXPECT_EQ(ReadBytes(File()), "\xEF\xBB\xBF" + CrLfLines({"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>",
                                                            "<Settings>", "  <Other>", "    <Key>kept</Key>", "  </Other>",
                                                            "  <MainForm>", "    <A>1</A>", "  </MainForm>", "</Settings>"}));
}

// The data folder.
TEST(SetupDataFiles, CreatesTheFolderWithItsParentsAndBindsTheStore)
{
    TUseCodePage ansi(1252);
    TTempFolder base;
    std::u16string folder = base.Text() + u"\\Zelkor\\Zelkor Hotkeys for Outlook";
    {
        TXMLFileStorage store;
        SetupDataFiles(folder, nullptr, &store);
        EXPECT_TRUE(std::filesystem::is_directory(base.Path() / "Zelkor" / "Zelkor Hotkeys for Outlook"));
        EXPECT_EQ(store.FileName(), folder + u"\\config.xml");
        store.WriteString(u"MainForm\\A", u"1");
    }
    EXPECT_TRUE(std::filesystem::exists(base.Path() / "Zelkor" / "Zelkor Hotkeys for Outlook" / "config.xml"));

    TXMLFileStorage again;
    SetupDataFiles(folder + u"\\", nullptr, &again); // an existing folder, given with a trailing separator
    EXPECT_EQ(again.ReadString(u"MainForm\\A", u""), u"1");
}

TEST(SetupDataFiles, ReportsAnUnreadableConfiguration)
{
    TTempFolder base;
    WriteBytes(base.Path() / "config.xml", "<Configuration>");
    TXMLFileStorage store;
    EXPECT_THROW(SetupDataFiles(base.Text(), nullptr, &store), Exception);
}

TEST(SetupDataFiles, ReportsAFolderThatCannotBeCreated)
{
    TTempFolder base;
    WriteBytes(base.Path() / "file", "x");
    TXMLFileStorage store;
    EXPECT_THROW(SetupDataFiles(base.Text(u"file") + u"\\sub", nullptr, &store), EOSError);
}

#ifdef _WIN32
TEST(XMLFileStorageWindows, NewFileDeclaresTheSystemsAnsiCodePage)
{
    SetAnsiCodePage(nullptr);
    TXMLFileStorage store;
    std::string bytes = store.SaveToBytes();
    std::string name = ToUtf8(CharsetName(GetACP()));
    ASSERT_FALSE(name.empty()) << GetACP();
    std::string declaration = "<?xml version=\"1.0\" encoding=\"" + name + "\" standalone=\"no\"?>\r\n";
    EXPECT_EQ(bytes.substr(0, declaration.size()), declaration);
}

TEST(XMLFileStorageWindows, DeclaredCharsetIsDecodedByTheSystem)
{
    SetAnsiCodePage(nullptr);
    TXMLFileStorage store;
    store.LoadFromBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?><Configuration><MainForm><A>\xC0\xFF</A></MainForm></Configuration>");
    EXPECT_EQ(store.ReadString(u"MainForm\\A", u""), u"\u0410\u044F");
}

TEST(XMLFileStorageWindows, NonAsciiFolderAndReplacementOfAnExistingFile)
{
    SetAnsiCodePage(nullptr);
    TTempFolder base;
    std::u16string folder = base.Text() + u"\\Zelk\u00F6r \u03A9\u4E2D\\data";
    for (const char16_t* value : {u"first", u"second"}) {
        TXMLFileStorage store;
        SetupDataFiles(folder, nullptr, &store);
        store.WriteString(u"MainForm\\A", value);
    }
    TXMLFileStorage store;
    SetupDataFiles(folder, nullptr, &store);
    EXPECT_EQ(store.ReadString(u"MainForm\\A", u""), u"second");
    std::wstring file(folder.begin(), folder.end());
    file += L"\\config.xml";
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((file + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(XMLFileStorageWindows, FileOpenWithoutSharingCannotBeReplaced)
{
    TUseCodePage ansi(1252);
    TTempFolder base;
    std::u16string name = base.Text(u"config.xml");
    TXMLFileStorage store;
    store.SetFileName(name);
    store.WriteString(u"MainForm\\A", u"1");
    ASSERT_TRUE(store.Flush());
    std::wstring wide(name.begin(), name.end());
    HANDLE locked = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    store.WriteString(u"MainForm\\A", u"2");
    EXPECT_THROW(store.Flush(), EOSError);
    CloseHandle(locked);
    EXPECT_NE(ReadBytes(base.Path() / "config.xml").find("<A>1</A>"), std::string::npos);
    EXPECT_EQ(GetFileAttributesW((wide + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}
#endif

} // namespace
} // namespace zel
