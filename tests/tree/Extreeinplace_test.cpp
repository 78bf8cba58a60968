// Editing a cell in place: starting an edit from code, which text and field type the editor gets,
// where its box goes, and what accepting and cancelling leave behind; a flat edit box typed into
// through the toolkit's own keys.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "InputTest.h"
#include "platform/CodePages.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "tests/support/X11Session.h"
#include "tree/Excellstyle.h"

namespace {

// Records what it was given; the test ends the operation.
class TRecordingEditor : public TExTreeInplaceEditor {
public:
    TRecordingEditor(TComponent* AOwner, TExFieldTypes Types) : TExTreeInplaceEditor(AOwner) { SetTypes(Types); }
    bool Shown = false;
    bool ThrowOnStop = false;
    std::vector<std::string> Log;
    bool GetVisible() override { return Shown; }
    void Finish(bool Accept, const std::string& Value = "")
    {
        if (Accept) ValueAsText = Value;
        CompleteOperation(Accept);
    }

protected:
    void DoStartOperation() override
    {
        Shown = true;
        Log.push_back("start " + ValueAsText + " " + std::to_string(SectionNum) + " " + std::to_string(FieldType));
    }
    void DoStopOperation(bool Accepted) override
    {
        Shown = false;
        Log.push_back("stop");
        if (ThrowOnStop) throw std::runtime_error("the editor failed");
        TExTreeInplaceEditor::DoStopOperation(Accepted);
    }
};

class Editing : public InputTest {
protected:
    TRecordingEditor* Editor = new TRecordingEditor(Form, FieldTypes({sftText, sftMemo}));
    Editing()
    {
        Tree->SetMultiSelect(false);
        Editor->SetTree(Tree);
    }
    // Sections of the given widths, shown.
    void Columns(const std::vector<Integer>& Widths)
    {
        for (Integer w : Widths) Tree->Header()->Sections()->AddSection()->SetWidth(w);
        Tree->SetShowHeader(true);
        uitest::Pump();
    }
    static TStringList* Texts(TExTreeItem* Item, std::initializer_list<const char*> List)
    {
        for (const char* t : List) Item->ColumnText()->Add(t);
        return Item->ColumnText();
    }
};

TEST_F(Editing, TheMainTextIsEditedAndWrittenBackOnAccept)
{
    auto r = AddRoots(3);
    Tree->EditItem(r[1], -1);
    ASSERT_EQ(Editor->Log, std::vector<std::string>{"start r1 -1 1"});
    EXPECT_TRUE(Tree->IsEditing());
    EXPECT_EQ(View()->ActiveEditor(), Editor);
    EXPECT_EQ(View()->ItemInEdit(), r[1]);
    EXPECT_EQ(Editor->Item, r[1]);
    Editor->Finish(true, "renamed");
    EXPECT_EQ(r[1]->Text(), "renamed");
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(View()->ActiveEditor(), nullptr);
    Tree->EditItem(r[2], -1);
    Editor->Finish(false, "ignored");
    EXPECT_EQ(r[2]->Text(), "r2");
    EXPECT_TRUE(Events.empty()) << "editing is no selection change";
}

TEST_F(Editing, NothingHappensWithoutInplaceEditingAndANilItemIsAnError)
{
    auto r = AddRoots(2);
    Tree->SetCanEdit(false);
    Tree->EditItem(r[0], -1);
    EXPECT_TRUE(Editor->Log.empty());
    Tree->SetCanEdit(true);
    EXPECT_THROW(Tree->EditItem(nullptr, -1), EExTreeError);
    EXPECT_TRUE(Editor->Log.empty());
}

TEST_F(Editing, ColumnsRightOfTheMainColumnReadAndWriteTheTextBeforeThem)
{
    Columns({60, 60, 60, 60});
    Tree->SetMainTreeColumn(1);
    auto r = AddRoots(1);
    Texts(r[0], {"c0", "c2"});
    Tree->EditItem(r[0], 3);
    EXPECT_EQ(Editor->Log.back(), "start  3 1") << "column 3 has no text yet";
    Editor->Finish(true, "c3");
    EXPECT_EQ(r[0]->ColumnText()->Count(), 3) << "padded up to the edited column";
    EXPECT_EQ(r[0]->ColumnText()->Get(1), "c2");
    EXPECT_EQ(r[0]->ColumnText()->Get(2), "c3");
    Tree->EditItem(r[0], 0);
    EXPECT_EQ(Editor->Log.back(), "start c0 0 1") << "left of the main column the numbers agree";
    Editor->Finish(true, "c0 new");
    EXPECT_EQ(r[0]->ColumnText()->Get(0), "c0 new");
    Tree->EditItem(r[0], 2);
    EXPECT_EQ(Editor->Log.back(), "start c2 2 1");
    Tree->EditItem(r[0], -1);
    EXPECT_EQ(Editor->Log.back(), "start r0 1 1") << "with columns the main text is the main column";
    Editor->Finish(true, "main");
    EXPECT_EQ(r[0]->Text(), "main");
    EXPECT_EQ(r[0]->ColumnText()->Count(), 3);
}

TEST_F(Editing, AHiddenOrMissingColumnIsNotEdited)
{
    Columns({60, 60});
    auto r = AddRoots(1);
    Tree->Header()->Sections()->GetSection(1)->SetVisible(false);
    Tree->EditItem(r[0], 1);
    EXPECT_TRUE(Editor->Log.empty());
    EXPECT_EQ(View()->ItemInEdit(), nullptr);
    Tree->EditItem(r[0], 7);
    EXPECT_TRUE(Editor->Log.empty());
}

TEST_F(Editing, TheFieldTypeComesFromTheStyleTheSectionOrTheTree)
{
    Columns({60, 60, 60});
    auto* number = new TRecordingEditor(Form, FieldTypes({sftNumber}));
    auto* date = new TRecordingEditor(Form, FieldTypes({sftDate}));
    number->SetTree(Tree);
    date->SetTree(Tree);
    auto r = AddRoots(2);
    Tree->Header()->Sections()->GetSection(2)->SetFieldType(sftNumber);
    Tree->EditItem(r[0], 2);
    EXPECT_EQ(number->Log.size(), 1u) << "the section's type";
    Tree->SetMainTextType(sftDate);
    Tree->EditItem(r[0], 0);
    EXPECT_EQ(Editor->Log.size(), 1u) << "with columns the main column's section decides";
    Tree->SetShowHeader(false);
    Tree->EditItem(r[0], -1);
    EXPECT_EQ(date->Log.size(), 1u) << "without columns the tree's type";
    Tree->SetShowHeader(true);
    r[1]->SetUseStyles(true);
    while (r[1]->StylesCount() < 2) r[1]->AddStyle();
    r[1]->Styles(1)->SetCellType(sftMemo);
    r[1]->MainStyle()->SetCellType(sftNumber);
    Tree->EditItem(r[1], 2);
    EXPECT_EQ(Editor->Log.back(), "start  2 13") << "the style of the column, not the section's type";
    Tree->EditItem(r[1], 0);
    EXPECT_EQ(number->Log.back(), "start r1 0 2") << "the main style for the main column";
    EXPECT_EQ(date->Log, (std::vector<std::string>{"start r0 -1 5", "stop"})) << "started once, ended by the next edit";
}

TEST_F(Editing, OnTryEditMayRefuseOrChangeTheTypeAndTheEventMayChooseTheEditor)
{
    auto* number = new TRecordingEditor(Form, FieldTypes({sftNumber}));
    number->SetTree(Tree);
    auto r = AddRoots(2);
    Tree->OnTryEdit = [&](TObject* Sender, TExTreeItem* Item, Integer, TExFieldType& Type, bool& CanEdit) {
        EXPECT_EQ(Sender, Tree);
        CanEdit = Item != r[0];
        Type = sftNumber;
    };
    Tree->EditItem(r[0], -1);
    EXPECT_TRUE(Editor->Log.empty());
    EXPECT_TRUE(number->Log.empty());
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(number->Log, std::vector<std::string>{"start r1 -1 2"});
    number->Finish(false);
    Tree->OnInplaceEditorNeeded = [](TObject*, TExTreeItem*, Integer, TExFieldType, TExTreeInplaceEditor*& Editor) {
        Editor = nullptr;
    };
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(number->Log.size(), 2u) << "no editor, no edit";
    EXPECT_FALSE(Tree->IsEditing());
}

TEST_F(Editing, AnEditorTheHandlerBringsFromNowhereWorksForThisTree)
{
    auto r = AddRoots(2);
    auto* loose = new TRecordingEditor(Form, FieldTypes({sftText}));
    ASSERT_EQ(loose->Tree(), nullptr);
    Tree->OnInplaceEditorNeeded = [&](TObject*, TExTreeItem*, Integer, TExFieldType, TExTreeInplaceEditor*& E) { E = loose; };
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(loose->Tree(), Tree);
    EXPECT_EQ(loose->Log, std::vector<std::string>{"start r1 -1 1"});
    loose->Finish(true, "renamed");
    EXPECT_EQ(r[1]->Text(), "renamed") << "its acceptance reached the tree";
    EXPECT_FALSE(Tree->IsEditing());
}

TEST_F(Editing, ANewEditCancelsTheRunningOneEvenWhenItsEditorFails)
{
    auto r = AddRoots(2);
    Tree->EditItem(r[0], -1);
    Editor->ThrowOnStop = true;
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(Editor->Log, (std::vector<std::string>{"start r0 -1 1", "stop", "start r1 -1 1"}));
    EXPECT_EQ(View()->ItemInEdit(), r[1]);
    Editor->ThrowOnStop = false;
    Editor->Finish(true, "x");
    EXPECT_EQ(r[0]->Text(), "r0");
    EXPECT_EQ(r[1]->Text(), "x");
}

TEST_F(Editing, AnItemDeletedDuringItsEditEndsTheEditUnwritten)
{
    auto r = AddRoots(3);
    std::vector<bool> accepted;
    Editor->OnAfterOperation = [&accepted](TObject*, bool& Accepted, bool&) { accepted.push_back(Accepted); };
    Tree->EditItem(r[1], -1);
    r[1]->Delete();
    EXPECT_EQ(accepted, std::vector<bool>{false}) << "ended as cancelled";
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(View()->ActiveEditor(), nullptr);
    EXPECT_EQ(View()->ItemInEdit(), nullptr);
    EXPECT_EQ(Editor->Log.back(), "stop");
    // An accept that comes late writes nowhere.
    Tree->EditItem(r[2], -1);
    Items().Clear();
    Editor->Finish(true, "late");
    EXPECT_EQ(Items().Count(), 0);
}

TEST_F(Editing, AVirtualTreeAsksForTheTextAndKeepsNothing)
{
    Columns({60, 60});
    auto r = AddRoots(1);
    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem*, Integer Section, std::string& Text) {
        Text = "v" + std::to_string(Section);
    };
    Tree->SetVirtualityLevel(vlTextAndStyles);
    Tree->EditItem(r[0], 1);
    EXPECT_EQ(Editor->Log.back(), "start v1 1 1");
    Editor->Finish(true, "new");
    EXPECT_EQ(r[0]->Text(), "v-1");
}

TEST_F(Editing, AVirtualTextHandlerThatFreesTheTreeStopsTheStart)
{
    Columns({60, 60});
    auto r = AddRoots(1);
    Tree->SetVirtualityLevel(vlTextAndStyles);
    uitest::Pump();
    Tree->OnVirtualTextNeeded = [this](TObject*, TExTreeItem*, Integer Section, std::string&) {
        if (Section != 1) return;
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Tree->EditItem(r[0], 1);
    EXPECT_EQ(Tree, nullptr);
    EXPECT_TRUE(Editor->Log.empty());
}

TEST_F(Editing, WithoutColumnsTheViewScrollsBackToAnItemTextLeftOfIt)
{
    auto r = AddRoots(2);
    Items().Add(nullptr, std::string(400, 'w'));
    uitest::Pump();
    Tree->SetLeftPosition(120);
    uitest::Pump();
    ASSERT_EQ(Tree->LeftPosition(), 120);
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(Tree->LeftPosition(), r[1]->TextLeft) << "the text's left edge is brought into view";
    EXPECT_EQ(Editor->CellRect.Left, 0);
    Editor->Finish(false);
    // A text left edge already in view moves nothing.
    Tree->SetLeftPosition(5);
    uitest::Pump();
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(Tree->LeftPosition(), 5);
    EXPECT_EQ(Editor->CellRect.Left, r[1]->TextLeft - 5);
}

TEST_F(Editing, AnItemOutOfViewIsScrolledInAndTheCellIsPlacedInView)
{
    auto r = AddRoots(100);
    Tree->EditItem(r[80], -1);
    const Integer row = Tree->IndexInView(r[80]);
    ASSERT_GE(row, 0);
    const TRect rowRect = View()->GetItemRect(row);
    EXPECT_EQ(Editor->CellRect.Top, rowRect.Top);
    EXPECT_EQ(Editor->CellRect.Bottom, rowRect.Bottom);
    EXPECT_EQ(Editor->CellRect.Left, r[80]->TextLeft - Tree->LeftPosition());
    EXPECT_EQ(Editor->CellRect.Right, View()->ClientWidth() - 1);
}

TEST_F(Editing, AColumnOutOfViewScrollsSidewaysToItsLeftEdge)
{
    Columns({150, 150, 150, 150});
    auto r = AddRoots(3);
    Texts(r[0], {"a", "b", "c"});
    TExHeaderSection* last = Tree->Header()->Sections()->GetSection(3);
    Tree->EditItem(r[0], 3);
    EXPECT_GT(Tree->LeftPosition(), 0);
    EXPECT_EQ(Editor->CellRect.Left, last->GetLeft() - Tree->LeftPosition());
    EXPECT_EQ(Editor->CellRect.Right, std::min(last->GetRight() - Tree->LeftPosition(), View()->ClientWidth() - 1));
    Editor->Finish(false);
    // A column already in view stays where it is.
    Tree->SetLeftPosition(0);
    Tree->EditItem(r[0], 1);
    EXPECT_EQ(Tree->LeftPosition(), 0);
    EXPECT_EQ(Editor->CellRect.Left, 150);
    EXPECT_EQ(Editor->CellRect.Right, View()->ClientWidth() - 1) << "cut at the view's edge";
}

TEST_F(Editing, ARightAlignedTreeMeasuresTheCellFromItsRightEdge)
{
    Columns({150, 150, 150});
    Tree->SetRightAlignedTree(true);
    auto r = AddRoots(1);
    TExHeaderSection* s = Tree->Header()->Sections()->GetSection(1);
    Tree->EditItem(r[0], 1);
    const Integer x = s->GetRight() - View()->ClientWidth();
    EXPECT_EQ(Editor->CellRect.Right, View()->ClientWidth() + x - Tree->LeftPosition());
    EXPECT_EQ(Editor->CellRect.Left, std::max(s->GetLeft() - Tree->LeftPosition(), 0));
}

TEST_F(Editing, AHandlerThatFreesTheTreeWhileAnEditStartsEndsIt)
{
    auto r = AddRoots(2);
    Tree->OnTryEdit = [this](TObject*, TExTreeItem*, Integer, TExFieldType&, bool&) {
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Tree->EditItem(r[0], -1);
    EXPECT_EQ(Tree, nullptr);
    EXPECT_TRUE(Editor->Log.empty());
}

TEST_F(Editing, HandlersThatFreeTheTreeOrTheEditorAroundTheOperationLeaveNoEditBehind)
{
    auto r = AddRoots(2);
    // Freed by the editor's own after-event: the view forgets it, nothing is written.
    Editor->OnAfterOperation = [this](TObject*, bool&, bool&) {
        TRecordingEditor* going = Editor;
        Editor = nullptr;
        delete going;
    };
    Tree->EditItem(r[0], -1);
    Editor->Finish(true, "lost");
    EXPECT_EQ(Editor, nullptr);
    EXPECT_EQ(View()->ActiveEditor(), nullptr);
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(r[0]->Text(), "r0");
    // An editor freed from code while it edits.
    auto* other = new TRecordingEditor(Form, FieldTypes({sftText}));
    other->SetTree(Tree);
    Tree->EditItem(r[1], -1);
    ASSERT_TRUE(Tree->IsEditing());
    delete other;
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(Tree->InplaceManager()->EditorCount(), 0);
    Tree->EditItem(r[1], -1);
    EXPECT_FALSE(Tree->IsEditing()) << "no editor left";
}

TEST_F(Editing, AHandlerThatFreesTheTreeBeforeTheEditorShowsStopsTheStart)
{
    auto r = AddRoots(1);
    Editor->OnBeforeOperation = [this](TObject*, bool&) {
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Tree->EditItem(r[0], -1);
    EXPECT_EQ(Tree, nullptr);
    EXPECT_TRUE(Editor->Log.empty()) << "the editor was neither shown nor stopped over a tree that went";
    EXPECT_FALSE(Editor->Editing());
    EXPECT_EQ(Editor->Tree(), nullptr);
}

TEST_F(Editing, AHandlerThatDeletesTheItemBeforeTheEditorShowsStopsTheStart)
{
    auto r = AddRoots(2);
    Editor->OnBeforeOperation = [&r](TObject*, bool&) { r[0]->Delete(); };
    Tree->EditItem(r[0], -1);
    EXPECT_TRUE(Editor->Log.empty());
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(View()->ActiveEditor(), nullptr);
    EXPECT_EQ(Items().Count(), 1);
    Editor->OnBeforeOperation = nullptr;
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(Editor->Log, std::vector<std::string>{"start r1 -1 1"}) << "the next edit starts as usual";
}

TEST_F(Editing, AHandlerThatFreesTheTreeWhenTheEditEndsIsSafe)
{
    auto r = AddRoots(2);
    Editor->OnAfterOperation = [this](TObject*, bool& Accepted, bool&) {
        EXPECT_TRUE(Accepted);
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Tree->EditItem(r[1], -1);
    Editor->Finish(true, "gone");
    EXPECT_EQ(Tree, nullptr);
    EXPECT_EQ(Editor->Tree(), nullptr);
    EXPECT_EQ(Editor->Log.back(), "stop");
}

TEST_F(Editing, AHandlerThatFreesTheTreeWhileANewEditEndsTheOldOneStopsBoth)
{
    auto r = AddRoots(2);
    Tree->EditItem(r[0], -1);
    Editor->OnAfterOperation = [this](TObject*, bool& Accepted, bool&) {
        EXPECT_FALSE(Accepted) << "a new edit cancels the running one";
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Tree->EditItem(r[1], -1);
    EXPECT_EQ(Tree, nullptr);
    EXPECT_EQ(Editor->Log, (std::vector<std::string>{"start r0 -1 1", "stop"}));
}

// A view whose edit timer a test may arm, as a second click on a focused item does.
class TTimerView : public TExTreeView {
public:
    using TExTreeView::TExTreeView;
    void Arm(TExTreeItem* Item, Integer Column) { ArmEditTimer(Item, Column); }
    void SetFrameSelecting(bool Value) { FFrameSelecting = Value; }
};

class TTimerTree : public TExTree {
public:
    explicit TTimerTree(TComponent* AOwner) : TExTree(AOwner, TDeferParts{}) { Construct(); }
    TTimerView* TimerView() const { return static_cast<TTimerView*>(View()); }

protected:
    TExTreeView* CreateView() override { return new TTimerView(this); }
};

class TimedEditing : public Editing {
protected:
    TTimerTree* Timed = new TTimerTree(Form);
    TimedEditing()
    {
        Timed->SetParent(Form);
        Timed->SetBounds(320, 10, 180, 200);
        Timed->SetMultiSelect(false);
        Timed->SetInplaceEditorDelay(50);
        Editor->SetTree(Timed);
        uitest::Pump();
    }
    TExTreeItem* Add(const std::string& Text) { return Timed->Items()->Add(nullptr, Text); }
    // As a second click leaves it: the item focused in a focused view, the timer armed for it.
    void Arm(TExTreeItem* Item)
    {
        Timed->SetFocused(Item);
        Timed->View()->SetFocus();
        Timed->TimerView()->Arm(Item, -1);
    }
    // Waits for one more start of the editor.
    bool Started()
    {
        const size_t before = Starts();
        return uitest::PumpUntil([&] { return Starts() > before; }, 1500);
    }
    size_t Starts() const
    {
        return static_cast<size_t>(std::count_if(Editor->Log.begin(), Editor->Log.end(),
                                                 [](const std::string& e) { return e.rfind("start", 0) == 0; }));
    }
};

TEST_F(TimedEditing, TheTimerStartsTheEditOnceAndOnlyWhenNoBandRuns)
{
    TExTreeItem* a = Add("a");
    Arm(a);
    ASSERT_TRUE(Started());
    EXPECT_EQ(Editor->Log, std::vector<std::string>{"start a -1 1"});
    EXPECT_FALSE(Timed->TimerView()->EditTimer()->Enabled()) << "one shot";
    Editor->Finish(true, "b");
    EXPECT_EQ(a->Text(), "b");
    Arm(a);
    Timed->TimerView()->SetFrameSelecting(true);
    EXPECT_FALSE(Started()) << "a rubber band running when the timer fires";
    Timed->TimerView()->SetFrameSelecting(false);
    EXPECT_FALSE(Timed->TimerView()->EditTimer()->Enabled());
}

TEST_F(TimedEditing, AnItemDeletedBeforeTheTimerFiresIsNotEdited)
{
    TExTreeItem* a = Add("a");
    Add("b");
    Arm(a);
    a->Delete();
    EXPECT_FALSE(Started());
    EXPECT_EQ(Timed->TimerView()->ItemInEdit(), nullptr);
}

TEST_F(TimedEditing, ATreeFreedWhileTheTimerRunsLeavesNothingToFire)
{
    Arm(Add("a"));
    TObject::Free(Timed);
    Timed = nullptr;
    EXPECT_FALSE(Started());
}

// ---------------------------------------------------------------- a flat edit box, typed into

class BoxEditing : public InputTest {
protected:
    TBoxEditor* Box = new TBoxEditor(Form);
    TEdit* Other = new TEdit(Form);
    BoxEditing()
    {
        Tree->SetMultiSelect(false);
        Box->SetTree(Tree);
        Other->SetParent(Form);
        Other->SetBounds(10, 300, 120, 24);
        uitest::Pump();
    }
};

TEST_F(BoxEditing, EnterAcceptsTextBeyondAsciiAndGivesTheFocusBack)
{
    auto r = AddRoots(3);
    Tree->SetFocused(r[1]);
    Tree->EditItem(r[1], -1);
    uitest::Pump();
    ASSERT_NE(Box->Box(), nullptr);
    EXPECT_TRUE(Box->Box()->Focused());
    EXPECT_EQ(Box->Box()->Text(), "r1");
    Input::TypeText("Grüße, Zoë");
    Key(VK_RETURN);
    EXPECT_EQ(CodePageToUtf8(r[1]->Text(), 1252), "Grüße, Zoë");
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_FALSE(Box->Box()->Visible());
    EXPECT_TRUE(View()->Focused()) << "the view has the keys again";
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[2]);
}

TEST_F(BoxEditing, EscapeCancels)
{
    auto r = AddRoots(2);
    Tree->EditItem(r[0], -1);
    uitest::Pump();
    Input::TypeText("typed");
    Key(VK_ESCAPE);
    EXPECT_EQ(r[0]->Text(), "r0");
    EXPECT_EQ(Box->Log.back(), "cancel");
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_TRUE(View()->Focused());
}

TEST_F(BoxEditing, LeavingTheBoxCancels)
{
    auto r = AddRoots(2);
    Tree->EditItem(r[0], -1);
    uitest::Pump();
    Input::TypeText("typed");
    Input::Click(Other, 5, 5);
    uitest::Pump();
    EXPECT_EQ(r[0]->Text(), "r0");
    EXPECT_EQ(Box->Log.back(), "cancel");
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_TRUE(Other->Focused()) << "the focus stays where the user put it";
}

TEST_F(BoxEditing, AKeyHandlerMayStartTheEditAndTheKeysAloneStartNothing)
{
    auto r = AddRoots(3);
    Tree->SetFocused(r[0]);
    Key(VK_F2);
    Key(VK_RETURN);
    EXPECT_FALSE(Tree->IsEditing()) << "F2 and Enter are the application's to give meaning";
    Tree->OnKeyDown = [this](TObject*, Word& K, TShiftState) {
        if (K == VK_F2) Tree->EditItem(Focused(), -1);
    };
    Key(VK_DOWN);
    Key(VK_F2);
    ASSERT_TRUE(Tree->IsEditing());
    EXPECT_TRUE(Box->Box()->Focused());
    EXPECT_EQ(Box->Box()->Text(), "r1");
    Input::TypeText("Ångström");
    Key(VK_RETURN);
    EXPECT_EQ(CodePageToUtf8(r[1]->Text(), 1252), "Ångström");
    EXPECT_EQ(Focused(), r[1]);
    EXPECT_TRUE(View()->Focused());
}

TEST_F(BoxEditing, AHandlerThatFreesTheTreeOnEnterEndsTheKeySafely)
{
    auto r = AddRoots(2);
    Tree->EditItem(r[0], -1);
    uitest::Pump();
    Box->OnAfterOperation = [this](TObject*, bool& Accepted, bool&) {
        EXPECT_TRUE(Accepted);
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Input::TypeText("x");
    Key(VK_RETURN);
    EXPECT_EQ(Tree, nullptr);
    EXPECT_EQ(Box->Log.back(), "accept x");
}

TEST_F(BoxEditing, AHandlerThatFreesTheTreeOnItsKeyEndsTheKeySafelyWhileAnEditRuns)
{
    auto r = AddRoots(2);
    Tree->SetFocused(r[0]);
    Tree->OnKeyDown = [this](TObject*, Word& K, TShiftState) {
        if (K != VK_F2) return;
        Tree->EditItem(Focused(), -1);
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Key(VK_F2);
    EXPECT_EQ(Tree, nullptr);
    EXPECT_EQ(Box->Log, std::vector<std::string>{"start r0"});
    EXPECT_FALSE(Box->Editing() && Box->Tree()) << "no edit of a tree that went";
}

}  // namespace

// ---------------------------------------------------------------- the click-and-wait gesture on a real display

namespace {

TEST(ClickToEditX11, TheEditOpensOnlyWhereTheUserStillIs)
{
    x11test::TDisplay display;
    if (!display.Ok()) GTEST_SKIP() << display.Why();
    std::string out;
    EXPECT_EQ(display.RunRole("ClickToEditX11.DISABLED_Role", "edit", out), 0) << out;
}

TEST(ClickToEditX11, DISABLED_Role)
{
    ASSERT_EQ(x11test::Role(), "edit");
    auto* form = new TForm(nullptr);
    form->SetBounds(20, 20, 420, 360);
    auto* tree = new TExTree(form);
    tree->SetParent(form);
    tree->SetUseXPThemes(false);
    tree->SetBounds(10, 10, 300, 200);
    tree->SetMultiSelect(false);
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 260, 150, 24);
    auto* box = new TBoxEditor(form);
    box->SetTree(tree);
    std::vector<TExTreeItem*> r;
    for (const char* text : {"Station A", "Station B", "Station C", "Station D"}) {
        r.push_back(tree->Items()->Add(nullptr, text));
        r.back()->SetAllowEdit(true);
    }
    auto* second = new TForm(nullptr);
    second->SetBounds(480, 20, 260, 120);
    auto* away = new TEdit(second);
    away->SetParent(second);
    away->SetBounds(10, 10, 150, 24);
    ASSERT_TRUE(x11test::ShowOnScreen(second));
    ASSERT_TRUE(x11test::ShowOnScreen(form));
    TExTreeView* view = tree->View();
    // A point on an item's text, as painted.
    auto textOf = [&](TExTreeItem* Item) {
        view->Invalidate();
        view->Update();
        const TRect row = view->GetItemRect(view->VisibleRows()->IndexOf(Item));
        const Integer y = (row.Top + row.Bottom) / 2;
        for (Integer x = 0; x < view->ClientWidth(); ++x) {
            TSTItemPart part;
            Integer column = 0;
            if (view->GetItemAt(x, y, part, column) == Item && part == ipMainText) return TPoint{x + 3, y};
        }
        ADD_FAILURE() << "no text of " << Item->Text();
        return TPoint{};
    };
    // Two single clicks on an item (apart by more than a double click), as a user who means to
    // rename it; the second one arms the edit.
    auto clickTwice = [&](TExTreeItem* Item) {
        const TPoint p = textOf(Item);
        EXPECT_TRUE(x11test::Click(view, p.X, p.Y));
        EXPECT_TRUE(uitest::PumpUntil([&] { return tree->GetFocused() == Item; }, 60000));
        uitest::Pump(int(GetDoubleClickTime()) + 200);
        // (A pointer that does not move keeps xdotool waiting for it to.)
        EXPECT_TRUE(x11test::Click(view, p.X + 1, p.Y));
        EXPECT_TRUE(uitest::PumpUntil([&] { return view->EditTimer() && view->EditTimer()->Enabled(); }, 60000));
    };
    auto editStarts = [&] { return uitest::PumpUntil([&] { return tree->IsEditing(); }, int(3 * GetDoubleClickTime())); };

    // The gesture itself works here.
    clickTwice(r[3]);
    ASSERT_TRUE(editStarts());
    ASSERT_TRUE(x11test::Type("Renamed"));
    ASSERT_TRUE(x11test::Key("Return"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return r[3]->Text() == "Renamed"; }, 60000)) << r[3]->Text();

    // Keys move the focus before the pause is over: nothing is edited, and typing renames nothing.
    uitest::Pump(int(GetDoubleClickTime()) + 200);
    clickTwice(r[0]);
    ASSERT_TRUE(x11test::Key("Down Down"));
    EXPECT_TRUE(uitest::PumpUntil([&] { return tree->GetFocused() == r[2]; }, 60000));
    EXPECT_FALSE(editStarts());
    ASSERT_TRUE(x11test::Type("typed"));
    ASSERT_TRUE(x11test::Key("Return"));
    uitest::Pump(200);
    EXPECT_EQ(r[0]->Text(), "Station A");
    EXPECT_EQ(r[2]->Text(), "Station C");

    // Another control takes the focus: it keeps it.
    uitest::Pump(int(GetDoubleClickTime()) + 200);
    clickTwice(r[1]);
    ASSERT_TRUE(x11test::Click(other, 5, 5));
    EXPECT_TRUE(uitest::PumpUntil([&] { return other->Focused(); }, 60000));
    EXPECT_FALSE(editStarts());
    EXPECT_TRUE(other->Focused());

    // The user goes to another window: no edit box is left in the one left behind.
    const TPoint p = textOf(r[0]);
    ASSERT_TRUE(x11test::Click(view, p.X, p.Y));
    EXPECT_TRUE(uitest::PumpUntil([&] { return view->Focused() && tree->GetFocused() == r[0]; }, 60000));
    uitest::Pump(int(GetDoubleClickTime()) + 200);
    clickTwice(r[1]);
    ASSERT_TRUE(x11test::Click(away, 5, 5));
    EXPECT_TRUE(uitest::PumpUntil([&] { return away->Focused(); }, 60000));
    EXPECT_FALSE(editStarts());
    EXPECT_FALSE(box->Box() && box->Box()->Visible());
    EXPECT_TRUE(away->Focused());
    TObject::Free(second);
    TObject::Free(form);
}

}  // namespace
