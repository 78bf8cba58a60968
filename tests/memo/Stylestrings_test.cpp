#include <gtest/gtest.h>

#include <random>

#include "memo/Stylememo.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

using Strings = std::vector<std::string>;

TEST(StringLists, ATrailingEmptyParagraphIsNoItem)
{
    TStyleMemo m(nullptr);
    EXPECT_EQ(m.Lines()->Count(), 0);
    EXPECT_EQ(m.Paragraphs()->Count(), 0);
    m.Lines()->SetText("abc\r\n");
    EXPECT_EQ(m.Lines()->Count(), 1);
    EXPECT_EQ(m.Paragraphs()->Count(), 1);
    EXPECT_EQ(m.Lines()->Get(1), "");
    EXPECT_EQ(m.Lines()->GetText(), "abc\r\n");
}

TEST(StringLists, AddReturnsTheIndexOfTheAddedString)
{
    TStyleMemo m(nullptr);
    TStrings* p = m.Paragraphs();
    EXPECT_EQ(p->Add("s"), 0);  // into the empty last paragraph; an empty one follows
    EXPECT_EQ(p->Add("t"), 1);
    EXPECT_EQ(Text(m), "s\r\nt\r\n");
    EXPECT_EQ(p->Get(1), "t");
    m.Lines()->SetText("a");
    EXPECT_EQ(p->Add("b"), 1);  // no empty last paragraph: a new one
    EXPECT_EQ(Text(m), "a\r\nb");
    m.setSelStart(0);
    EXPECT_EQ(m.Lines()->Add("c"), 2);
    EXPECT_EQ(m.Lines()->Get(2), "c");
    EXPECT_EQ(m.SelStart(), m.TextLen());
}

TEST(StringLists, ParagraphEditsKeepTheSelectionOnItsText)
{
    TStyleMemo m(nullptr);
    m.Lines()->SetText("one\r\ntwo\r\nthree");
    Select(m, 10, 3);  // "thr"
    TStrings* p = m.Paragraphs();
    p->Insert(0, "zero");
    p->Insert(9, "four");
    p->Put(1, "1");
    EXPECT_EQ(Text(m), "zero\r\n1\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(m.SelText(), "thr");
    p->Delete(4);  // the last paragraph: the break before it stays
    p->Delete(0);
    EXPECT_EQ(Pars(m), (Strings{"1", "two", "three", ""}));
    EXPECT_EQ(m.SelText(), "thr");
    EXPECT_THROW(p->Delete(7), Exception);
    EXPECT_TRUE(DeepCheck(m));
}

TEST(StringLists, LinesFollowTheDisplayLines)
{
    ChunkMemo m(3);
    m.Lines()->SetText("abcdefgh\r\nxy");
    m.Reformat();
    EXPECT_EQ(m.Lines()->Get(1), "def");  // formatted on demand
    EXPECT_EQ(m.Lines()->Count(), 4);
    m.Lines()->Delete(1);  // a wrapped line: only its characters
    EXPECT_EQ(Pars(m), (Strings{"abcgh", "xy"}));
    m.Lines()->Delete(1);  // the paragraph's last line: with its break
    EXPECT_EQ(Pars(m), (Strings{"abcxy"}));
    m.Lines()->Put(1, "Q");
    m.Lines()->Insert(0, "P");
    EXPECT_EQ(Pars(m), (Strings{"P", "abcQ"}));
    m.Lines()->Delete(9);  // out of range: nothing
    EXPECT_EQ(m.Lines()->Get(9), "");
    EXPECT_TRUE(DeepCheck(m));
}

TEST(StringLists, AssignLoadSaveAndUpdateBrackets)
{
    TStyleMemo m(nullptr);
    TStringList src;
    src.Add("x");
    src.Add("");
    src.Add("y");
    m.Lines()->Assign(&src);
    EXPECT_EQ(Pars(m), (Strings{"x", "", "y", ""}));
    TMemoryStream out;
    m.Paragraphs()->SaveToStream(&out);
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), "x\r\n\r\ny\r\n");
    int changes = 0;
    m.OnChange = [&](TObject*) { ++changes; };
    m.Lines()->BeginUpdate();
    m.Paragraphs()->Put(0, "a");
    m.Paragraphs()->Put(2, "b");
    m.Lines()->EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Pars(m), (Strings{"a", "", "b", ""}));
}

// The receive window's use: every byte appended at the end while the user's selection stays on its
// text, the oldest display lines moved out once the text passes 25000 characters.
TEST(ReceiveWindowPattern, HundredThousandBytesWithASelectionInTheMiddle)
{
    TStyleMemo m(nullptr);
    m.setReadOnly(true);
    std::mt19937 rng(7);
    std::string all;      // everything appended
    std::string history;  // what the trim moved out
    bool pending = false, fromCR = false, trimming = false;
    Integer selLo = 0, selHi = 0;  // the user's selection in positions of `all`
    bool anchorLo = true;
    auto trimmed = [&] { return static_cast<Integer>(history.size()); };
    for (int i = 0; i < 100000; ++i) {
        char c = "ABCDEFGHIJ KLMNOP"[std::uniform_int_distribution<int>(0, 16)(rng)];
        const int r = std::uniform_int_distribution<int>(0, 120)(rng);
        if (r == 0) c = '\r';
        if (r == 1) c = '\n';
        std::string out;
        if (c == '\r') {
            if (!pending) out = "\r\n";
            pending = fromCR = true;
        } else if (c == '\n') {
            if (!fromCR) out = "\r\n";
            pending = true;
            fromCR = false;
        } else {
            out = std::string(1, c);
            pending = fromCR = false;
        }
        const Integer len = m.TextLen();
        if (len > 25000) trimming = true;
        if (trimming) {
            if (len < 20000) {
                trimming = false;
            } else {
                history += m.Lines()->Get(0) + "\r\n";
                m.Lines()->Delete(0);
            }
        }
        if (i % 9000 == 4500) {  // the user selects something in the middle
            const Integer a = std::uniform_int_distribution<Integer>(0, m.TextLen() / 2)(rng);
            const Integer n = std::uniform_int_distribution<Integer>(1, 400)(rng) * (i % 2 ? -1 : 1);
            Select(m, n < 0 ? a - n : a, n);
            selLo = a + trimmed();
            selHi = a + std::abs(n) + trimmed();
            anchorLo = n > 0;
        }
        const Integer s = m.SelStart();
        const Integer n = m.SelLength();
        m.setSelStart(m.TextLen());
        m.setSelLength(0);
        m.setSelText(out);
        all += out;
        if (n != 0) Select(m, s, n);
        // Where the selection should be: on its text, cut where the trim took its beginning.
        selLo = std::max(selLo, trimmed());
        selHi = std::max(selHi, trimmed());
        const Integer expectLen = selHi - selLo;
        if (expectLen != 0) {
            ASSERT_EQ(m.SelLength(), anchorLo ? expectLen : -expectLen) << i;
            ASSERT_EQ(m.SelStart(), (anchorLo ? selLo : selHi) - trimmed()) << i;
        } else {
            ASSERT_EQ(m.SelLength(), 0) << i;
            ASSERT_EQ(m.SelStart(), m.TextLen()) << i;  // the caret follows the text
            selLo = selHi = static_cast<Integer>(all.size());
        }
        if (i % 10000 == 0) {
            ASSERT_TRUE(DeepCheck(m)) << i;
        }
    }
    EXPECT_EQ(history + m.Lines()->GetText(), all);
    EXPECT_GT(history.size(), 70000u);
    EXPECT_LE(m.TextLen(), 25002);
    EXPECT_TRUE(DeepCheck(m));
    m.Lines()->SetText("replaced");
    EXPECT_EQ(Text(m), "replaced");
    m.Clear();
    EXPECT_EQ(m.TextLen(), 0);
    EXPECT_TRUE(DeepCheck(m));
}

}  // namespace

// Inserting at the display-line count appends a paragraph; below it the string goes before the line.
TEST(StringLists, LinesInsertAtTheCount)
{
    TStyleMemo m(nullptr);
    m.setSelText("ab");
    m.Lines()->Insert(1, "x");
    EXPECT_EQ(Text(m), "ab\r\nx");
    m.Lines()->Insert(1, "y");
    EXPECT_EQ(Text(m), "ab\r\ny\r\nx");
    m.Lines()->Insert(9, "z");  // beyond the count: nothing
    EXPECT_EQ(Text(m), "ab\r\ny\r\nx");
    EXPECT_TRUE(DeepCheck(m));
}
