// The advanced combo box: its edit and list windows subclassed (and given back, whoever goes first),
// typing, selection, the clipboard and undo in its field beyond ASCII, the list dropped down, chosen
// and closed as its owner hears it, the hot flat frame and the themed button read back from the
// screen, the sideways extent of the list, and handlers that free the box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "controls/Exactrls.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Clipbrd.h"
#include "platform/Input.h"
#include "platform/ThemeSchema.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }

// A form that keeps the notifications its children send it.
class TOwnerForm : public TForm {
public:
    using TForm::TForm;
    std::vector<Word> Codes;
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == WM_COMMAND)
            Codes.push_back(HIWORD(Message.WParam));
        TForm::Dispatch(Message);
    }
};

struct AdvancedComboBox : ::testing::Test {
    TOwnerForm* Form = nullptr;
    TExAdvancedComboBox* C = nullptr;
    TEdit* Other = nullptr;

    AdvancedComboBox()
    {
        Application->Initialize();
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Form = new TOwnerForm(nullptr);
        Form->SetBounds(60, 60, 460, 320);
        Form->AfterConstruction();
        C = new TExAdvancedComboBox(Form);
        C->SetParent(Form);
        C->SetBounds(20, 20, 180, 0);
        C->SetUseXPThemes(false);
        Other = new TEdit(Form);
        Other->SetParent(Form);
        Other->SetBounds(20, 240, 160, 24);
        Form->Show();
        uitest::Pump();
        Other->SetFocus();
        Input::MouseMove(Form, 400, 280);
    }
    ~AdvancedComboBox() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    COLORREF Pixel(TWinControl* W, int X, int Y)
    {
        uitest::Pump();
        HDC dc = GetWindowDC(W->Handle());
        const COLORREF p = GetPixel(dc, X, Y);
        ReleaseDC(W->Handle(), dc);
        return p;
    }
    void Fill(const std::vector<std::string>& Items)
    {
        for (const std::string& s : Items)
            C->Items()->Add(s);
    }
    TWinControl* List() { return TWinControl::FindControl(C->ListHandle()); }
    std::vector<Word> Heard(Word Code)
    {
        std::vector<Word> out;
        std::copy_if(Form->Codes.begin(), Form->Codes.end(), std::back_inserter(out),
                     [&](Word c) { return c == Code; });
        return out;
    }
};

// ---------------------------------------------------------------- subclassing

TEST_F(AdvancedComboBox, TheEditAndListWindowsAreSubclassedAndGivenBack)
{
    std::vector<UINT> edit, list;
    C->EditHook = [&](TMessage& m) { edit.push_back(m.Msg); };
    C->ListHook = [&](TMessage& m) { list.push_back(m.Msg); };
    ASSERT_NE(C->EditHandle(), nullptr);
    EXPECT_EQ(C->SubclassedEdit(), C->EditHandle());
    EXPECT_EQ(C->SubclassedList(), C->ListHandle());
    C->Items()->Add("walnut");
    EXPECT_NE(std::find(list.begin(), list.end(), LB_ADDSTRING), list.end());
    C->SetFocus();
    Input::TypeText("\xC3\xA9");  // "é"
    EXPECT_NE(std::find(edit.begin(), edit.end(), WM_CHAR), edit.end());
    EXPECT_EQ(C->Text(), "\xE9");
    // A drop-down list box has no edit window: only the list is subclassed.
    const HWND oldEdit = C->EditHandle();
    C->SetStyle(csDropDownList);
    EXPECT_FALSE(IsWindow(oldEdit));
    EXPECT_EQ(C->SubclassedEdit(), nullptr);
    EXPECT_EQ(C->SubclassedList(), C->ListHandle()) << "the new list window is subclassed in its turn";
    list.clear();
    C->Items()->Add("hazel");
    EXPECT_NE(std::find(list.begin(), list.end(), LB_ADDSTRING), list.end());
    // A simple box's edit has no drop-down bit.
    C->SetStyle(csSimple);
    EXPECT_EQ(C->SubclassedEdit(), nullptr);
    EXPECT_EQ(C->SubclassedList(), C->ListHandle());
    C->SetStyle(csDropDown);
    EXPECT_EQ(C->SubclassedEdit(), C->EditHandle());
}

// Another subclass over the box's own, as a program may put on the field.
std::map<HWND, WNDPROC> gOver;
std::vector<UINT> gOverSeen;
LRESULT OverProc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    gOverSeen.push_back(msg);
    WNDPROC old = gOver[h];
    if (msg == WM_DESTROY)
        SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(old));
    return CallWindowProc(old, h, msg, w, l);
}

TEST_F(AdvancedComboBox, AChildWindowOutlivingTheSubclassKeepsItsChain)
{
    std::vector<UINT> mine;
    C->EditHook = [&](TMessage& m) { mine.push_back(m.Msg); };
    const HWND edit = C->EditHandle();
    gOver.clear();
    gOverSeen.clear();
    gOver[edit] = reinterpret_cast<WNDPROC>(GetWindowLongPtr(edit, GWLP_WNDPROC));
    SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&OverProc));
    C->SetFocus();
    Input::TypeText("ab");
    EXPECT_EQ(C->Text(), "ab") << "through both subclasses to the field";
    // The box lets go of the field while the other subclass still sits over it: the field keeps
    // working through the chain, and goes with its window.
    C->SetStyle(csDropDownList);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_NE(std::find(gOverSeen.begin(), gOverSeen.end(), WM_DESTROY), gOverSeen.end());
    EXPECT_EQ(std::count(mine.begin(), mine.end(), WM_DESTROY), 0) << "the box had let go before";
    // The box freed with its list subclassed: nothing of it runs for the windows afterwards.
    const HWND list = C->ListHandle();
    TObject::Free(C);
    C = nullptr;
    EXPECT_FALSE(IsWindow(list));
    uitest::Pump();
}

TEST_F(AdvancedComboBox, AHookThatFreesTheBoxStillLetsTheFieldHandleItsMessage)
{
    C->SetFocus();
    bool freed = false;
    C->EditHook = [&](TMessage& m) {
        if (m.Msg == WM_CHAR && !freed) {
            freed = true;
            TObject::Free(C);
        }
    };
    Input::TypeText("x");
    uitest::Pump();
    EXPECT_TRUE(freed);
    EXPECT_EQ(Form->ControlCount(), 1);
}

// ---------------------------------------------------------------- typing in the field

TEST_F(AdvancedComboBox, TypingSelectionClipboardAndUndoInTheFieldBeyondAscii)
{
    C->SetFocus();
    Input::TypeText("Stra\xC3\x9F" "e in K\xC3\xB6ln");  // "Straße in Köln"
    EXPECT_EQ(C->Text(), "Stra\xDF" "e in K\xF6ln");
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    EXPECT_EQ(C->SelText(), "K\xF6ln");
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(1252), "K\xF6ln");
    Input::PressKey(VK_HOME);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(C->Text(), "K\xF6lnStra\xDF" "e in K\xF6ln");
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(C->Text(), "Stra\xDF" "e in K\xF6ln");
    EXPECT_EQ(Heard(CBN_EDITCHANGE).size(), 16u) << "each change told to the owner";
}

// ---------------------------------------------------------------- the drop-down list

TEST_F(AdvancedComboBox, TheListDropsDownIsChosenFromAndClosesAsItsOwnerHears)
{
    Fill({"Amsel", "Dro\xDF" "el", "Fink"});  // Drossel
    int closeUps = 0;
    C->OnCloseUp = [&](TObject* s) {
        EXPECT_EQ(s, C);
        ++closeUps;
    };
    C->SetFlat(true);
    // A click on the button drops the list down.
    Input::Click(C, C->Width() - 8, C->Height() / 2);
    EXPECT_TRUE(C->DroppedDown());
    EXPECT_EQ(Heard(CBN_DROPDOWN).size(), 1u);
    ASSERT_NE(List(), nullptr);
    EXPECT_TRUE(IsWindowVisible(C->ListHandle()));
    // Pushed while dropped: the thin button frame's top-left in the shadow colour.
    const int bl = C->Width() - 2 - GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(Pixel(C, bl, 2), Rgb(clBtnShadow));
    // A click on the second item chooses it and closes the list.
    const int h = int(SendMessage(C->ListHandle(), LB_GETITEMHEIGHT, 1, 0));
    Input::MouseMove(List(), 10, h + h / 2);
    EXPECT_EQ(SendMessage(C->ListHandle(), LB_GETCURSEL, 0, 0), 1) << "the pointer marks the item under it";
    Input::MouseDown(List(), mbLeft, 10, h + h / 2);
    Input::MouseUp(List(), mbLeft, 10, h + h / 2);
    EXPECT_FALSE(C->DroppedDown());
    EXPECT_EQ(C->ItemIndex(), 1);
    EXPECT_EQ(C->Text(), "Dro\xDF" "el");
    EXPECT_EQ(closeUps, 1);
    EXPECT_EQ(Heard(CBN_CLOSEUP).size(), 1u) << "the owner hears the list close";
    EXPECT_EQ(Heard(CBN_SELENDOK).size(), 1u);
    EXPECT_EQ(Heard(CBN_SELCHANGE).size(), 1u);
    // By the keys: F4 opens, Down moves, Escape closes as a cancel.
    C->SetFocus();
    Input::PressKey(VK_F4);
    EXPECT_TRUE(C->DroppedDown());
    Input::PressKey(VK_DOWN);
    EXPECT_EQ(C->Text(), "Fink");
    Input::PressKey(VK_ESCAPE);
    EXPECT_FALSE(C->DroppedDown());
    EXPECT_EQ(Heard(CBN_CLOSEUP).size(), 2u);
    EXPECT_EQ(Heard(CBN_SELENDCANCEL).size(), 1u);
    EXPECT_EQ(closeUps, 2);
    // Closed again, the button stands up.
    EXPECT_EQ(Pixel(C, bl, 2), Rgb(clBtnHighlight));
}

// ---------------------------------------------------------------- the frame

TEST_F(AdvancedComboBox, TheFlatFrameAndButtonLightUpWhileHotOverTheFieldToo)
{
    C->SetFlat(true);
    C->SetBtnThinFrame(false);
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int bl = C->Width() - 2 - cx;
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(clBtnFace)) << "inactive: one sunken line";
    EXPECT_EQ(Pixel(C, bl + 1, 3), Rgb(clBtnFace)) << "a flat button";
    Input::MouseMove(C, C->Width() - 8, 5);
    EXPECT_TRUE(C->MouseOver());
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(Pixel(C, bl, 2), Rgb(clBtnHighlight)) << "the button rises";
    EXPECT_EQ(Pixel(C, C->Width() - 3, C->Height() - 3), Rgb(cl3DDkShadow));
    // Over the edit field the box stays hot.
    const TPoint field = Form->ScreenToClient(C->ClientToScreen({20, 6}));
    Input::MouseMove(Form, field.X, field.Y);
    EXPECT_TRUE(C->MouseOver());
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(cl3DDkShadow));
    // Leaving from the field leaves the box.
    Input::MouseMove(Form, 400, 280);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !C->MouseOver(); }));
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(clBtnFace));
    // Focused in its field: active as well, in the active type chosen.
    C->SetFocus();
    EXPECT_TRUE(C->IsFocused());
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(cl3DDkShadow));
    C->SetActiveBorderType(fbtFlat);
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(clWindow));
    C->SetInactiveBorderType(fbtRaisedOuter);
    Other->SetFocus();
    EXPECT_FALSE(C->IsFocused());
    EXPECT_EQ(Pixel(C, 0, 0), Rgb(cl3DLight)) << "the inactive type, raised";
    EXPECT_EQ(C->Perform(WM_THEMECHANGED, 0, 0), 1);
    EXPECT_EQ(C->SubclassedList(), C->ListHandle()) << "made anew, subclassed anew";
}

TEST_F(AdvancedComboBox, AListOnlyBoxShowsItsChoiceInsideTheFlatFrame)
{
    Fill({"alpha", "beta"});
    C->SetStyle(csDropDownList);
    C->SetFlat(true);
    C->SetItemIndex(1);
    int ink = 0;
    for (int y = 4; y < C->Height() - 4; ++y)
        for (int x = 4; x < C->Width() - 24; ++x)
            ink += Pixel(C, x, y) != Rgb(clWindow);
    EXPECT_GT(ink, 10);
    EXPECT_EQ(Pixel(C, 1, 1), Rgb(clBtnFace)) << "and the flat frame round it";
}

TEST_F(AdvancedComboBox, TheButtonIsFaceColouredOnAWindowColouredBoxAndOtherwiseInTheBoxsColour)
{
    C->SetFlat(true);
    const int bl = C->Width() - 2 - GetSystemMetrics(SM_CXVSCROLL);
    const TPoint in{bl + 3, 4};
    EXPECT_EQ(Pixel(C, in.X, in.Y), Rgb(clBtnFace));
    C->SetColor(clYellow);
    EXPECT_EQ(Pixel(C, in.X, in.Y), Rgb(clYellow));
    C->SetColor(clWindow);
    EXPECT_EQ(Pixel(C, in.X, in.Y), Rgb(clBtnFace));
}

TEST_F(AdvancedComboBox, ATransparentButtonIsTheArrowAloneAndAFlatOneAFrame)
{
    C->SetColor(clYellow);
    C->Font()->SetColor(clNavy);
    C->SetBtnTransparent(true);
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const TRect b{C->Width() - 2 - cx, 2, C->Width() - 2, C->Height() - 2};
    int navy = 0, other = 0;
    for (int x = b.Left; x < b.Right; ++x)
        for (int y = b.Top; y < b.Bottom; ++y) {
            const COLORREF p = Pixel(C, x, y);
            if (p == Rgb(clNavy))
                ++navy;
            else if (p != Rgb(clYellow))
                ++other;
        }
    EXPECT_EQ(navy, 16) << "the arrow, 7 + 5 + 3 + 1 pixels";
    EXPECT_EQ(other, 0) << "nothing but the arrow on the box's colour";
    C->SetBtnTransparent(false);
    C->SetBtnFlat(true);
    EXPECT_EQ(Pixel(C, b.Left, b.Top), Rgb(clYellow)) << "a one-pixel frame in the button colour (the box's)";
    C->SetColor(clWindow);
    EXPECT_EQ(Pixel(C, b.Left, b.Top), Rgb(clBtnFace));
}

TEST_F(AdvancedComboBox, AThemedBoxDrawsTheThemesButtonInItsState)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    C->SetUseXPThemes(true);
    ASSERT_TRUE(C->IsThemeApplied());
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const TRect b{C->Width() - 1 - cx, 1, C->Width() - 1, C->Height() - 1};
    // The button as the theme draws it in a state: pixels it paints opaquely, over two grounds.
    auto expected = [&](int State) {
        std::vector<std::pair<TPoint, COLORREF>> out;
        TBitmap one, two;
        for (auto [bmp, ground] : {std::pair{&one, clFuchsia}, std::pair{&two, clLime}}) {
            bmp->SetSize(C->Width(), C->Height());
            bmp->Canvas()->Brush()->SetColor(ground);
            bmp->Canvas()->FillRect(TRect{0, 0, C->Width(), C->Height()});
            DrawThemeBackgroundTo(VSCLASS_COMBOBOX, bmp->Canvas()->Handle(), CP_DROPDOWNBUTTON, State, b, nullptr);
        }
        for (int x = b.Left; x < b.Right; ++x)
            for (int y = b.Top; y < b.Bottom; ++y)
                if (one.Canvas()->Pixels(x, y) == two.Canvas()->Pixels(x, y))
                    out.push_back({TPoint{x, y}, COLORREF(one.Canvas()->Pixels(x, y))});
        return out;
    };
    auto matches = [&](const std::vector<std::pair<TPoint, COLORREF>>& Want) {
        int bad = 0;
        for (auto& [p, c] : Want)
            bad += Pixel(C, p.X, p.Y) != c;
        return bad;
    };
    const auto normal = expected(1), hot = expected(2);
    ASSERT_GT(normal.size(), 50u);
    ASSERT_NE(normal, hot);
    EXPECT_EQ(matches(normal), 0);
    Input::MouseMove(C, C->Width() - 8, 5);
    EXPECT_EQ(matches(hot), 0);
    Input::MouseMove(Form, 400, 280);
    EXPECT_EQ(matches(normal), 0);
}

// ---------------------------------------------------------------- the sideways extent

TEST_F(AdvancedComboBox, TheListsExtentFollowsTheWidestItem)
{
    C->SetHorizontalScroll(true);
    auto extent = [&] { return int(SendMessage(C->ListHandle(), LB_GETHORIZONTALEXTENT, 0, 0)); };
    TBitmap measure;
    measure.Canvas()->SetFont(C->Font());
    auto width = [&](const std::string& s) { return measure.Canvas()->TextWidth(s + "W"); };
    Fill({"short", "a little longer"});
    EXPECT_NE(GetWindowLong(C->ListHandle(), GWL_STYLE) & WS_HSCROLL, 0) << "the list has a bar to scroll by";
    EXPECT_EQ(extent(), width("a little longer"));
    const std::string wide = "an item wider than any other before it";
    C->Items()->Insert(0, wide);
    EXPECT_EQ(extent(), width(wide)) << "at once";
    C->Items()->Delete(1);
    EXPECT_EQ(extent(), width(wide));
    C->Items()->Delete(0);
    EXPECT_EQ(extent(), width("a little longer"));
    EXPECT_EQ(SendMessage(C->ListHandle(), LB_DELETESTRING, WPARAM(C->Items()->Count()), 0), LB_ERR)
        << "no item past the last to measure";
    C->Clear();
    EXPECT_EQ(extent(), 0);
    EXPECT_EQ(C->MaxItemWidth(), 0);
    EXPECT_EQ(SendMessage(C->ListHandle(), LB_GETCOUNT, 0, 0), 0) << "the list window is emptied as well";
    // Items are measured in the box's font, whatever font drawing left on its canvas.
    C->Canvas()->Font()->SetSize(C->Font()->Size() * 3);
    Fill({"short", "a little longer"});
    EXPECT_EQ(extent(), width("a little longer"));
    C->Clear();
    // A recreated window keeps subclassing and measuring.
    Fill({wide});
    C->SetSorted(true);
    EXPECT_EQ(extent(), width(wide));
}

// The box's window parameters, as its window is made with them.
class TParamsComboBox : public TExAdvancedComboBox {
public:
    using TExAdvancedComboBox::TExAdvancedComboBox;
    TCreateParams Params()
    {
        TCreateParams p;
        CreateParams(p);
        return p;
    }
};

TEST_F(AdvancedComboBox, ItsWindowHasNoBorderStylesAndASidewaysBarGoesToItsList)
{
    auto* box = new TParamsComboBox(Form);
    box->SetParent(Form);
    box->SetBounds(20, 100, 180, 0);
    box->Items()->Add(std::string(80, 'W'));
    for (bool sideways : {false, true}) {
        SCOPED_TRACE(sideways);
        box->SetHorizontalScroll(sideways);
        box->HandleNeeded();
        const TCreateParams p = box->Params();
        EXPECT_EQ(p.Style & WS_BORDER, 0u);
        EXPECT_EQ(p.ExStyle & WS_EX_CLIENTEDGE, 0u);
        EXPECT_EQ((p.Style & WS_HSCROLL) != 0, sideways);
        // The bar is the drop-down list's; the box keeps its whole client area.
        EXPECT_EQ((GetWindowLong(box->ListHandle(), GWL_STYLE) & WS_HSCROLL) != 0, sideways);
        EXPECT_EQ(GetWindowLong(box->Handle(), GWL_STYLE) & WS_HSCROLL, 0);
        EXPECT_EQ(box->ClientHeight(), box->Height());
    }
}

TEST_F(AdvancedComboBox, TheDroppedListHasFlatScrollBars)
{
    for (int i = 0; i < 20; ++i)
        C->Items()->Add("entry " + std::to_string(i));
    C->SetFlat(true);
    C->SetDroppedDown(true);
    ASSERT_TRUE(C->DroppedDown());
    TRect lr;
    GetWindowRect(C->ListHandle(), &lr);
    const int b = GetSystemMetrics(SM_CXBORDER);
    const int barLeft = lr.Width() - b - GetSystemMetrics(SM_CXVSCROLL);
    // The arrow buttons framed by a light line round the face, not the default raised edge.
    EXPECT_EQ(Pixel(List(), barLeft, b), Rgb(clBtnHighlight));
    EXPECT_EQ(Pixel(List(), barLeft + 1, b + 1), Rgb(clBtnFace));
    const int bottom = lr.Height() - b - 1;
    EXPECT_EQ(Pixel(List(), barLeft + 1, bottom - 1), Rgb(clBtnFace));
    C->SetDroppedDown(false);
}

// ---------------------------------------------------------------- handlers that free the box

// ---------------------------------------------------------------- a model of the box

// A box of either kind, with a field or list-only, takes random input (opening and closing the list
// by F4, Enter, Escape and leaving, keys in the open list and in the closed box, the pointer over
// and clicking items, typing in the field) and changes from code (items inserted, added, deleted and
// cleared, the list open or not; the choice set, and the text set while the list is closed). After every step
// it answers as a model of what the user sees: the text, the choice, whether the list is open and
// as tall as its items, and how often OnChange and OnSelect were raised.
struct TComboModel {
    std::vector<std::string> Items;
    int Sel = -1, Kept = -1;  // the list's selection (ItemIndex), the choice of when it dropped
    std::string Text, DropText;
    bool Edit = true, Open = false, Typed = false;
    int Changes = 0, Selects = 0;

    std::string ItemText(int I) const { return I >= 0 ? Items[size_t(I)] : std::string(); }
    // The list's choice shown; a box with a field keeps what it holds when there is none.
    void Show()
    {
        if (!Edit || Sel >= 0)
            Text = ItemText(Sel);
    }
    void Restore()
    {
        Sel = Kept;
        Text = Edit ? DropText : ItemText(Kept);
    }
    void Close(bool Picked)
    {
        Open = false;
        const bool changed = Picked && Sel != Kept;
        if (!Picked)
            Restore();
        else if (!Typed)
            Show();
        Selects += changed;
    }
};

class ComboModel : public AdvancedComboBox, public ::testing::WithParamInterface<std::tuple<unsigned, bool, bool>> {};

TEST_P(ComboModel, TheBoxAnswersAsItsModelThroughRandomInputAndChanges)
{
    const auto [seed, advanced, edit] = GetParam();
    std::mt19937 rnd(seed);
    auto pick = [&](int n) { return n <= 0 ? 0 : int(rnd() % unsigned(n)); };
    TComboBox* box = advanced ? C : new TComboBox(Form);
    if (!advanced) {
        box->SetParent(Form);
        box->SetBounds(20, 60, 180, 0);
    }
    box->SetStyle(edit ? csDropDown : csDropDownList);
    box->SetDropDownCount(6);
    TComboModel m;
    m.Edit = edit;
    int changes = 0, selects = 0;
    box->OnChange = [&](TObject*) { ++changes; };
    box->OnSelect = [&](TObject*) { ++selects; };
    const char* const names[] = {"Ash", "Birch", "Cedar", "Elm", "Fir", "Hazel", "Larch", "Oak", "Pine", "Yew"};
    for (int i = 0; i < 5; ++i) {
        box->Items()->Add(names[i]);
        m.Items.push_back(names[i]);
    }
    box->SetFocus();
    const int itemHeight = box->ItemHeight();
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const int n = int(m.Items.size());
        TWinControl* list = TWinControl::FindControl(box->ListHandle());
        const int kind = pick(14);
        if (!box->Focused() && GetFocus() != box->EditHandle())
            box->SetFocus();
        if (kind == 0) {
            Input::PressKey(VK_F4);
            if (m.Open) {
                m.Close(true);
            } else {
                m.Open = true;
                m.Kept = m.Sel;
                m.DropText = m.Text;
                m.Typed = false;
            }
        } else if (kind == 1 && m.Open) {
            const bool enter = pick(2) != 0;
            Input::PressKey(enter ? VK_RETURN : VK_ESCAPE);
            m.Close(enter);
        } else if (kind == 2 && m.Open) {
            Other->SetFocus();
            m.Close(false);
        } else if (kind <= 4) {
            const Word keys[] = {VK_UP, VK_DOWN, VK_HOME, VK_END};
            const Word key = keys[pick(4)];
            Input::PressKey(key);
            const bool homeEnd = key == VK_HOME || key == VK_END;
            int to = key == VK_HOME ? 0 : key == VK_END ? n - 1 : key == VK_UP ? std::max(0, m.Sel - 1) : m.Sel + 1;
            to = std::clamp(to, 0, n - 1);
            if (n > 0 && to != m.Sel && (m.Open || !edit || !homeEnd)) {
                m.Sel = to;
                m.Typed = false;
                m.Show();
                if (!m.Open)
                    ++m.Selects;
            }
        } else if (kind <= 6 && m.Open && n > 0) {
            // The pointer onto an item in view; now and then a click there.
            const int i = pick(n);
            TRect r;
            SendMessage(box->ListHandle(), LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
            if (r.Top >= 0 && r.Bottom <= list->ClientHeight()) {
                const bool click = kind == 6;
                Input::MouseMove(list, 10, r.Top + 2);
                if (i != m.Sel || click) {
                    m.Sel = i;
                    m.Typed = false;
                }
                if (click) {
                    Input::Click(list, 10, r.Top + 2);
                    m.Close(true);
                }
            }
        } else if (kind == 7 && edit) {
            const std::string typed = std::string(1, char('a' + pick(3))) + "x";
            box->SelectAll();
            Input::TypeText(typed);
            m.Text = typed;
            m.Changes += 2;
            if (m.Open) {
                m.Sel = m.Kept;
                m.DropText = typed;
                m.Typed = true;
            }
        } else if (kind <= 9) {
            // An item comes from code, at the end or anywhere.
            const int at = kind == 8 ? n : pick(n + 1);
            const std::string name = names[pick(10)];
            box->Items()->Insert(at, name);
            m.Items.insert(m.Items.begin() + at, name);
            for (int* p : {&m.Sel, &m.Kept})
                if (*p >= at)
                    ++*p;
        } else if (kind <= 11 && n > 0) {
            // An item goes, often the one shown.
            const int at = pick(3) == 0 && m.Sel >= 0 ? m.Sel : pick(n);
            box->Items()->Delete(at);
            m.Items.erase(m.Items.begin() + at);
            const bool gone = m.Sel == at;
            for (int* p : {&m.Sel, &m.Kept})
                *p = *p == at ? -1 : *p > at ? *p - 1 : *p;
            if (gone && m.Open)
                m.Restore();
            else if (gone && !edit)
                m.Text.clear();
        } else if (kind == 12 && pick(6) == 0) {
            box->Items()->Clear();
            m.Items.clear();
            m.Sel = m.Kept = -1;
            m.Text.clear();
            m.DropText.clear();
        } else if (kind == 13) {
            if (pick(2) && n > 0) {
                // Code's choice while the list is open is what Escape goes back to.
                const int i = pick(n + 1) - 1;
                box->SetItemIndex(i);
                if (i != m.Sel) {
                    m.Sel = i;
                    m.Text = m.ItemText(i);
                    if (m.Open) {
                        m.Kept = i;
                        m.DropText = m.Text;
                    }
                }
            } else if (!m.Open) {
                const std::string text = pick(2) && n > 0 ? m.Items[size_t(pick(n))] : "Palm";
                box->SetText(text);
                if (!edit) {
                    const auto it = std::find(m.Items.begin(), m.Items.end(), text);
                    m.Sel = it == m.Items.end() ? -1 : int(it - m.Items.begin());
                }
                m.Text = edit || m.Sel >= 0 ? text : std::string();
            }
        }
        ASSERT_EQ(box->DroppedDown(), m.Open);
        ASSERT_EQ(box->Items()->Count(), int(m.Items.size()));
        ASSERT_EQ(box->ItemIndex(), m.Sel);
        ASSERT_EQ(box->Text(), m.Text);
        ASSERT_EQ(changes, m.Changes);
        ASSERT_EQ(selects, m.Selects);
        if (m.Open) {
            TRect r;
            GetWindowRect(box->ListHandle(), &r);
            ASSERT_EQ(r.Height(), std::clamp(int(m.Items.size()), 1, 6) * itemHeight + 2 * GetSystemMetrics(SM_CYBORDER))
                << "as tall as its items";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ComboModel,
                         ::testing::Combine(::testing::Values(1u, 2u, 3u), ::testing::Bool(), ::testing::Bool()));

TEST_F(AdvancedComboBox, HandlersMayFreeTheBox)
{
    const int count = Form->ControlCount();
    Fill({"one", "two"});
    C->OnCloseUp = [this](TObject*) {
        TExAdvancedComboBox* c = C;
        C = nullptr;
        TObject::Free(c);
    };
    C->SetFocus();
    Input::PressKey(VK_F4);
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_RETURN);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
    // As the header's look-up box: made without an owner, Enter taken in its key handler, which
    // frees it; a change handler that frees it.
    for (int way = 0; way < 2; ++way) {
        auto* box = new TExAdvancedComboBox(nullptr);
        box->SetFlat(true);
        box->SetActiveBorderType(fbtSunkenOuter);
        box->SetParent(Form);
        box->SetBounds(20, 60, 150, 0);
        box->Items()->Add("history");
        if (way == 0)
            box->OnKeyDown = [box](TObject*, Word& Key, TShiftState) {
                if (Key == VK_RETURN) {
                    Key = 0;
                    TObject::Free(box);
                }
            };
        else
            box->OnChange = [box](TObject*) { TObject::Free(box); };
        uitest::Pump();
        box->SetFocus();
        Input::TypeText("h");
        Input::PressKey(VK_RETURN);
        uitest::Pump();
        EXPECT_EQ(Form->ControlCount(), count - 1) << way;
    }
    auto* hot = new TExAdvancedComboBox(Form);
    hot->SetParent(Form);
    hot->SetBounds(200, 20, 150, 0);
    hot->SetFlat(true);
    hot->OnMouseEnter = [hot](TObject*) { TObject::Free(hot); };
    uitest::Pump();
    Input::MouseMove(hot, 140, 5);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
}

}  // namespace
