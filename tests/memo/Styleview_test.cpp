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

}  // namespace
