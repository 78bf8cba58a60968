// The memo's view on a shown window: the top line when the window grows, the picture after scrolls
// and appends made before the first paint, and appends that follow the caret.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

// The receive window's options: no automatic scroll bars, whole lines at the top.
constexpr TStyleMemoOptions RxOptions =
    pmoWrapCaret | pmoInsertKeyActive | pmoWideOverwriteCaret | pmoNoFineScroll | pmoNoLineSelection;

std::string Paragraphs(int n, int words = 1)
{
    std::string t;
    for (int i = 0; i < n; ++i) {
        if (i > 0) t += "\r\n";
        t += "P" + std::to_string(i);
        for (int w = 1; w < words; ++w) t += " word" + std::to_string(w);
    }
    return t;
}

// Every pixel of a window, its frame and scroll bars included.
std::vector<COLORREF> Picture(TWinControl* c)
{
    std::vector<COLORREF> r;
    HDC dc = GetWindowDC(c->Handle());
    TRect wr;
    GetWindowRect(c->Handle(), &wr);
    for (int y = 0; y < wr.Height(); ++y)
        for (int x = 0; x < wr.Width(); ++x) r.push_back(GetPixel(dc, x, y));
    ReleaseDC(c->Handle(), dc);
    return r;
}

// Runs what is pending: background formatting to its end, then the paints it left.
void Settle(TStyleMemo* m)
{
    ASSERT_TRUE(uitest::PumpUntil([&] { return !m->BackgroundPosted(); }, 60000));
    for (int i = 0; i < 3; ++i) Application->ProcessMessages();
}

class View : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 760, 900);
        form->AfterConstruction();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TStyleMemo* Memo(int Left, int Height, TStyleMemoOptions Options)
    {
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(Left, 0, 300, Height);
        m->setOptions(Options);
        m->setReadOnly(true);
        return m;
    }
    TForm* form = nullptr;
};

// Scrolls and edits made at once after Show(), before the first paint and while the text is still
// being broken in the background, leave the picture a settled memo shows for the same top line:
// no rows of two places of the text, no stale thumb, and an append at the caret stays in view.
TEST_F(View, EarlyScrollsAndAppendsMatchASettledMemo)
{
    struct Case {
        const char* Name;
        bool FollowsCaret;
        std::function<void(TStyleMemo*)> Act;
    };
    const std::vector<Case> cases = {
        {"setTopLine", false, [](TStyleMemo* m) { m->setTopLine(8); }},
        {"append", true,
         [](TStyleMemo* m) {
             m->setSelStart(m->TextLen());
             m->setSelText("\r\nappended at the end of the text");
         }},
        {"appends", true,
         [](TStyleMemo* m) {
             for (int i = 0; i < 30; ++i) {
                 m->setSelStart(m->TextLen());
                 m->setSelText("\r\nline " + std::to_string(i) + " word word word word word word word word");
             }
         }},
        {"insert", true,
         [](TStyleMemo* m) {
             m->setSelStart(m->ParsOffset(30));
             m->setSelText("inserted ");
         }},
    };
    for (const Case& c : cases)
        for (const TStyleMemoOptions options : {RxOptions, TStyleMemoOptions(RxOptions & ~pmoNoFineScroll)}) {
            SCOPED_TRACE(c.Name + std::string(options == RxOptions ? " whole lines" : " fine"));
            TStyleMemo* a = Memo(0, 200, options);
            TStyleMemo* b = Memo(350, 200, options);
            const std::string text = Paragraphs(40, 12);
            a->Lines()->SetText(text);
            b->Lines()->SetText(text);
            form->Show();
            c.Act(a);
            Settle(a);
            Settle(b);
            if (c.FollowsCaret) {
                c.Act(b);
                const Integer caret = a->Anchor()->GetLineNb();
                EXPECT_GE(caret, a->TopLine());
                EXPECT_LT(caret, a->TopLine() + a->ClientHeight() / a->RowHeight());
            }
            b->setTopOrigin(a->TopOrigin());
            Settle(b);
            EXPECT_EQ(a->TopLine(), b->TopLine());
            EXPECT_TRUE(Picture(a) == Picture(b));
            delete a;
            delete b;
            form->Hide();
        }
}

// Made taller than its text, the memo shows the text from its first line; made taller than what
// lies below its top line, it brings lines back from above (with and without automatic bars).
TEST_F(View, GrowingBringsBackTheLinesAbove)
{
    for (const TStyleMemoOptions options : {RxOptions, TStyleMemoOptions(RxOptions | pmoAutoScrollBars)}) {
        TStyleMemo* a = Memo(0, 100, options);
        TStyleMemo* b = Memo(350, 100, options);
        a->setWordWrap(false);
        b->setWordWrap(false);
        form->Show();
        const std::string text = Paragraphs(13);
        a->Lines()->SetText(text);
        a->setSelStart(a->TextLen());
        a->ScrollInView();
        Settle(a);
        const Integer h = a->RowHeight();
        ASSERT_EQ(a->TopLine(), 13 - a->ClientHeight() / h);
        // Taller by two rows: two lines come back from above.
        a->SetBounds(0, 0, 300, 100 + 2 * h);
        Settle(a);
        EXPECT_EQ(a->TopLine(), 13 - a->ClientHeight() / h);
        a->SetBounds(0, 0, 300, 800);
        b->SetBounds(350, 0, 300, 800);
        b->Lines()->SetText(text);
        b->setSelStart(b->TextLen());
        Settle(a);
        Settle(b);
        EXPECT_EQ(a->TopLine(), 0);
        EXPECT_TRUE(Picture(a) == Picture(b));
        delete a;
        delete b;
        form->Hide();
    }
}

// The receive window's layout: the memo above a splitter, made taller by dragging the splitter.
TEST_F(View, GrownByItsSplitter)
{
    TStyleMemo* m = Memo(0, 9 * 15, RxOptions);
    m->setWordWrap(false);
    m->SetAlign(alTop);
    auto* splitter = new TSplitter(form);
    splitter->SetParent(form);
    splitter->SetAlign(alTop);
    splitter->SetBounds(0, m->Height(), 300, 4);
    splitter->SetMinSize(5);
    auto* below = new TPanel(form);
    below->SetParent(form);
    below->SetAlign(alClient);
    form->Show();
    Settle(m);
    const Integer h = m->RowHeight();
    m->SetHeight(9 * h + 4);  // nine rows
    m->Lines()->SetText(Paragraphs(12));
    m->setSelStart(m->TextLen());
    m->ScrollInView();
    Settle(m);
    ASSERT_GT(m->TopLine(), 0);
    const int grow = 10 * h;
    Input::Drag(splitter, 150, 2, 150, 2 + grow);
    Settle(m);
    ASSERT_GT(m->ClientHeight(), 12 * h) << m->Height() << " " << splitter->Top();
    EXPECT_EQ(m->TopLine(), 0);
    const std::vector<COLORREF> shown = Picture(m);
    RedrawWindow(m->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_TRUE(Picture(m) == shown);
}

// Counts the frame paints of the memo it watches.
class FramePaints : public TComponent {
public:
    explicit FramePaints(TStyleMemo* Memo) : TComponent(nullptr), FMemo(Memo) { Memo->AddNotificationClient(this); }
    int Count = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (AComponent == FMemo && static_cast<int>(Operation) == opMemoMessage && FMemo->LastMessage().Msg == WM_NCPAINT) ++Count;
    }

private:
    TStyleMemo* FMemo;
};

// Appends to a shown memo leave the window alone until its messages run: the picture is not moved
// and the frame with its scroll bar not painted for each append; once they have run, the picture
// and the bar are those of the text, with the last line in view.
TEST_F(View, AppendsAreDrawnWhenTheMessagesRun)
{
    for (const TStyleMemoOptions options : {RxOptions, TStyleMemoOptions(RxOptions & ~pmoNoFineScroll)}) {
        TStyleMemo* a = Memo(0, 200, options);
        TStyleMemo* b = Memo(350, 200, options);
        a->Lines()->SetText(Paragraphs(20, 3));
        form->Show();
        Settle(a);
        a->setSelStart(a->TextLen());
        a->ScrollInView();
        Settle(a);
        FramePaints frames(a);
        const std::vector<COLORREF> before = Picture(a);
        std::string appended;
        for (int i = 0; i < 50; ++i) {
            const std::string line = "\r\nappended line " + std::to_string(i);
            appended += line;
            a->setSelStart(a->TextLen());
            a->setSelText(line);
        }
        EXPECT_EQ(frames.Count, 0);
        EXPECT_TRUE(Picture(a) == before);
        // Updating the window draws what is owed at once.
        a->Update();
        const std::vector<COLORREF> updated = Picture(a);
        EXPECT_FALSE(updated == before);
        Settle(a);
        EXPECT_TRUE(Picture(a) == updated);
        EXPECT_GE(frames.Count, 1);
        EXPECT_LE(frames.Count, 2);
        const Integer caret = a->Anchor()->GetLineNb();
        EXPECT_EQ(caret, a->LineCount() - 1);
        EXPECT_LT(caret, a->TopLine() + a->ClientHeight() / a->RowHeight());
        b->Lines()->SetText(Paragraphs(20, 3) + appended);
        Settle(b);
        b->setTopOrigin(a->TopOrigin());
        Settle(b);
        EXPECT_TRUE(Picture(a) == Picture(b));
        // A step of the scroll bar is drawn before the message returns.
        a->Perform(WM_VSCROLL, SB_LINEUP, 0);
        const std::vector<COLORREF> stepped = Picture(a);
        b->setTopOrigin(a->TopOrigin());
        Settle(b);
        EXPECT_TRUE(stepped == Picture(b));
        // Two appends, a scroll smaller than the window: Update draws it at once too.
        a->setSelStart(a->TextLen());
        a->ScrollInView();
        Settle(a);
        for (const char* line : {"\r\none more", "\r\nand the last"}) {
            a->setSelStart(a->TextLen());
            a->setSelText(line);
        }
        a->Update();
        const std::vector<COLORREF> two = Picture(a);
        Settle(a);
        EXPECT_TRUE(Picture(a) == two);
        a->RemoveNotificationClient(&frames);
        delete a;
        delete b;
        form->Hide();
    }
}

// Counts the display lines the formatter breaks.
class CountingMemo : public TStyleMemo {
public:
    using TStyleMemo::TStyleMemo;
    Integer Broken = 0;

protected:
    void ReformatPar(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool WholePar) override
    {
        TStyleMemo::ReformatPar(Par, ParNb, FirstLine, LastLine, WholePar);
        Broken += LastLine - FirstLine + 1;
    }
};

// The client area's pixels.
std::vector<COLORREF> ClientPicture(TStyleMemo* m)
{
    std::vector<COLORREF> r;
    HDC dc = GetDC(m->Handle());
    for (int y = 0; y < m->ClientHeight(); ++y)
        for (int x = 0; x < m->ClientWidth(); ++x) r.push_back(GetPixel(dc, x, y));
    ReleaseDC(m->Handle(), dc);
    return r;
}

// A key in a line of a megabyte without blanks, in a fixed-pitch font with word wrap (every break
// after the key moves): the lines the screen shows are broken at once and right, the rest once the
// messages have run.
TEST_F(View, AKeyInAHugeLineBreaksTheScreenFirstAndTheRestLater)
{
    std::string text(1 << 20, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('A' + (i * 7 + i / 13) % 26);
    const std::string tail = "\r\na paragraph after it";
    for (const bool middle : {false, true}) {
        SCOPED_TRACE(middle ? "in the middle" : "at the start");
        auto* a = new CountingMemo(form);
        a->SetParent(form);
        a->SetBounds(0, 0, 300, 200);
        TStyleMemo* b = Memo(350, 200, 0);
        for (TStyleMemo* m : {static_cast<TStyleMemo*>(a), b}) {
            m->Font()->SetName("DejaVu Sans Mono");
            m->setReadOnly(false);
        }
        form->Show();
        a->Lines()->SetText(text + tail);
        Settle(a);
        const Integer at = middle ? static_cast<Integer>(text.size()) / 2 : 0;
        a->setSelStart(at);
        a->ScrollInView();
        Settle(a);
        const Integer rows = a->ClientHeight() / a->RowHeight();
        a->Broken = 0;
        a->SetFocus();
        a->Perform(WM_CHAR, 'E', 0);
        a->Update();
        EXPECT_LE(a->Broken, 4 * (rows + 2));
        EXPECT_TRUE(DeepCheck(*a));  // the lines still to break cover the rest of the text
        std::string typed = text + tail;
        typed.insert(static_cast<size_t>(at), "E");
        b->Lines()->SetText(typed);
        Settle(b);
        b->setTopOrigin(a->TopOrigin());
        b->Update();
        EXPECT_EQ(a->TopLine(), b->TopLine());
        EXPECT_TRUE(ClientPicture(a) == ClientPicture(b));
        // The rest is broken by the background (what it gives is checked by the random test of
        // Stylelazy_test.cpp).
        Settle(a);
        EXPECT_GT(a->Broken, 100 * rows);
        // A line asked for by number while the rest waits, after a paint in the middle of what
        // waits: the lines before it are broken first.
        a->Perform(WM_CHAR, 'G', 0);
        a->setTopLine(a->LineCount() / 2);
        a->Update();
        typed.insert(static_cast<size_t>(at) + 1, "G");
        b->Lines()->SetText(typed);
        Settle(b);
        const Integer last = b->LineCount() - 1;
        EXPECT_EQ(a->Lines(last), b->Lines(last));
        EXPECT_EQ(a->LineCount(), b->LineCount());
        EXPECT_EQ(a->ParList()->At(1)->FirstLine, b->ParList()->At(1)->FirstLine);
        // The last screen, shown after another key before the rest was broken: the view stays on
        // the text it was put on, and shows it as the settled memo does.
        a->Perform(WM_CHAR, 'F', 0);
        a->setTopLine(a->LineCount() - rows);
        {
            TStyleNavigator t(a);
            t.SetLineNb(a->TopLine());
            const Integer topPos = t.Pos;
            a->Update();
            t.SetLineNb(a->TopLine());
            EXPECT_LE(t.Pos, topPos);
            t.SetLineNb(a->TopLine() + 1);
            EXPECT_GT(t.Pos, topPos);
        }
        typed.insert(static_cast<size_t>(at) + 2, "F");
        b->Lines()->SetText(typed);
        Settle(b);
        b->setTopOrigin(a->TopOrigin());
        b->Update();
        a->Update();
        EXPECT_TRUE(Picture(a) == Picture(b));  // the scroll bar too: the lines are all broken
        Settle(a);
        EXPECT_EQ(a->LineCount(), b->LineCount());
        EXPECT_TRUE(DeepCheck(*a));
        // The caret put far into what waits after one more key in view stands on its line as broken
        // whole, before anything else breaks the rest.
        typed.insert(static_cast<size_t>(at) + 3, "H");
        b->Lines()->SetText(typed);
        Settle(b);
        a->ScrollInView();
        a->Update();
        a->Perform(WM_CHAR, 'H', 0);
        const Integer far = at + (static_cast<Integer>(text.size()) - at) * 3 / 4;
        a->setSelStart(far);
        b->setSelStart(far);
        b->setTopOrigin(a->TopOrigin());
        EXPECT_EQ(a->SelLine(), b->SelLine());
        EXPECT_EQ(a->CaretXY().X, b->CaretXY().X);
        EXPECT_EQ(a->CaretXY().Y, b->CaretXY().Y);
        // A key near the start, then Ctrl+End into the paragraph after what waits: the caret is shown.
        a->setSelStart(5);
        a->Perform(WM_CHAR, 'I', 0);
        ASSERT_GT(a->ParList()->At(0)->Provisional, 0);
        Input::PressKey(VK_END, ssCtrl);
        EXPECT_EQ(a->SelStart(), a->TextLen());
        EXPECT_GE(a->CaretXY().Y, 0);
        EXPECT_LE(a->CaretXY().Y + a->RowHeight(), a->ClientHeight());
        delete a;
        delete b;
        form->Hide();
    }
}

// A selection kept across edits through the lists is painted again, also when a handler brought
// the window up to date before the change, between taking the selection away and putting it back.
TEST_F(View, ASelectionKeptAcrossEditsThroughTheListsIsPaintedAgain)
{
    TStyleMemo* a = Memo(0, 200, RxOptions);
    TStyleMemo* b = Memo(350, 200, RxOptions);
    a->setHideSelection(false);
    b->setHideSelection(false);
    a->Lines()->SetText(Paragraphs(30, 2));
    form->Show();
    Settle(a);
    a->OnBeforeChange = [&](TObject*, const char*&) { a->Update(); };
    const std::function<void()> edits[] = {
        [&] { a->Lines()->Put(8, "put below"); },
        [&] { a->Lines()->Insert(9, "inserted below"); },
        [&] { a->Paragraphs()->Delete(0); },
    };
    for (const auto& edit : edits) {
        Select(*a, a->ParsOffset(3) + 1, 4);
        Settle(a);
        edit();
        Settle(a);
        b->Lines()->SetText(Text(*a));
        Select(*b, a->SelStart(), a->SelLength());
        b->setTopOrigin(a->TopOrigin());
        Settle(b);
        EXPECT_EQ(a->SelLength(), 4);
        EXPECT_TRUE(ClientPicture(a) == ClientPicture(b));
    }
}

}  // namespace
