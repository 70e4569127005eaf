// The stand-in Outlook killed (TerminateProcess, no clean-up of any kind) at random moments
// while a hotkey is being added in the settings window: afterwards config.xml parses and holds
// either the table before the change or the table after it, never a torn, empty or older file;
// error.log is readable; the next start loads the table and registers its hotkeys.
//
// ZEL_KILLS sets the number of kills (default 8); the long run takes a few hundred:
//   ZEL_KILLS=300 build/win64/wine-run build/win64/tests/e2e/kill_e2e_tests.exe
#include "diagnostics/JvLogFile.h"
#include "platform/Exceptions.h"
#include "storage/XMLFileStorage.h"
#include "support/AddinPlaces.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/RegisteredAddin.h"
#include "support/SettingsWindowRemote.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::BuildPath;

::testing::Environment* const GCom = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

constexpr const char* KeptChord = "Shift+Ctrl+Alt+F6";

// The table's hotkey texts as the file holds them; nothing when the file does not parse.
std::optional<std::vector<std::u16string>> TableOf(const std::string& bytes)
{
    TXMLFileStorage store;
    try {
        store.LoadFromBytes(bytes);
    } catch (const Exception&) {
        return std::nullopt;
    }
    const int count = std::stoi(ToUtf8(store.ReadString(u"MainForm\\HotKeys\\Count", u"-1")));
    if (count < 0)
        return std::nullopt;
    std::vector<std::u16string> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(store.ReadString(u"MainForm\\HotKeys\\" + U16(std::to_string(i)) + u"\\HotKey", u""));
    return rows;
}

int KillCount()
{
    const char* text = std::getenv("ZEL_KILLS");
    return text && std::atoi(text) > 0 ? std::atoi(text) : 8;
}

TEST(Kills, NeverCostTheSettingsFileOrTheLog)
{
    testing::TAddinPlaces places(BuildPath(ZEL_TEST_ZELRE_DLL));
    const std::string base = testing::ConfigWithRows({testing::ConfigRow(0, KeptChord, "Insert Text", "Kind regards")});
    places.WriteConfig(base);
    testing::TZelreRegistration zelre(BuildPath(ZEL_TEST_ZELRE_DLL));
    ASSERT_TRUE(zelre.Registered());
    testing::TRegisteredAddin addin(BuildPath(ZEL_TEST_ZELHOTKEYS_DLL));
    ASSERT_TRUE(addin.Registered());

    std::mt19937 random(std::random_device{}());
    const int kills = KillCount();
    int torn = 0, older = 0, notLoaded = 0, unreadableLogs = 0, afterChange = 0;
    for (int kill = 0; kill < kills; ++kill) {
        const std::optional<std::vector<std::u16string>> before = TableOf(places.ReadConfig());
        ASSERT_TRUE(before) << "kill " << kill << ": the file before the change parses";
        if (before->size() >= 12) { // a table of bounded size: back to the first row
            places.WriteConfig(base);
            --kill;
            continue;
        }

        testing::TStandinOutlookProcess outlook(BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE), L"--explorers 1");
        ASSERT_TRUE(outlook.Started());
        outlook.WaitReady();
        // The restart loaded the table and registered its hotkeys.
        if (testing::ChordFreeForOthers(std::wstring(KeptChord, KeptChord + std::strlen(KeptChord))))
            ++notLoaded;
        outlook.Send(L"click explorer 1 Zelkor Hotkeys"); // the settings window shown, as a user opens it
        const HWND form = testing::TSettingsWindowRemote::Find(outlook.ProcessId());
        ASSERT_NE(form, nullptr);
        testing::TSettingsWindowRemote remote(form);

        // A new row, its chord a letter of its own; the click is posted and the kill comes
        // while the window handles it or soon after.
        const std::u16string chord = u"Shift+Ctrl+Alt+" + std::u16string(1, static_cast<char16_t>(u'A' + before->size()));
        SendMessageW(remote.Control(TMainForm::idHotKeyEdit), HKM_SETHOTKEY,
                     HotKeyValueFromShortCut(TextToShortCut(chord)), 0);
        PostMessageW(remote.Control(TMainForm::idAddButton), BM_CLICK, 0, 0);
        // Half the kills within the first milliseconds, while the row is added and the file
        // written; the others at any moment of the next 300 ms.
        Sleep(std::uniform_int_distribution<DWORD>(0, kill % 2 ? 12 : 300)(random));
        outlook.Kill();

        const std::optional<std::vector<std::u16string>> after = TableOf(places.ReadConfig());
        std::vector<std::u16string> changed = *before;
        changed.push_back(chord);
        if (!after)
            ++torn;
        else if (*after == changed)
            ++afterChange;
        else if (*after != *before)
            ++older;
        if (std::filesystem::exists(places.LogFile())) {
            TJvLogFile log;
            log.SetFileName(places.LogFile().u16string());
            if (!log.Load())
                ++unreadableLogs;
        }
    }
    std::printf("kills %d: after the change %d, before it %d, torn %d, other tables %d, start without the "
                "table's hotkeys %d, unreadable logs %d\n",
                kills, afterChange, kills - afterChange - torn - older, torn, older, notLoaded, unreadableLogs);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(older, 0);
    EXPECT_EQ(notLoaded, 0);
    EXPECT_EQ(unreadableLogs, 0);
}

} // namespace
} // namespace zel
