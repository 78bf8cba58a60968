// The font dialog as a person uses it: keys go to the toolkit's dialog while it is up.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Input.h"

namespace {

int gKeysSent = 0;
Word gKey = 0;

// Presses gKey at the dialog every 50 ms until stopped; the count tells how many it took.
UINT PressWhileOpen(Word key)
{
    gKeysSent = 0;
    gKey = key;
    return SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT, DWORD) {
        ++gKeysSent;
        Input::PressKey(gKey);
    });
}

struct StyleCase {
    const char* name;
    const char* face;
    TFontStyles style;
};

void PrintTo(const StyleCase& c, std::ostream* os) { *os << c.name; }

class FontDialogStyle : public ::testing::TestWithParam<StyleCase> {};

TEST_P(FontDialogStyle, OkGivesBackTheStyleItOpenedWith)
{
    Application->Initialize();
    TFontDialog dlg(nullptr);
    dlg.Font()->SetName(GetParam().face);
    dlg.Font()->SetSize(10);
    dlg.Font()->SetStyle(GetParam().style);
    UINT timer = PressWhileOpen(VK_RETURN);
    ASSERT_NE(timer, 0u);
    bool ok = dlg.Execute();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(ok);
    EXPECT_EQ(dlg.Font()->Style(), GetParam().style);
    EXPECT_EQ(dlg.Font()->Size(), 10);
    // A name the user did not change comes back as it was, not as the face standing in for it.
    EXPECT_EQ(dlg.Font()->Name(), GetParam().face);
}

const StyleCase kStyles[] = {
    {"RegularDialogFace", "MS Sans Serif", 0},
    {"BoldDialogFace", "MS Sans Serif", FontStyle(fsBold)},
    {"ItalicSerif", "Times New Roman", FontStyle(fsItalic)},
    {"BoldItalicMono", "Courier New", FontStyle(fsBold) | FontStyle(fsItalic)},
};
INSTANTIATE_TEST_SUITE_P(Styles, FontDialogStyle, ::testing::ValuesIn(kStyles),
                         [](const ::testing::TestParamInfo<StyleCase>& i) { return std::string(i.param.name); });

TEST(FontDialog, OneEscapeCancelsTheWholeDialog)
{
    Application->Initialize();
    TFontDialog dlg(nullptr);
    dlg.Font()->SetStyle(FontStyle(fsBold));
    UINT timer = PressWhileOpen(VK_ESCAPE);
    bool ok = dlg.Execute();
    KillTimer(nullptr, timer);
    EXPECT_FALSE(ok);
    EXPECT_EQ(gKeysSent, 1);
    EXPECT_EQ(dlg.Font()->Style(), FontStyle(fsBold));
}

}  // namespace
