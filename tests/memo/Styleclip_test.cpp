// The memo's popup menu and clipboard, driven through the toolkit's own key and mouse events and the
// platform's message path.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/memo/MemoForm.h"
#include "tests/support/UiTest.h"

using memotest::Input_;
using memotest::PopupCommand;

namespace {

// ---------------------------------------------------------------- popup menu and clipboard

struct PopupCase {
    const char* Name;
    bool ReadOnly;
    bool Select;
    bool ClipboardText;
    bool Enabled[8];  // Undo, Redo, -, Cut, Copy, Paste, -, Select all
};

const PopupCase PopupCases[] = {
    {"EditableWithSelection", false, true, true, {true, false, true, true, true, true, true, true}},
    {"EditableEmptyClipboard", false, false, false, {true, false, true, false, false, false, true, true}},
    {"ReadOnlyWithSelection", true, true, true, {false, false, true, false, true, false, true, true}},
};

class Popup : public Input_, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(Popup, ItemsEnabledByTheRules)
{
    const PopupCase& c = GetParam();
    Load("some text");
    memo->setSelText("x");
    if (c.ClipboardText)
        Clipboard()->SetAsText("clip");
    else
        Clipboard()->Clear();
    memo->setReadOnly(c.ReadOnly);
    if (c.Select) memo->setSelLength(-3);
    std::vector<bool> enabled;
    SetModalHook([&](TObject* Dialog, int&) {
        auto* menu = dynamic_cast<TPopupMenu*>(Dialog);
        if (menu == nullptr) return false;
        for (int i = 0; i < menu->Items()->Count(); ++i) enabled.push_back(menu->Items()->Items(i)->Enabled());
        return true;
    });
    Input::Click(memo, 60, 5, mbRight);
    ASSERT_EQ(enabled.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(enabled[i], c.Enabled[i]) << i;
    EXPECT_EQ(memo->DefaultPopup()->Items()->Items(7)->Caption(), "&Select all");
}

INSTANTIATE_TEST_SUITE_P(Menu, Popup, ::testing::ValuesIn(PopupCases),
                         [](const ::testing::TestParamInfo<PopupCase>& i) { return std::string(i.param.Name); });

TEST_F(Input_, AnAssignedPopupMenuReplacesTheDefaultOne)
{
    TPopupMenu own(form);
    memo->SetPopupMenu(&own);
    TObject* shown = nullptr;
    SetModalHook([&](TObject* Dialog, int&) {
        shown = Dialog;
        return true;
    });
    Input::Click(memo, 60, 5, mbRight);
    EXPECT_EQ(shown, &own);
    EXPECT_EQ(memo->DefaultPopup(), nullptr);
}

TEST_F(Input_, PopupCommandsRun)
{
    Load("abc def");
    memo->CreatePopupMenu();
    TMenuItem* items = memo->DefaultPopup()->Items();
    items->Items(7)->Click();
    EXPECT_EQ(memo->SelLength(), -7);
    items->Items(3)->Click();
    EXPECT_EQ(Text(), "");
    items->Items(5)->Click();
    EXPECT_EQ(Text(), "abc def");
    items->Items(0)->Click();
    items->Items(0)->Click();
    EXPECT_EQ(Text(), "abc def");
    items->Items(1)->Click();
    EXPECT_EQ(Text(), "");
}

TEST_F(Input_, APasteIsAnUndoStepOfItsOwnAndTheMessagesEdit)
{
    Load("");
    Clipboard()->SetAsText("p\r\nq");
    Input::TypeText("x");
    // Plain text pastes as text, also where blocks are on.
    Input::PressKey('V', ssCtrl);
    Input::TypeText("y");
    EXPECT_EQ(Text(), "xp\r\nqy");
    EXPECT_EQ(memo->UndoCount(), 3);
    EXPECT_EQ(SendMessage(memo->Handle(), WM_UNDO, 0, 0), 1);
    EXPECT_EQ(Text(), "xp\r\nq");
    memo->SelectAll();
    SendMessage(memo->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(Text(), "");
    SendMessage(memo->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(Text(), "xp\r\nq");
}

TEST_F(Input_, BlocksPasteAsBlocksOnlyWhereBlocksAreOn)
{
    Mono();
    Load("abcdef\r\nabcdef\r\nabcdef");
    memo->SelectBlock(2, 0, 2, 5);
    Clipboard()->SetAsText("unchanged");
    memo->setSelLength(0);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "unchanged");  // nothing selected: the clipboard stays
    memo->SelectBlock(2, 0, 2, 5);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "cde\r\ncde\r\ncde\r\n");
    Load("12\r\n12345\r\n");
    memo->setSelStart(1);
    memo->setDisplayLeft(3 * memo->BlankWidth());  // the view scrolled does not move the column
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "1cde2\r\n1cde2345\r\n cde");
    memo->setOptions(memo->Options() & ~pmoBlockSelection);
    Load("xy", 1);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "xcde\r\ncde\r\ncde\r\ny");
}

}  // namespace

namespace {

// The clipboard's text as another program reads it.
std::u16string ClipboardUnicode()
{
    std::u16string out;
    Clipboard()->Open();
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        const auto* p = static_cast<const char16_t*>(GlobalLock(h));
        for (size_t i = 0; i < GlobalSize(h) / 2 && p[i] != 0; ++i) out += p[i];
        GlobalUnlock(h);
    }
    Clipboard()->Close();
    return out;
}

void SetClipboardUnicode(const std::u16string& Text)
{
    Clipboard()->Open();
    EmptyClipboard();
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, (Text.size() + 1) * 2);
    std::memcpy(GlobalLock(b), Text.c_str(), (Text.size() + 1) * 2);
    GlobalUnlock(b);
    SetClipboardData(CF_UNICODETEXT, b);
    Clipboard()->Close();
}

const std::u16string Word16 = u"\u041F\u0440\u0438\u043C\u0435\u0440 \u0451\u0436";  // "Пример ёж"
const std::string Word1251 = "\xCF\xF0\xE8\xEC\xE5\xF0 \xB8\xE6";

}  // namespace

// Text leaves and enters the memo as the characters its font's code page gives its bytes, and the
// line ends of other programs become paragraphs.
TEST_F(Input_, ClipboardTextCarriesTheFontsCodePageAndLineEnds)
{
    memo->Font()->SetCharset(RUSSIAN_CHARSET);
    Load(Word1251 + "\r\n2");
    memo->SelectAll();
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(ClipboardUnicode(), Word16 + u"\r\n2");
    SetClipboardUnicode(u"\u0451\u0436\n\u041F\r\nx\n\ny");
    Load("");
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "\xB8\xE6\r\n\xCF\r\nx\r\n\r\ny");
    EXPECT_EQ(memo->ParCount(), 5);
    EXPECT_EQ(memo->UndoCount(), 1);
    // A column block too.
    Mono();
    memo->Font()->SetCharset(RUSSIAN_CHARSET);
    Load(Word1251 + "\r\n" + Word1251);
    memo->SelectBlock(1, 0, 1, 3);
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(ClipboardUnicode(), u"\u0440\u0438\r\n\u0440\u0438\r\n");
    // A character the code page lacks is left out, by the keys and by the menu alike, as the middle
    // button leaves it out.
    SetClipboardUnicode(u"A\u65E5B\u20ACC\u03A9D\u0416");
    Load("");
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), "AB\x88" "CD\xC6");
    Load("");
    PopupCommand(memo, 5);
    EXPECT_EQ(Text(), "AB\x88" "CD\xC6");
    memo->Font()->SetCharset(ANSI_CHARSET);
    SetClipboardUnicode(u"\u0416 caf\u00E9\n");
    Load("");
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(Text(), " caf\xE9\r\n");
}
