// Typing through the toolkit's own key events: every character reaches WM_CHAR in the focused
// control's character set, whether it comes on a key or from the input method.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"

namespace {

class TTypist : public TCustomControl {
public:
    explicit TTypist(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
    std::string Chars;
    std::vector<Word> Keys;
    std::vector<std::pair<UINT, LPARAM>> KeyData;  // key messages with their key data
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN || Message.Msg == WM_KEYUP ||
            Message.Msg == WM_SYSKEYUP)
            KeyData.emplace_back(Message.Msg, Message.LParam);
        TCustomControl::WndProc(Message);
    }

protected:
    void KeyDown(Word& Key, TShiftState Shift) override
    {
        Keys.push_back(Key);
        TCustomControl::KeyDown(Key, Shift);
    }
    void KeyPress(char& Key) override
    {
        Chars += Key;
        TCustomControl::KeyPress(Key);
    }
};

struct TypingCase {
    const char* name;
    const char* utf8;
    Byte charset;
    const char* bytes;  // what WM_CHAR carries, in the charset's code page
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.name; }

class Typing : public ::testing::TestWithParam<TypingCase> {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(100, 100, 200, 100);
        form->AfterConstruction();
        typist = new TTypist(form);
        typist->SetParent(form);
        typist->SetBounds(10, 10, 100, 30);
        typist->Font()->SetCharset(GetParam().charset);
        form->Show();
        typist->SetFocus();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TForm* form = nullptr;
    TTypist* typist = nullptr;
};

const TypingCase kTyping[] = {
    {"AccentedLatinIn1252", "w\xC3\xB6rld \xC3\xA9", DEFAULT_CHARSET, "w\xF6rld \xE9"},
    {"EuroIn1252", "\xE2\x82\xAC", DEFAULT_CHARSET, "\x80"},
    {"CyrillicIn1251", "\xD0\xB6\xD1\x83\xD0\xBA \xE2\x82\xAC", RUSSIAN_CHARSET, "\xE6\xF3\xEA \x88"},
    // What the character set cannot hold is left out, not typed as a '?' the user never typed; an
    // accented letter keeps its base letter.
    {"CyrillicIsLeftOutOf1252", "\xD0\xB6", DEFAULT_CHARSET, ""},
    {"AccentedLetterMissingIn1251KeepsItsBase", "w\xC3\xB6", RUSSIAN_CHARSET, "wo"},
    {"LetterWithoutABaseIsLeftOut", "w\xC5\x81x", RUSSIAN_CHARSET, "wx"},
    {"ControlKeysStayControls", "aB\b\r", DEFAULT_CHARSET, "aB\b\r"},
};

TEST_P(Typing, KeysTypeTheirTextInTheFocusedControlsCharset)
{
    Input::TypeText(GetParam().utf8);
    EXPECT_EQ(typist->Chars, std::string(GetParam().bytes));
    // A key the layout gives no virtual key still reaches the control as a key.
    if (std::string(GetParam().utf8).find('\xD0') != std::string::npos && *GetParam().bytes) {
        EXPECT_NE(std::find(typist->Keys.begin(), typist->Keys.end(), VK_PACKET), typist->Keys.end());
    }
}

TEST_P(Typing, TheInputMethodsCommitArrivesAsCharacters)
{
    Input::CommitText(GetParam().utf8);
    EXPECT_EQ(typist->Chars, std::string(GetParam().bytes));
    EXPECT_TRUE(typist->Keys.empty());
}

INSTANTIATE_TEST_SUITE_P(Text, Typing, ::testing::ValuesIn(kTyping),
                         [](const ::testing::TestParamInfo<TypingCase>& i) { return std::string(i.param.name); });

TEST(KeyMessages, KeyDataTellsAltReleaseAndRepeat)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->AfterConstruction();
    auto* typist = new TTypist(form);
    typist->SetParent(form);
    form->Show();
    typist->SetFocus();
    Input::KeyDown('X', ssAlt);
    Input::KeyUp('X');
    Input::KeyDown('Y');
    Input::KeyRepeat('Y');
    ASSERT_EQ(typist->KeyData.size(), 4u);
    EXPECT_EQ(typist->KeyData[0].first, WM_SYSKEYDOWN);
    EXPECT_EQ(typist->KeyData[0].second, LPARAM(1) | (LPARAM(1) << 29));
    EXPECT_EQ(typist->KeyData[1].first, WM_KEYUP);
    EXPECT_EQ(typist->KeyData[1].second, LPARAM(1) | (LPARAM(3) << 30));
    EXPECT_EQ(typist->KeyData[2].second, LPARAM(1));
    // A held key says it was down before.
    EXPECT_EQ(typist->KeyData[3].first, WM_KEYDOWN);
    EXPECT_EQ(typist->KeyData[3].second, LPARAM(1) | (LPARAM(1) << 30));
    EXPECT_EQ(typist->Chars, "yy");
    delete form;
    uitest::Pump();
}

}  // namespace
