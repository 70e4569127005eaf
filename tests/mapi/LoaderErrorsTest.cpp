#include "mapi/RedemptionLoaderErrors.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace zel {
namespace {

struct FailureCase {
    const char* name;
    std::function<void()> raise;
    const char* className;
    std::u16string message;
    std::int32_t errorCode; // for EOleSysError only
};

class LoaderFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LoaderFailureTest, RaisesClassMessageAndCode)
{
    const auto& c = GetParam();
    try {
        c.raise();
        FAIL() << "nothing raised";
    } catch (const EOleSysError& e) {
        EXPECT_STREQ(e.ClassName(), c.className);
        EXPECT_EQ(e.Message(), c.message);
        EXPECT_EQ(e.ErrorCode(), c.errorCode);
    } catch (const Exception& e) {
        EXPECT_STREQ(e.ClassName(), c.className);
        EXPECT_EQ(e.Message(), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LoaderFailureTest, ::testing::Values(
    FailureCase{"LoadError", [] { RaiseLoadLibraryError(u"C:\\x\\zelre.dll", u"Not found.\r\n"); },
                "Exception", u"Could not load \"C:\\x\\zelre.dll\": Not found.\r\n", 0},
    FailureCase{"LoadErrorWithoutSystemText", [] { RaiseLoadLibraryError(u"a.dll", u""); },
                "Exception", u"Could not load \"a.dll\": ", 0},
    FailureCase{"ExportMissing", [] { RaiseExportMissing(); },
                "Exception", u"The dll does not export the 'DllGetClassObject' function", 0},
    FailureCase{"EntryPointFailure", [] { RaiseDllGetClassObjectFailed(static_cast<std::int32_t>(0x80040111u)); },
                "EOleSysError", u"DllGetClassObject returned 0x80040111", 0},
    // The special text belongs to CreateInstance alone.
    FailureCase{"EntryPointWrongOs", [] { RaiseDllGetClassObjectFailed(CO_E_WRONGOSFORAPP_HR); },
                "EOleSysError", u"DllGetClassObject returned 0x800401FA", 0},
    FailureCase{"CreateInstanceWrongOs", [] { RaiseCreateInstanceFailed(CO_E_WRONGOSFORAPP_HR); },
                "EOleSysError",
                u"IClassFactory.CreateInstance returned CO_E_WRONGOSFORAPP.\r\n"
                u"Make sure the bitness of your application and the MAPI system/Outlook match",
                CO_E_WRONGOSFORAPP_HR},
    FailureCase{"CreateInstanceFailure", [] { RaiseCreateInstanceFailed(static_cast<std::int32_t>(0x8007000Eu)); },
                "EOleSysError", u"IClassFactory.CreateInstance returned 0x8007000E",
                static_cast<std::int32_t>(0x8007000Eu)},
    FailureCase{"CreateInstanceLowerCaseDigits", [] { RaiseCreateInstanceFailed(static_cast<std::int32_t>(0x8badf00du)); },
                "EOleSysError", u"IClassFactory.CreateInstance returned 0x8BADF00D",
                static_cast<std::int32_t>(0x8badf00du)},
    FailureCase{"InterfaceNotSupported", [] { RaiseInterfaceNotSupported(); },
                "EIntfCastError", u"Interface not supported", 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct FolderCase {
    std::u16string fileName;
    std::u16string folder;
};

class FolderOfFileNameTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfFileNameTest, CutsAtTheLastBackslash)
{
    EXPECT_EQ(FolderOfFileName(GetParam().fileName), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Table, FolderOfFileNameTest, ::testing::Values(
    FolderCase{u"C:\\Program Files\\Zelkor\\ZelHotkeys.dll", u"C:\\Program Files\\Zelkor"},
    FolderCase{u"C:\\ZelHotkeys.dll", u"C:"},
    FolderCase{u"\\\\server\\share\\a.dll", u"\\\\server\\share"},
    FolderCase{u"C:\\dir\\", u"C:\\dir"},
    FolderCase{u"ZelHotkeys.dll", u""},
    FolderCase{u"", u""}));

} // namespace
} // namespace zel
