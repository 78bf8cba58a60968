// Editing as the Linux desktop does it, on a virtual X display with xclip and xsel as the other
// programs: the primary selection, line ends handed over, the middle click.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

namespace {

bool HaveSelectionTools() { return access("/usr/bin/xclip", X_OK) == 0 && access("/usr/bin/xsel", X_OK) == 0; }

// "Пример ёж" in Windows-1251 bytes and in UTF-8.
const std::string Cyrillic1251 = "\xCF\xF0\xE8\xEC\xE5\xF0 \xB8\xE6";
const std::string CyrillicUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80 \xD1\x91\xD0\xB6";

// What another program reads of the primary selection.
std::string XselPrimary()
{
    std::string out;
    x11test::RunHere({"/usr/bin/xsel", "--primary", "--output"}, &out);
    return out;
}

TEST(DesktopEditingX11, PrimarySelectionTravelsBetweenPrograms)
{
    x11test::TDisplay display;
    if (!display.Ok())
        GTEST_SKIP() << display.Why();
    if (!HaveSelectionTools())
        GTEST_SKIP() << "xclip and xsel are needed";
    // Another program's selection, with its own line ends.
    display.Start({"/usr/bin/xclip", "-i", "-quiet", "-selection", "primary"},
                  "caf\xC3\xA9 \xE2\x82\xAC\nline\r\n" + CyrillicUtf8);
    std::string out;
    EXPECT_EQ(display.RunRole("DesktopEditingX11.DISABLED_Role", "primary", out), 0) << out;
}

TEST(DesktopEditingX11, DISABLED_Role)
{
    const std::string role = x11test::Role();
    ASSERT_FALSE(role.empty());
    Application->Initialize();
    if (role == "primary") {
        ASSERT_TRUE(uitest::PumpUntil([] { return Clipboard()->HasPrimaryText(); }, 60000));
        bool leftOut = false;
        EXPECT_EQ(Clipboard()->PrimaryText(1252, &leftOut), "caf\xE9 \x80\r\nline\r\n ");
        EXPECT_TRUE(leftOut);
        EXPECT_EQ(Clipboard()->PrimaryText(1251), "cafe \x88\r\nline\r\n" + Cyrillic1251);
        // Taking the selection over: other programs read the characters, with LF line ends.
        Clipboard()->SetPrimaryText(Cyrillic1251 + "\r\n2\r\n", 1251);
        EXPECT_EQ(XselPrimary(), CyrillicUtf8 + "\n2\n");
        EXPECT_EQ(Clipboard()->PrimaryText(1251), Cyrillic1251 + "\r\n2\r\n");
    }
}

}  // namespace
