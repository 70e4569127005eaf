// A fixture for tests of the hotkey dispatch: the stand-in Outlook with a session of the
// stand-in library (zelre.dll, whose path the test program gets as ZEL_TEST_ZELRE_DLL), a hotkey
// table with its store, and the dispatch wired to them with its status texts recorded.
#pragma once

#include "hotkeys/HotKeyDispatch.h"
#include "platform/Handles.h"
#include "support/TestLibraries.h"
#include "storage/FormStorage.h"
#include "support/StandinOutlookWithSession.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zel::testing {

class TDispatchFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        FApartment.emplace();
        FStandins.emplace(BuildPath(ZEL_TEST_ZELRE_DLL));
        ASSERT_TRUE(FStandins->Registered());
        FOutlook = FStandins->Outlook();
        FDispatch.SetNameSpace(FStandins->NameSpace());
        FDispatch.SetSession(FStandins->Session());
    }
    void TearDown() override
    {
        FDispatch.SetNameSpace(nullptr);
        FDispatch.SetSession(nullptr);
        FStandins->Release();
        EXPECT_EQ(standin::LiveStandinObjects(), 0) << "every Outlook object the dispatch fetched was released";
        EXPECT_EQ(FStandins->LiveLibraryObjects(), 0)
            << "every object of the extended-MAPI library (messages, recipients, attachments, safe inspectors) was released";
        FStandins.reset();
        FApartment.reset();
    }

    TTreeData& AddRow(std::u16string hotKey, std::u16string action, std::u16string settings)
    {
        TTreeData& row = FRows.Add();
        row.Subject = std::move(hotKey);
        row.Folder = std::move(action);
        row.EntryID = std::move(settings);
        return row;
    }

    std::optional<TComApartment> FApartment; // declared first: left after everything else let go
    std::optional<TStandinOutlookWithSession> FStandins;
    standin::TStandinApplication* FOutlook = nullptr;
    THotKeyRows FRows;
    TXMLFileStorage FStore;
    TFormStorage FForm{FStore};
    std::vector<std::u16string> FStatus;
    THotKeyDispatch FDispatch{FRows, FForm, [this](const std::u16string& text) { FStatus.push_back(text); }};
};

} // namespace zel::testing
