// TrackPopupMenu as a person uses it: arrow keys and Enter on the open menu.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "tests/support/UiTest.h"

namespace {

std::vector<Word> gKeys;
size_t gNext = 0;

// Presses the queued keys one per tick while the menu is open.
UINT PressInTurn(std::vector<Word> keys)
{
    gKeys = std::move(keys);
    gNext = 0;
    return SetTimer(nullptr, 0, 40, [](HWND, UINT, UINT, DWORD) {
        if (gNext < gKeys.size())
            Input::PressKey(gKeys[gNext++]);
    });
}

class TCommandForm : public TForm {
public:
    using TForm::TForm;
    std::vector<WPARAM> Commands;
    std::vector<UINT> MenuLoop;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_COMMAND)
            Commands.push_back(Message.WParam);
        if (Message.Msg == WM_ENTERMENULOOP || Message.Msg == WM_EXITMENULOOP)
            MenuLoop.push_back(Message.Msg);
        TForm::WndProc(Message);
    }
};

class PopupMenus : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TCommandForm(nullptr);
        form->AfterConstruction();
        form->Show();
        menu = new TPopupMenu(form);
        for (const char* caption : {"&Copy", "-", "Select &all", "&Save..."}) {
            auto* item = new TMenuItem(menu);
            item->SetCaption(caption);
            item->OnClick = [this](TObject* Sender) { Clicked.push_back(static_cast<TMenuItem*>(Sender)); };
            menu->Items()->Add(item);
        }
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TCommandForm* form = nullptr;
    TPopupMenu* menu = nullptr;
    std::vector<TMenuItem*> Clicked;
};

TEST_F(PopupMenus, ReturningTheCommandRunsNothing)
{
    UINT t = PressInTurn({VK_DOWN, VK_DOWN, VK_RETURN});
    BOOL r = TrackPopupMenu(menu->Items()->Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON, 200, 200, 0, form->Handle(), nullptr);
    KillTimer(nullptr, t);
    // The separator is passed over: the second choosable item is "Select all".
    EXPECT_EQ(r, BOOL(menu->Items()->Items(2)->Command()));
    uitest::Pump();
    EXPECT_TRUE(Clicked.empty());
    EXPECT_TRUE(form->Commands.empty());
    // The menu shown is gone; its items can still change. Only that call asked: the next menu runs
    // its choice.
    menu->Items()->Items(0)->SetCaption("&Copy it");
    t = PressInTurn({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(TrackPopupMenu(menu->Items()->Handle(), 0, 200, 200, 0, form->Handle(), nullptr));
    KillTimer(nullptr, t);
    ASSERT_EQ(Clicked.size(), 1u);
    EXPECT_EQ(Clicked[0], menu->Items()->Items(0));
}

TEST_F(PopupMenus, AChosenItemRunsAndTheWindowHearsItsCommand)
{
    UINT t = PressInTurn({VK_DOWN, VK_RETURN});
    BOOL r = TrackPopupMenu(menu->Items()->Handle(), TPM_LEFTALIGN, 200, 200, 0, form->Handle(), nullptr);
    KillTimer(nullptr, t);
    EXPECT_TRUE(r);
    ASSERT_EQ(Clicked.size(), 1u);
    EXPECT_EQ(Clicked[0], menu->Items()->Items(0));
    uitest::Pump();
    ASSERT_EQ(form->Commands.size(), 1u);
    EXPECT_EQ(LOWORD(form->Commands[0]), menu->Items()->Items(0)->Command());
}

TEST_F(PopupMenus, EscapeChoosesNothingAndStaleHandlesAreRefused)
{
    UINT t = PressInTurn({VK_ESCAPE});
    EXPECT_EQ(TrackPopupMenu(menu->Items()->Handle(), TPM_RETURNCMD, 200, 200, 0, nullptr, nullptr), 0);
    KillTimer(nullptr, t);
    EXPECT_NE(menu->Items()->Items(0)->Command(), menu->Items()->Items(2)->Command());
    auto* gone = new TMenuItem(nullptr);
    HMENU h = gone->Handle();
    delete gone;
    EXPECT_FALSE(TrackPopupMenu(h, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr));
}

TEST_F(PopupMenus, TheOwnerHearsTheMenuLoopBeginAndEnd)
{
    UINT t = PressInTurn({VK_ESCAPE});
    TrackPopupMenu(menu->Items()->Handle(), TPM_RETURNCMD, 200, 200, 0, form->Handle(), nullptr);
    KillTimer(nullptr, t);
    EXPECT_EQ(form->MenuLoop, (std::vector<UINT>{WM_ENTERMENULOOP, WM_EXITMENULOOP}));
    // A menu without an owner window tells nobody.
    t = PressInTurn({VK_ESCAPE});
    TrackPopupMenu(menu->Items()->Handle(), TPM_RETURNCMD, 200, 200, 0, nullptr, nullptr);
    KillTimer(nullptr, t);
    EXPECT_EQ(form->MenuLoop.size(), 2u);
}

TEST_F(PopupMenus, AnItemMayFreeItsMenuWhileItIsShown)
{
    TPopupMenu* doomed = new TPopupMenu(nullptr);
    int runs = 0;
    for (const char* caption : {"&Close", "&Other"}) {
        auto* item = new TMenuItem(doomed);
        item->SetCaption(caption);
        item->OnClick = [&](TObject*) {
            // The handler goes with its item: nothing of it is read after the delete.
            ++runs;
            delete std::exchange(doomed, nullptr);
        };
        doomed->Items()->Add(item);
    }
    UINT t = PressInTurn({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(TrackPopupMenu(doomed->Items()->Handle(), 0, 200, 200, 0, form->Handle(), nullptr));
    KillTimer(nullptr, t);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(doomed, nullptr);
    uitest::Pump();
    // The same through the menu's own Popup.
    doomed = new TPopupMenu(nullptr);
    auto* item = new TMenuItem(doomed);
    item->SetCaption("&Close");
    item->OnClick = [&](TObject*) {
        ++runs;
        delete std::exchange(doomed, nullptr);
    };
    doomed->Items()->Add(item);
    t = PressInTurn({VK_DOWN, VK_RETURN});
    doomed->Popup(200, 200);
    KillTimer(nullptr, t);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(doomed, nullptr);
}

TEST_F(PopupMenus, AnEntryOfAFreedItemChoosesNothing)
{
    // The item goes while the menu is up (another part of the program frees it); choosing its entry
    // then runs nothing.
    static TPopupMenu* doomed;
    doomed = new TPopupMenu(nullptr);
    bool ran = false;
    auto* item = new TMenuItem(doomed);
    item->SetCaption("&Gone");
    item->OnClick = [&](TObject*) { ran = true; };
    doomed->Items()->Add(item);
    auto* keep = new TMenuItem(doomed);
    keep->SetCaption("&Kept");
    doomed->Items()->Add(keep);
    UINT freeing = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT id, DWORD) {
        KillTimer(nullptr, id);
        delete doomed->Items()->Items(0);
    });
    UINT t = PressInTurn({VK_DOWN, VK_DOWN, VK_UP, VK_RETURN, VK_ESCAPE});
    TrackPopupMenu(doomed->Items()->Handle(), 0, 200, 200, 0, form->Handle(), nullptr);
    KillTimer(nullptr, t);
    KillTimer(nullptr, freeing);
    EXPECT_FALSE(ran);
    delete doomed;
}

}  // namespace
