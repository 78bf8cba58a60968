// Editing as the Linux desktop does it, through the layer's own input: the edit menu on a right
// click, the middle click pasting the primary selection, selections offered as the primary one, a
// drag held beyond the memo's edge scrolling on, and pastes that keep what the character set holds.
// (With no window system the program keeps a primary selection of its own; DesktopEditingX11_test
// runs the same conventions against other programs.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Clipbrd.h"
#include "platform/CodePages.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "tests/support/ModalHook.h"
#include "tests/support/UiTest.h"

namespace {

class DesktopEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 460, 340);
        form->AfterConstruction();
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        delete form;
        uitest::Pump();
    }
    template <class T>
    T* Make(int x, int y, int w, int h)
    {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetBounds(x, y, w, h);
        return c;
    }
    // The menu a right click at (X, Y) opens: its captions and which are enabled; Choose (a caption)
    // is clicked while it is open.
    struct TShown {
        TObject* Menu = nullptr;
        std::vector<std::string> Captions;
        std::vector<bool> Enabled;
    };
    TShown RightClick(TControl* Target, int X, int Y, const std::string& Choose = "")
    {
        TShown shown;
        SetModalHook([&](TObject* Dialog, int&) {
            auto* menu = dynamic_cast<TPopupMenu*>(Dialog);
            if (!menu)
                return false;
            shown.Menu = menu;
            for (int i = 0; i < menu->Items()->Count(); ++i) {
                TMenuItem* item = menu->Items()->Items(i);
                shown.Captions.push_back(item->Caption());
                shown.Enabled.push_back(item->Enabled());
            }
            for (int i = 0; i < menu->Items()->Count(); ++i)
                if (menu->Items()->Items(i)->Caption() == Choose)
                    menu->Items()->Items(i)->Click();
            return true;
        });
        Input::Click(Target, X, Y, mbRight);
        SetModalHook(nullptr);
        return shown;
    }
    TForm* form = nullptr;
};

const std::vector<std::string> kEditMenu = {"&Undo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All"};

struct TMenuCase {
    const char* Name;
    bool ReadOnly, Selected, Password, ClipboardText, Typed, AllSelected;
    // Undo, Cut, Copy, Paste, Delete, Select All
    std::vector<bool> Enabled;
};

class EditMenu : public DesktopEditing, public ::testing::WithParamInterface<TMenuCase> {};

const TMenuCase kMenuCases[] = {
    {"Fresh", false, false, false, false, false, false, {false, false, false, false, false, true}},
    {"Selected", false, true, false, true, false, false, {false, true, true, true, true, true}},
    {"AfterTyping", false, false, false, true, true, false, {true, false, false, true, false, true}},
    {"ReadOnly", true, true, false, true, false, false, {false, false, true, false, false, true}},
    {"Password", false, true, true, true, false, false, {false, false, false, true, true, true}},
    {"AllSelected", false, true, false, false, false, true, {false, true, true, false, true, false}},
};

TEST_P(EditMenu, ItemsAreGreyedWhereTheyDoNotApply)
{
    const TMenuCase& c = GetParam();
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    edit->SetText("some text");
    edit->SetFocus();
    if (c.ClipboardText)
        Clipboard()->SetAsText("clip");
    else
        Clipboard()->Clear();
    edit->SetSelStart(0);
    if (c.Typed)
        Input::TypeText("x");
    if (c.Password)
        edit->SetPasswordChar('*');
    if (c.Selected) {
        edit->SetSelStart(0);
        edit->SetSelLength(c.AllSelected ? int(edit->Text().size()) : 4);
    }
    edit->SetReadOnly(c.ReadOnly);
    const TShown shown = RightClick(edit, 20, 8);
    ASSERT_EQ(shown.Captions, kEditMenu);
    const std::vector<bool> items = {shown.Enabled[0], shown.Enabled[2], shown.Enabled[3],
                                     shown.Enabled[4], shown.Enabled[5], shown.Enabled[7]};
    EXPECT_EQ(items, c.Enabled);
}

INSTANTIATE_TEST_SUITE_P(Edits, EditMenu, ::testing::ValuesIn(kMenuCases),
                         [](const ::testing::TestParamInfo<TMenuCase>& i) { return std::string(i.param.Name); });

TEST_F(DesktopEditing, TheEditMenuActsOnTheControlItOpenedOver)
{
    // Over a form with a menu of its own: a text field keeps its edit menu.
    TPopupMenu formMenu(form);
    form->SetPopupMenu(&formMenu);
    auto* memo = Make<TMemo>(10, 10, 200, 100);
    memo->SetText("one\r\ntwo");
    int changes = 0;
    memo->OnChange = [&](TObject*) { ++changes; };
    memo->SetFocus();
    TShown shown = RightClick(memo, 20, 8, "Select &All");
    EXPECT_EQ(shown.Captions, kEditMenu);
    EXPECT_EQ(memo->SelLength(), int(memo->Text().size()));
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "one\r\ntwo") << "choosing Select All offers the selection";
    Clipboard()->SetAsText("pasted");
    RightClick(memo, 20, 8, "&Paste");
    EXPECT_EQ(memo->Text(), "pasted");
    EXPECT_EQ(changes, 1);
    RightClick(memo, 20, 8, "&Undo");
    EXPECT_EQ(memo->Text(), "one\r\ntwo");
    memo->SetSelStart(0);
    memo->SetSelLength(3);
    RightClick(memo, 20, 8, "Cu&t");
    EXPECT_EQ(memo->Text(), "\r\ntwo");
    EXPECT_EQ(Clipboard()->AsText(), "one");
    memo->SetSelStart(2);
    memo->SetSelLength(3);
    RightClick(memo, 20, 8, "&Copy");
    EXPECT_EQ(Clipboard()->AsText(), "two");
    RightClick(memo, 20, 8, "&Delete");
    EXPECT_EQ(memo->Text(), "\r\n");

    // A menu of the control's own replaces the edit menu; the combo box's field follows its box.
    TPopupMenu own(form);
    memo->SetPopupMenu(&own);
    EXPECT_EQ(RightClick(memo, 20, 8).Menu, &own);
    auto* combo = Make<TComboBox>(10, 150, 150, 0);
    combo->SetText("field");
    TWinControl* field = TWinControl::FindControl(combo->EditHandle());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(RightClick(field, 5, 5).Captions, kEditMenu);
    combo->SetPopupMenu(&own);
    EXPECT_EQ(RightClick(field, 5, 5).Menu, &own);
}

TEST_F(DesktopEditing, AHandlerOfTheEditMenuMayFreeTheForm)
{
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    edit->OnChange = [this](TObject*) {
        // The handler goes with the form: nothing of it is touched after the delete.
        TForm* f = form;
        form = nullptr;
        delete f;
    };
    Clipboard()->SetAsText("x");
    RightClick(edit, 5, 5, "&Paste");
    EXPECT_EQ(form, nullptr);
}

TEST_F(DesktopEditing, SelectingOffersThePrimarySelectionAndTheMiddleButtonPastesIt)
{
    auto* edit = Make<TEdit>(10, 10, 300, 24);
    auto* memo = Make<TMemo>(10, 50, 300, 100);
    edit->SetText("alpha beta");
    memo->SetText("first\r\nsecond");
    // A double click selects a word, which becomes the primary selection; the clipboard stays.
    Clipboard()->SetAsText("clip");
    Input::DoubleClick(edit, 5, 8);
    ASSERT_EQ(edit->SelText(), "alpha");
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "alpha");
    EXPECT_EQ(Clipboard()->AsText(), "clip");
    // A middle click pastes it where the pointer is, and takes the focus.
    memo->SetSelStart(0);
    Input::Click(memo, 200, 8, mbMiddle);
    EXPECT_TRUE(memo->Focused());
    EXPECT_EQ(memo->Text(), "firstalpha\r\nsecond");
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(memo->Text(), "first\r\nsecond") << "one undo step";
    // Selected by the keyboard (Shift with arrows, Ctrl+A), the memo's lines go with LF to others
    // and come back as CR LF.
    Input::PressKey(VK_HOME, ssCtrl);
    Input::PressKey(VK_END, ssCtrl | ssShift);
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "first\r\nsecond");
    edit->SetFocus();
    Input::PressKey('A', ssCtrl);
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "alpha beta");
    // Selections made by the program, and what a password hides, are not offered.
    memo->SetSelStart(0);
    memo->SetSelLength(5);
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "alpha beta");
    edit->SetPasswordChar('*');
    Input::DoubleClick(edit, 5, 8);
    EXPECT_EQ(Clipboard()->PrimaryText(1252), "alpha beta");
    // A read-only memo takes nothing.
    memo->SetReadOnly(true);
    Input::Click(memo, 5, 8, mbMiddle);
    EXPECT_EQ(memo->Text(), "first\r\nsecond");
    // The combo box's field pastes as an edit does, what its one line can hold.
    auto* combo = Make<TComboBox>(10, 160, 150, 0);
    TWinControl* field = TWinControl::FindControl(combo->EditHandle());
    ASSERT_NE(field, nullptr);
    Clipboard()->SetPrimaryText("one\r\ntwo", 1252);
    Input::Click(field, 5, 5, mbMiddle);
    EXPECT_EQ(combo->Text(), "one");
}

TEST_F(DesktopEditing, TextTheCharacterSetCannotHoldIsLeftOutOfAPaste)
{
    auto* edit = Make<TEdit>(10, 10, 300, 24);
    edit->SetFocus();
    // "Ждём café Łódź" from another program.
    const std::u16string given = u"\u0416\u0434\u0451\u043C caf\u00E9 \u0141\u00F3d\u017A";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL b = GlobalAlloc(GMEM_MOVEABLE, (given.size() + 1) * 2);
    std::memcpy(GlobalLock(b), given.c_str(), (given.size() + 1) * 2);
    GlobalUnlock(b);
    SetClipboardData(CF_UNICODETEXT, b);
    CloseClipboard();
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(edit->Text(), " caf\xE9 \xF3" "dz");
    edit->Clear();
    edit->Font()->SetCharset(RUSSIAN_CHARSET);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(edit->Text(), "\xC6\xE4\xB8\xEC" " cafe odz");
}

TEST_F(DesktopEditing, ADragHeldBeyondTheEdgeGoesOnSelecting)
{
    auto* memo = Make<TMemo>(10, 10, 200, 100);
    memo->SetScrollBars(ssVertical);
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    memo->SetText(text);
    auto top = [&] { return int(SendMessage(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0)); };
    Input::MouseDown(memo, mbLeft, 5, 5);
    const int anchor = memo->SelStart();
    Input::MouseMove(memo, 5, memo->ClientHeight() + 10, ssLeft);
    const int first = top();
    // With the pointer still, the memo scrolls on and the selection follows.
    EXPECT_TRUE(uitest::PumpUntil([&] { return top() >= first + 20; }, 60000)) << top();
    EXPECT_EQ(memo->SelStart(), anchor);
    EXPECT_GT(memo->SelLength(), int(SendMessage(memo->Handle(), EM_LINEINDEX, WPARAM(first + 20), 0)));
    // Back inside it stops; beyond the top it goes back up until the button is let go.
    Input::MouseMove(memo, 5, 20, ssLeft);
    const int held = top();
    uitest::Pump(300);
    EXPECT_EQ(top(), held);
    Input::MouseMove(memo, 5, -10, ssLeft);
    EXPECT_TRUE(uitest::PumpUntil([&] { return top() <= held - 5; }, 60000)) << top();
    Input::MouseUp(memo, mbLeft, 5, -10);
    const int released = top();
    uitest::Pump(300);
    EXPECT_EQ(top(), released);
    // A one-line edit scrolls sideways the same way.
    auto* edit = Make<TEdit>(10, 150, 100, 24);
    edit->SetText(std::string(300, 'w'));
    Input::MouseDown(edit, mbLeft, 3, 8);
    Input::MouseMove(edit, edit->ClientWidth() + 10, 8, ssLeft);
    EXPECT_TRUE(uitest::PumpUntil([&] { return edit->SelLength() == 300; }, 60000)) << edit->SelLength();
    Input::MouseUp(edit, mbLeft, edit->ClientWidth() + 10, 8);
}

}  // namespace
