// TrackPopupMenu as a person uses it: arrow keys and Enter on the open menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
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
    // OnPopup that frees the menu: nothing is shown, nothing chosen.
    doomed = new TPopupMenu(nullptr);
    item = new TMenuItem(doomed);
    item->SetCaption("&Close");
    item->OnClick = [&](TObject*) { ++runs; };
    doomed->Items()->Add(item);
    doomed->OnPopup = [&](TObject*) { delete std::exchange(doomed, nullptr); };
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

namespace {

// An owner that answers the menu messages itself, as a button with a pull-down menu does.
class TMenuOwner : public TForm {
public:
    using TForm::TForm;
    TPopupMenu* Menu = nullptr;
    std::vector<TMessage> Got;
    std::vector<std::string> Selected;
    bool Dispatches = true;
    std::function<void()> OnInitPopup;
    void WndProc(TMessage& Message) override
    {
        Got.push_back(Message);
        if (Message.Msg == WM_MENUSELECT) {
            Word flags = HIWORD(Message.WParam);
            if (flags == 0xFFFF && Message.LParam == 0)
                Selected.push_back("closed");
            else if (Menu) {
                TMenuItem* item = (flags & MF_POPUP)
                                      ? reinterpret_cast<TMenuItem*>(Message.LParam)->Items(LOWORD(Message.WParam))
                                      : Menu->FindItem(LOWORD(Message.WParam), fkCommand);
                Selected.push_back(item ? item->Caption() : "?");
            }
        }
        if (Dispatches && Menu && Message.Msg == WM_INITMENUPOPUP) {
            if (OnInitPopup)
                OnInitPopup();
            Menu->DispatchPopup(reinterpret_cast<HMENU>(Message.WParam));
            Message.Result = 0;
            return;
        }
        if (Dispatches && Menu && Message.Msg == WM_COMMAND && Menu->DispatchCommand(LOWORD(Message.WParam))) {
            Message.Result = 0;
            return;
        }
        TForm::WndProc(Message);
    }
    std::vector<UINT> Order() const
    {
        std::vector<UINT> out;
        for (const TMessage& m : Got)
            if (m.Msg == WM_ENTERMENULOOP || m.Msg == WM_EXITMENULOOP || m.Msg == WM_INITMENUPOPUP ||
                m.Msg == WM_COMMAND)
                out.push_back(m.Msg);
        return out;
    }
};

class MenuDispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        owner = new TMenuOwner(nullptr);
        owner->AfterConstruction();
        owner->Show();
        menu = new TPopupMenu(owner);
        owner->Menu = menu;
        for (const char* caption : {"&Open", "&Recent", "&Quit"}) {
            auto* item = new TMenuItem(menu);
            item->SetCaption(caption);
            item->OnClick = [this](TObject* s) { Ran.push_back(static_cast<TMenuItem*>(s)->Caption()); };
            menu->Items()->Add(item);
        }
        recent = menu->Items()->Items(1);
        auto* first = new TMenuItem(menu);
        first->SetCaption("&First file");
        first->SetShortCut(ShortCut('1', ssCtrl));
        first->OnClick = [this](TObject*) { Ran.push_back("first file"); };
        recent->Add(first);
        uitest::Pump();
    }
    void TearDown() override
    {
        delete owner;
        uitest::Pump();
    }
    TMenuOwner* owner = nullptr;
    TPopupMenu* menu = nullptr;
    TMenuItem* recent = nullptr;
    std::vector<std::string> Ran;
};

TEST_F(MenuDispatch, ItemsAreFoundByCommandHandleAndShortcut)
{
    TMenuItem* open = menu->Items()->Items(0);
    TMenuItem* first = recent->Items(0);
    EXPECT_EQ(menu->FindItem(open->Command(), fkCommand), open);
    EXPECT_EQ(menu->FindItem(first->Command(), fkCommand), first);
    EXPECT_EQ(menu->FindItem(reinterpret_cast<std::uintptr_t>(recent->Handle()), fkHandle), recent);
    EXPECT_EQ(menu->FindItem(reinterpret_cast<std::uintptr_t>(menu->Items()->Handle()), fkHandle), menu->Items());
    EXPECT_EQ(menu->FindItem(ShortCut('1', ssCtrl), fkShortCut), first);
    EXPECT_EQ(menu->FindItem(ShortCut('2', ssCtrl), fkShortCut), nullptr);
    EXPECT_EQ(menu->FindItem(0, fkShortCut), nullptr);
    // Another menu's item is not this menu's.
    TPopupMenu other(nullptr);
    auto* stranger = new TMenuItem(&other);
    other.Items()->Add(stranger);
    EXPECT_EQ(menu->FindItem(stranger->Command(), fkCommand), nullptr);
    EXPECT_FALSE(menu->DispatchCommand(stranger->Command()));
    EXPECT_EQ(menu->FindItem(menu->Items()->Command(), fkCommand), nullptr);
}

TEST_F(MenuDispatch, DispatchingRunsTheItemOnce)
{
    EXPECT_TRUE(menu->DispatchCommand(recent->Items(0)->Command()));
    EXPECT_TRUE(menu->DispatchPopup(recent->Handle()));
    EXPECT_FALSE(menu->DispatchPopup(reinterpret_cast<HMENU>(std::uintptr_t(1))));
    EXPECT_EQ(Ran, (std::vector<std::string>{"first file", "&Recent"}));
    // The help context travels with the item.
    EXPECT_EQ(recent->HelpContext, 0);
    recent->HelpContext = 1204;
    EXPECT_EQ(menu->FindItem(reinterpret_cast<std::uintptr_t>(recent->Handle()), fkHandle)->HelpContext, 1204);
}

TEST_F(MenuDispatch, ATrackedMenuTellsItsOwnerEachStepAndRunsTheChoiceOnce)
{
    // The owner adds an item while the menu is being prepared: it is there to be chosen.
    owner->OnInitPopup = [this] {
        if (menu->Items()->Count() == 3) {
            auto* late = new TMenuItem(menu);
            late->SetCaption("&Late");
            late->OnClick = [this](TObject*) { Ran.push_back("late"); };
            menu->Items()->Insert(0, late);
        }
    };
    UINT t = PressInTurn({VK_DOWN, VK_RETURN});
    BOOL r = TrackPopupMenu(menu->Items()->Handle(), 0, 200, 200, 0, owner->Handle(), nullptr);
    KillTimer(nullptr, t);
    EXPECT_TRUE(r);
    EXPECT_EQ(Ran, (std::vector<std::string>{"late"}));
    EXPECT_EQ(owner->Order(),
              (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP, WM_COMMAND}));
    ASSERT_FALSE(owner->Selected.empty());
    EXPECT_EQ(owner->Selected.front(), "&Late");
    EXPECT_EQ(owner->Selected.back(), "closed");
    uitest::Pump();
    EXPECT_EQ(Ran.size(), 1u);
}

TEST_F(MenuDispatch, ASubMenuOpeningIsToldToTheOwner)
{
    UINT t = PressInTurn({VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN});
    TrackPopupMenu(menu->Items()->Handle(), 0, 200, 200, 0, owner->Handle(), nullptr);
    KillTimer(nullptr, t);
    std::vector<HMENU> popups;
    for (const TMessage& m : owner->Got)
        if (m.Msg == WM_INITMENUPOPUP)
            popups.push_back(reinterpret_cast<HMENU>(m.WParam));
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[0], menu->Items()->Handle());
    EXPECT_EQ(popups[1], recent->Handle());
    // The sub-menu's item ran once (through the owner), then the chosen file.
    EXPECT_EQ(Ran, (std::vector<std::string>{"&Recent", "first file"}));
    EXPECT_NE(std::find(owner->Selected.begin(), owner->Selected.end(), "&Recent"), owner->Selected.end());
    EXPECT_NE(std::find(owner->Selected.begin(), owner->Selected.end(), "&First file"), owner->Selected.end());
}

TEST_F(MenuDispatch, AnOwnerThatLeavesTheMessagesToTheLayerStillRunsTheChoice)
{
    owner->Dispatches = false;
    UINT t = PressInTurn({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    TrackPopupMenu(menu->Items()->Handle(), 0, 200, 200, 0, owner->Handle(), nullptr);
    KillTimer(nullptr, t);
    EXPECT_EQ(Ran, (std::vector<std::string>{"&Quit"}));
    // With TPM_NONOTIFY the owner hears no command and nothing runs.
    Ran.clear();
    t = PressInTurn({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(TrackPopupMenu(menu->Items()->Handle(), TPM_NONOTIFY, 200, 200, 0, owner->Handle(), nullptr));
    KillTimer(nullptr, t);
    uitest::Pump();
    EXPECT_TRUE(Ran.empty());
}

}  // namespace
