// The header set-up dialog driven by keys and clicks while it is up, what OK and Cancel leave in the
// sections, dragging within a list, and the visible-or-not state of a column under a collapsed parent
// kept apart from its own flag (also in the order text).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "controls/Exheadersetup.h"
#include "controls/Expopbtn.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"
#include "tests/controls/HeaderFixture.h"
#include "tests/support/UiTest.h"

namespace {

struct HeaderSetup : ::testing::Test {
    TForm* Form = nullptr;
    TLogHeader* H = nullptr;

    HeaderSetup()
    {
        Application->Initialize();
        Form = new TForm(nullptr);
        Form->SetBounds(40, 40, 700, 300);
        Form->AfterConstruction();
        H = new TLogHeader(Form);
        H->SetParent(Form);
        H->SetBounds(0, 0, 600, 20);
        for (const char* text : {"Date", "Time", "", "Gr\xF6\xDF" "e", "Station"})
            H->Sections()->AddSection()->SetText(text);
        Form->Show();
        uitest::Pump();
    }
    ~HeaderSetup() override
    {
        uitest::ClearDialogAnswers();
        TObject::Free(Form);
        uitest::Pump();
    }
    TExHeaderSection* Index(Integer I) const { return H->Sections()->GetSection(I); }
    // "Text+" or "Text-" per section by position.
    std::string Layout() const
    {
        std::string s;
        for (Integer i = 0; i < H->Sections()->GetCount(); ++i) {
            TExHeaderSection* x = H->Sections()->GetSectionByPos(i);
            s += x->Text() + (x->OwnVisible() ? "+ " : "- ");
        }
        return s;
    }
    static std::vector<std::string> Items(TExAdvancedListBox* List)
    {
        std::vector<std::string> v;
        for (int i = 0; i < List->Items()->Count(); ++i)
            v.push_back(List->Items()->Strings(i));
        return v;
    }
    // Runs Setup with Drive working the dialog while it is up; Drive answers whether to press OK
    // (else Cancel) through the buttons.
    bool RunSetup(const std::function<bool(TfrmHeaderSetup*)>& Drive)
    {
        SetModalHook([Drive](TObject* Dialog, int&) {
            SetModalHook(nullptr);
            auto* d = dynamic_cast<TfrmHeaderSetup*>(Dialog);
            EXPECT_NE(d, nullptr);
            if (!d)
                return false;
            uitest::Pump();
            TExPopupButton* close = Drive(d) ? d->btnOk : d->btnCancel;
            Input::Click(close, 10, 10);
            return false;
        });
        return H->Setup();
    }
    static void ClickItem(TExAdvancedListBox* List, int Index)
    {
        const TRect r = List->ItemRect(Index);
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Click(List, r.Left + 5, r.Top + r.Height() / 2);
    }
};

TEST_F(HeaderSetup, TheListsShowHiddenAndShownSectionsByPositionUntitledOnesNamed)
{
    Index(1)->SetVisible(false);
    H->Sections()->MoveSection(Index(4), 0);
    std::vector<std::string> available, visible;
    std::vector<TObject*> objects;
    const bool ok = RunSetup([&](TfrmHeaderSetup* d) {
        available = Items(d->lbxAvailable);
        visible = Items(d->lbxVisible);
        objects.push_back(d->lbxVisible->Items()->Objects(0));
        EXPECT_EQ(d->Caption(), "Edit Header Columns");
        EXPECT_EQ(d->ClientWidth(), 382);
        EXPECT_EQ(d->ClientHeight(), 246);
        EXPECT_FALSE(d->btnDelete->Enabled());
        EXPECT_FALSE(d->btnUp->Enabled());
        EXPECT_FALSE(d->btnDown->Enabled());
        EXPECT_EQ(d->lbxVisible->Items()->UpdateCount(), 0);
        EXPECT_EQ(d->lbxAvailable->Items()->UpdateCount(), 0);
        return false;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(available, std::vector<std::string>{"Time"});
    EXPECT_EQ(visible, (std::vector<std::string>{"Station", "Date", "(Untitled)", "Gr\xF6\xDF" "e"}));
    EXPECT_EQ(objects, std::vector<TObject*>{Index(4)});
    // Cancel leaves everything as it was.
    EXPECT_EQ(Layout(), "Station+ Date+ Time- + Gr\xF6\xDF" "e+ ");
}

// Where each control lies within the dialog's client area, with the panels' offsets added.
TRect PlaceInDialog(TControl* Control, TControl* Dialog)
{
    TRect r = Control->BoundsRect();
    for (TControl* p = Control->Parent(); p && p != Dialog; p = p->Parent()) {
        r.Left += p->Left();
        r.Right += p->Left();
        r.Top += p->Top();
        r.Bottom += p->Top();
    }
    return r;
}

TEST_F(HeaderSetup, TheDialogsControlsLieWhereTheyAreDrawnAndCarryTheirCaptions)
{
    const int formsBefore = Application->ComponentCount();
    RunSetup([](TfrmHeaderSetup* d) {
        EXPECT_EQ(d->BorderStyle(), bsDialog);
        EXPECT_EQ(d->Position(), poScreenCenter);
        EXPECT_EQ(d->Font()->Name(), "MS Sans Serif");
        EXPECT_EQ(d->Font()->Height(), -11);
        struct Place {
            TControl* Control;
            TRect R;
            const char* Caption;
        };
        const Place places[] = {
            {d->pnlSections, Bounds(0, 0, 382, 211), ""},
            {d->pnlButtons, Bounds(0, 211, 382, 35), ""},
            {d->bvlSeparator, Bounds(0, 209, 382, 2), ""},
            {d->lbxAvailable, Bounds(6, 24, 151, 172), nullptr},
            {d->lbxVisible, Bounds(223, 24, 151, 172), nullptr},
            {d->btnAdd, Bounds(166, 42, 49, 23), "&Add"},
            {d->btnDelete, Bounds(166, 71, 49, 23), "&Delete"},
            {d->btnUp, Bounds(166, 130, 49, 23), "&Up"},
            {d->btnDown, Bounds(166, 159, 49, 23), "Dow&n"},
            {d->btnOk, Bounds(219, 217, 75, 23), "OK"},
            {d->btnCancel, Bounds(299, 217, 75, 23), "Cancel"},
        };
        for (const Place& p : places) {
            const TRect r = PlaceInDialog(p.Control, d);
            EXPECT_EQ(r.Left, p.R.Left) << p.Control->Caption();
            EXPECT_EQ(r.Top, p.R.Top) << p.Control->Caption();
            EXPECT_EQ(r.Width(), p.R.Width()) << p.Control->Caption();
            EXPECT_EQ(r.Height(), p.R.Height()) << p.Control->Caption();
            if (auto* b = dynamic_cast<TExPopupButton*>(p.Control)) {
                EXPECT_EQ(b->Caption(), p.Caption);
            }
        }
        EXPECT_EQ(d->pnlSections->BevelOuter(), bvNone);
        EXPECT_EQ(d->pnlButtons->BevelOuter(), bvNone);
        EXPECT_EQ(d->bvlSeparator->Shape(), bsBottomLine);
        // The labels sit above their lists and hand the focus to them.
        EXPECT_EQ(d->lblAvailable->Left(), 8);
        EXPECT_EQ(d->lblVisible->Left(), 224);
        EXPECT_EQ(d->lblAvailable->Top(), 9);
        EXPECT_EQ(d->lblVisible->Top(), 9);
        EXPECT_EQ(d->lblAvailable->Caption(), "Available &Columns:");
        EXPECT_EQ(d->lblVisible->Caption(), "&Visible Columns:");
        EXPECT_EQ(d->lblAvailable->FocusControl, d->lbxAvailable);
        EXPECT_EQ(d->lblVisible->FocusControl, d->lbxVisible);
        for (TExAdvancedListBox* list : {d->lbxAvailable, d->lbxVisible}) {
            EXPECT_TRUE(list->Flat());
            EXPECT_EQ(list->ActiveBorderType(), fbtFlat);
            EXPECT_EQ(list->InactiveBorderType(), fbtFlat);
            EXPECT_EQ(list->BorderSides(), AllBorderSides);
            EXPECT_EQ(list->SelectedFont()->Color(), clHighlightText);
            EXPECT_FALSE(list->HorizontalScroll());
            EXPECT_EQ(list->ItemHeight(), 13);
        }
        for (TExPopupButton* b : {d->btnAdd, d->btnDelete, d->btnUp, d->btnDown, d->btnOk, d->btnCancel})
            EXPECT_FALSE(b->TabStop()) << b->Caption();
        EXPECT_TRUE(d->btnOk->Enabled());
        EXPECT_TRUE(d->btnCancel->Enabled());
        EXPECT_TRUE(d->btnOk->Default());
        EXPECT_FALSE(d->btnOk->Cancel);
        EXPECT_TRUE(d->btnCancel->Cancel);
        EXPECT_FALSE(d->btnCancel->Default());
        return false;
    });
    // The dialog is gone once Setup returns.
    EXPECT_EQ(Application->ComponentCount(), formsBefore);
}

TEST_F(HeaderSetup, OkWithNoChangesStillPutsTheHiddenSectionsLast)
{
    Index(0)->SetVisible(false);
    EXPECT_TRUE(RunSetup([](TfrmHeaderSetup*) { return true; }));
    EXPECT_EQ(Layout(), "Time+ + Gr\xF6\xDF" "e+ Station+ Date- ");
}

TEST_F(HeaderSetup, ClicksMoveSectionsAcrossAndUpAndDown)
{
    Index(1)->SetVisible(false);
    Index(3)->SetVisible(false);
    const bool ok = RunSetup([](TfrmHeaderSetup* d) {
        // Available: Time, Größe. Taking the first leaves the second chosen.
        ClickItem(d->lbxAvailable, 0);
        EXPECT_TRUE(d->lbxAvailable->Focused());
        EXPECT_TRUE(d->btnAdd->Enabled());
        Input::Click(d->btnAdd, 10, 10);
        EXPECT_EQ(Items(d->lbxVisible), (std::vector<std::string>{"Date", "(Untitled)", "Station", "Time"}));
        EXPECT_EQ(d->lbxVisible->ItemIndex(), 3);
        EXPECT_EQ(d->lbxAvailable->ItemIndex(), 0);
        EXPECT_TRUE(d->lbxAvailable->Focused());
        // The last one taken leaves the list empty and Add disabled.
        Input::Click(d->btnAdd, 10, 10);
        EXPECT_TRUE(Items(d->lbxAvailable).empty());
        EXPECT_FALSE(d->btnAdd->Enabled());
        // Among the shown ones: Station up twice, then down once.
        ClickItem(d->lbxVisible, 2);
        EXPECT_TRUE(d->btnUp->Enabled());
        EXPECT_TRUE(d->btnDown->Enabled());
        Input::Click(d->btnUp, 10, 10);
        Input::Click(d->btnUp, 10, 10);
        EXPECT_EQ(d->lbxVisible->ItemIndex(), 0);
        EXPECT_FALSE(d->btnUp->Enabled());
        Input::Click(d->btnDown, 10, 10);
        EXPECT_EQ(d->lbxVisible->ItemIndex(), 1);
        EXPECT_TRUE(d->btnUp->Enabled());
        // The last one cannot go down; the delete button sends it back.
        ClickItem(d->lbxVisible, 4);
        EXPECT_FALSE(d->btnDown->Enabled());
        EXPECT_TRUE(d->btnDelete->Enabled());
        Input::Click(d->btnDelete, 10, 10);
        EXPECT_EQ(Items(d->lbxAvailable), std::vector<std::string>{"Gr\xF6\xDF" "e"});
        EXPECT_EQ(Items(d->lbxVisible), (std::vector<std::string>{"Date", "Station", "(Untitled)", "Time"}));
        EXPECT_EQ(d->lbxVisible->ItemIndex(), 3);
        return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(Layout(), "Date+ Station+ + Time+ Gr\xF6\xDF" "e- ");
}

TEST_F(HeaderSetup, KeysChooseAndCloseTheDialog)
{
    Index(4)->SetVisible(false);
    const bool ok = RunSetup([](TfrmHeaderSetup* d) {
        // Tab goes between the two lists (the buttons are no tab stops); a list chooses its first item
        // as it is entered.
        for (int i = 0; i < 3 && !d->lbxVisible->Focused(); ++i)
            Input::PressKey(VK_TAB);
        EXPECT_TRUE(d->lbxVisible->Focused());
        EXPECT_EQ(d->lbxVisible->ItemIndex(), 0);
        EXPECT_TRUE(d->btnDelete->Enabled());
        EXPECT_FALSE(d->btnUp->Enabled());
        Input::PressKey(VK_DOWN);
        EXPECT_EQ(d->lbxVisible->ItemIndex(), 1);
        EXPECT_TRUE(d->btnUp->Enabled());
        Input::PressKey(VK_TAB);
        EXPECT_TRUE(d->lbxAvailable->Focused());
        EXPECT_EQ(d->lbxAvailable->ItemIndex(), 0);
        EXPECT_FALSE(d->btnDelete->Enabled());
        EXPECT_TRUE(d->btnAdd->Enabled());
        // A double click moves an item across as Add does.
        const TRect r = d->lbxAvailable->ItemRect(0);
        Input::DoubleClick(d->lbxAvailable, r.Left + 5, r.Top + 3);
        EXPECT_TRUE(Items(d->lbxAvailable).empty());
        EXPECT_EQ(Items(d->lbxVisible).back(), "Station");
        return false;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(Layout(), "Date+ Time+ + Gr\xF6\xDF" "e+ Station- ");

    // Return is the OK button's, Escape the Cancel button's.
    for (Word key : {Word(VK_ESCAPE), Word(VK_RETURN)}) {
        SetModalHook([key](TObject*, int&) {
            SetModalHook(nullptr);
            uitest::Pump();
            Input::PressKey(key);
            return false;
        });
        EXPECT_EQ(H->Setup(), key == VK_RETURN);
    }
    EXPECT_EQ(Layout(), "Date+ Time+ + Gr\xF6\xDF" "e+ Station- ");
}

TEST_F(HeaderSetup, DraggingWithinAListReordersItDroppingBelowTheLastDoesNothing)
{
    const bool ok = RunSetup([](TfrmHeaderSetup* d) {
        TExAdvancedListBox* list = d->lbxVisible;
        const TRect first = list->ItemRect(0), fourth = list->ItemRect(3);
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Drag(list, first.Left + 5, first.Top + 3, fourth.Left + 5, fourth.Top + 3);
        uitest::Pump();
        EXPECT_EQ(Items(list), (std::vector<std::string>{"Time", "(Untitled)", "Gr\xF6\xDF" "e", "Date", "Station"}));
        EXPECT_EQ(list->ItemIndex(), 3);
        EXPECT_TRUE(d->btnUp->Enabled());
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Drag(list, fourth.Left + 5, fourth.Top + 3, 20, list->ClientHeight() - 4);
        uitest::Pump();
        EXPECT_EQ(Items(list), (std::vector<std::string>{"Time", "(Untitled)", "Gr\xF6\xDF" "e", "Date", "Station"}));
        // Dropped on the other list it stays where it was: that list takes no drag but its own.
        TObject* target = d;
        list->OnEndDrag = [&target](TObject*, TObject* Target, int, int) { target = Target; };
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::MouseDown(list, mbLeft, first.Left + 5, first.Top + 3);
        for (int x = first.Left + 5; x > -150; x -= 10)
            Input::MouseMove(list, x, first.Top + 3);
        Input::MouseUp(list, mbLeft, -150, first.Top + 3);
        uitest::Pump();
        EXPECT_EQ(Items(list).size(), 5u);
        EXPECT_TRUE(Items(d->lbxAvailable).empty());
        EXPECT_EQ(target, nullptr);
        // A drag of its own it takes.
        const TRect second = d->lbxAvailable->ItemRect(0);
        d->lbxAvailable->Items()->AddObject("Spare", nullptr);
        d->lbxAvailable->Items()->AddObject("Other", nullptr);
        d->lbxAvailable->OnEndDrag = [&target](TObject*, TObject* Target, int, int) { target = Target; };
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Drag(d->lbxAvailable, second.Left + 5, second.Top + 3, second.Left + 5, second.Top + 3 + 13 + 2);
        uitest::Pump();
        EXPECT_EQ(target, d->lbxAvailable);
        EXPECT_EQ(Items(d->lbxAvailable), (std::vector<std::string>{"Other", "Spare"}));
        d->lbxAvailable->Items()->Clear();
        return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(Layout(), "Time+ + Gr\xF6\xDF" "e+ Date+ Station+ ");
}

TEST_F(HeaderSetup, TheHiddenSectionsFollowInTheOrderOfTheirList)
{
    Index(1)->SetVisible(false);
    Index(3)->SetVisible(false);
    EXPECT_TRUE(RunSetup([](TfrmHeaderSetup* d) {
        TExAdvancedListBox* list = d->lbxAvailable;
        const TRect first = list->ItemRect(0), second = list->ItemRect(1);
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Input::Drag(list, first.Left + 5, first.Top + 3, second.Left + 5, second.Top + 3);
        uitest::Pump();
        EXPECT_EQ(Items(list), (std::vector<std::string>{"Gr\xF6\xDF" "e", "Time"}));
        return true;
    }));
    EXPECT_EQ(Layout(), "Date+ + Station+ Gr\xF6\xDF" "e- Time- ");
}

TEST_F(HeaderSetup, TheFirstSectionHiddenAndAddedAgainComesLast)
{
    Index(0)->SetVisible(false);
    EXPECT_TRUE(RunSetup([](TfrmHeaderSetup* d) {
        ClickItem(d->lbxAvailable, 0);
        Input::Click(d->btnAdd, 10, 10);
        return true;
    }));
    EXPECT_EQ(Layout(), "Time+ + Gr\xF6\xDF" "e+ Station+ Date+ ");
}

TEST_F(HeaderSetup, AColumnUnderACollapsedParentKeepsItsOwnFlag)
{
    // Station is a child of Date; Date is collapsed, so Station is not shown but would be.
    Index(0)->SetExpandable(true);
    Index(4)->SetParentSection(Index(0));
    ASSERT_TRUE(Index(4)->OwnVisible());
    ASSERT_FALSE(Index(4)->GetVisible());
    std::vector<std::string> available;
    EXPECT_TRUE(RunSetup([&](TfrmHeaderSetup* d) {
        available = Items(d->lbxAvailable);
        return true;
    }));
    EXPECT_EQ(available, std::vector<std::string>{"Station"});
    EXPECT_TRUE(Index(4)->OwnVisible());
    Index(0)->SetExpanded(true);
    EXPECT_TRUE(Index(4)->GetVisible());

    // A column the user takes out of the shown ones is hidden by its own flag.
    EXPECT_TRUE(RunSetup([](TfrmHeaderSetup* d) {
        ClickItem(d->lbxVisible, 1);
        Input::Click(d->btnDelete, 10, 10);
        return true;
    }));
    EXPECT_FALSE(Index(1)->OwnVisible());

    // The order text carries the own flag, so a round trip leaves the child shown under its parent.
    Index(0)->SetExpanded(false);
    const std::string order = H->Sections()->GetSectionsOrder();
    EXPECT_NE(order.find("i4:w120:vt,"), std::string::npos) << order;
    H->Sections()->SetSectionsOrder(order);
    EXPECT_TRUE(Index(4)->OwnVisible());
    EXPECT_FALSE(Index(1)->OwnVisible());
}

TEST_F(HeaderSetup, FilledAgainTheDialogGoesByWhatIsShownNow)
{
    // Station, a child of the expanded Date, is shown at the first filling, not at the second.
    Index(0)->SetExpandable(true);
    Index(0)->SetExpanded(true);
    Index(4)->SetParentSection(Index(0));
    // Time is hidden at the first filling only.
    Index(1)->SetVisible(false);
    TfrmHeaderSetup* d = nullptr;
    Application->CreateForm(d);
    d->LoadHeaderSections(H->Sections());
    Index(0)->SetExpanded(false);
    Index(1)->SetVisible(true);
    d->LoadHeaderSections(H->Sections());
    EXPECT_EQ(Items(d->lbxVisible).size(), 4u);
    EXPECT_EQ(Items(d->lbxAvailable), std::vector<std::string>{"Station"});
    d->SaveHeaderSections(H->Sections());
    TObject::Free(d);
    EXPECT_TRUE(Index(4)->OwnVisible());
}

TEST_F(HeaderSetup, AHeaderFreedWhileTheDialogIsUpIsNotWrittenTo)
{
    SetModalHook([this](TObject* Dialog, int&) {
        SetModalHook(nullptr);
        auto* d = dynamic_cast<TfrmHeaderSetup*>(Dialog);
        TObject::Free(H);
        H = nullptr;
        Input::Click(d->btnOk, 10, 10);
        return false;
    });
    TLogHeader* h = H;
    EXPECT_FALSE(h->Setup());
    EXPECT_EQ(H, nullptr);
    EXPECT_EQ(Form->ControlCount(), 0);
}

}  // namespace

namespace {

// Pictures for a look on a real screen (MORVIK_SNAPSHOT_DIR names where they go): a column in the
// middle of a drag, the resize line over the list below the header, and the set-up dialog.
TEST(HeaderShow, AColumnMidDragTheResizeLineAndTheSetupDialog)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(60, 60, 520, 260);
    form->SetCaption("Archive");
    form->AfterConstruction();
    auto* h = new TExHeader(form);
    h->SetParent(form);
    auto* list = new TExAdvancedListBox(form);
    list->SetParent(form);
    list->SetAlign(alClient);
    for (const char* line : {"07.12.2026  06:10  NAVTEX  Gale warning", "07.12.2026  08:30  RTTY  Weather",
                             "07.12.2026  12:00  NAVTEX  Navigational warning"})
        list->Items()->Add(line);
    for (const char* text : {"Date", "Time", "Mode", "Station", "Gr\xF6\xDF" "e"}) {
        TExHeaderSection* s = h->Sections()->AddSection();
        s->SetText(text);
        s->SetWidth(100);
    }
    h->Sections()->GetSectionByPos(1)->SetSortMode(hsmAscend);
    h->Sections()->GetSectionByPos(3)->SetFilterEnabled(true);
    form->Show();
    uitest::Pump(50);
    const int y = h->Height() / 2;

    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::MouseDown(h, mbLeft, 150, y);
    for (int x = 151; x <= 265; ++x)
        Input::MouseMove(h, x, y);
    EXPECT_FALSE(uitest::SaveSnapshot(form, "header-mid-drag").empty());
    Input::MouseUp(h, mbLeft, 265, y);
    uitest::Pump(20);

    Input::AdvanceTime(GetDoubleClickTime() + 1);
    Input::MouseDown(h, mbLeft, 298, y);
    for (int x = 297; x >= 250; --x)
        Input::MouseMove(h, x, y);
    uitest::Pump(20);
    EXPECT_FALSE(uitest::SaveSnapshot(form, "header-resize-line").empty());
    Input::MouseUp(h, mbLeft, 250, y);
    uitest::Pump(20);

    h->Sections()->GetSectionByPos(2)->SetVisible(false);
    SetModalHook([](TObject* Dialog, int& Result) {
        SetModalHook(nullptr);
        auto* d = dynamic_cast<TfrmHeaderSetup*>(Dialog);
        uitest::Pump(50);
        Input::PressKey(VK_TAB);
        Input::PressKey(VK_DOWN);
        uitest::Pump(20);
        EXPECT_FALSE(uitest::SaveSnapshot(d, "header-setup-dialog").empty());
        Result = mrCancel;
        return true;
    });
    EXPECT_FALSE(h->Setup());
    TObject::Free(form);
    uitest::Pump();
}

}  // namespace
