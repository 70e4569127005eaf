// The settings window's rule-following texts and its layout, without a window.
#include "hotkeys/MainLayout.h"
#include "hotkeys/MainTexts.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

TEST(MainTexts, TheHintMarkupBreaksLinesAtEachBr)
{
    struct Case {
        std::u16string_view markup, text;
    };
    for (const Case& c : {Case{u"Hints", u"Hints"}, Case{u"a<br>b", u"a\r\nb"}, Case{u"<br>a<br><br>", u"\r\na\r\n\r\n"},
                          Case{u"a<br", u"a<br"}, Case{u"", u""}})
        EXPECT_EQ(HintLabelText(c.markup), c.text) << std::string(c.markup.begin(), c.markup.end());
    EXPECT_EQ(HintLabelText(HintsText),
              u"Select hotkey in the editbox above and click \"Add\" to enable it.\r\n"
              u"Click on \"Action\" column to choose action to be executed after pressing the hotkey.");
}

TEST(MainTexts, ProblemsNameTheHotkeyInPlainWords)
{
    EXPECT_EQ(HotKeyProblemText(u"Ctrl+Alt+T", THotKeyProblem::TakenElsewhere),
              u"Ctrl+Alt+T is used by another program; this hotkey will not work.");
    EXPECT_EQ(HotKeyProblemText(u"Ctrl+Alt+T", THotKeyProblem::TakenByRow),
              u"Ctrl+Alt+T is already in the table; a press runs the first row that has it.");
    EXPECT_EQ(HotKeyProblemText(u"Ctrl+Alt+T", THotKeyProblem::None), u"");
    EXPECT_NE(UnreadableSettingsText(u"C:\\x\\config.xml").find(u"C:\\x\\config.xml"), std::u16string::npos);
    EXPECT_EQ(MailLibraryProblemText(u"0x80004005"),
              u"The mail library could not be started, so \"Send Desktop Screenshot\" and choosing \"Switch To "
              u"Folder\" will not work: 0x80004005.");
}

TEST(MainLayout, TheDesignedSizePlacesTheStripsAndKeepsTheRightGroupAtTheRightEdge)
{
    const TMainLayout designed = MainFormLayout(DesignedClientWidth, DesignedClientHeight);
    EXPECT_EQ(designed.HotKeyEdit, (TBounds{23, 34, 94, 19})) << "19, 32 inside the Hotkeys group";
    EXPECT_EQ(designed.HotkeysGroup.Width, 260);
    EXPECT_EQ(designed.HelpGroup.Width, 84);
    EXPECT_EQ(designed.AddButton.Width, 64);
    EXPECT_EQ(designed.AddButton.Height, 64);
    EXPECT_EQ(designed.MoreGroup.Left + designed.MoreGroup.Width, DesignedClientWidth - 4);
    EXPECT_EQ(designed.ItemsPanel, (TBounds{0, ToolStripHeight, 600, 480 - 81 - 32 - 19}));
    EXPECT_EQ(designed.ItemsVST, (TBounds{0, CaptionBarHeight, 600, designed.ItemsPanel.Height - CaptionBarHeight}));
    EXPECT_EQ(designed.Hints.Left, 7);
    EXPECT_EQ(designed.Hints.Width, 600 - 14);
    EXPECT_EQ(designed.StatusBar, (TBounds{0, 461, 600, 19}));

    const TMainLayout wide = MainFormLayout(1000, 700);
    EXPECT_EQ(wide.MoreGroup.Left + wide.MoreGroup.Width, 996);
    EXPECT_EQ(wide.HotKeyEdit, designed.HotKeyEdit);
    EXPECT_EQ(wide.ItemsPanel.Height, 700 - 81 - 32 - 19);

    // Squeezed below its minimum, nothing overlaps the Help group or gets a negative size.
    const TMainLayout tiny = MainFormLayout(100, 50);
    EXPECT_GE(tiny.MoreGroup.Left, tiny.HelpGroup.Left + tiny.HelpGroup.Width);
    EXPECT_GE(tiny.ItemsVST.Height, 0);
    EXPECT_GE(tiny.Hints.Width, 0);
}

} // namespace
} // namespace zel
