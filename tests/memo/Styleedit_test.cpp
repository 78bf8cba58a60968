#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <utility>

#include "memo/Stylememo.h"
#include "platform/Graphics.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

class ShortMemo : public TStyleMemo {
public:
    explicit ShortMemo(Integer MaxLen) : TStyleMemo(nullptr) { FMaxParLen = MaxLen; }
};

class Edit : public ::testing::Test {
protected:
    TStyleMemo m{nullptr};
    void SetUp() override { m.setUndoMaxLevel(1000); }
    void Put(const std::string& t)
    {
        m.SelectAll();
        m.setSelText(t);
    }
};

TEST_F(Edit, BreaksInInsertedText)
{
    Put("xy");
    m.setSelStart(2);
    m.setSelText("a\r\nb");
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"xya", "b"}));
    EXPECT_EQ(m.TextLen(), 6);
    EXPECT_EQ(m.SelStart(), 6);
    m.setSelText("\nc\rd");  // a lone LF is a character, a lone CR a break
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"xya", "b\nc", "d"}));
    EXPECT_TRUE(DeepCheck(m));
}

// Every operation reads a selection end inside a break as the edit does: the caret before the
// break, a moving end over the whole break.
TEST_F(Edit, AnEndBetweenCrAndLfTakesTheWholeBreakEverywhere)
{
    struct Case {
        Integer start, length;
        Integer selStart, selLength;
        const char* selText;
    };
    const Case cases[] = {
        {3, 2, 2, 2, "\r\n"},     // the caret goes before the break, the stop after it
        {5, -2, 5, -3, "\r\nc"},  // backwards into the break: its start
        {1, 2, 1, 3, "b\r\n"},    // forwards into the break: its end
        {3, 0, 2, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.start << " " << c.length);
        Put("ab\r\ncd");
        Select(m, c.start, c.length);
        EXPECT_EQ(m.SelStart(), c.selStart);
        EXPECT_EQ(m.SelLength(), c.selLength);
        EXPECT_EQ(m.SelText(), c.selText);
        char buf[8] = {};
        EXPECT_EQ(m.GetSelTextBuf(buf, sizeof buf), static_cast<Integer>(std::strlen(c.selText)));
        EXPECT_STREQ(buf, c.selText);
        m.setSelText(m.SelText());
        EXPECT_EQ(Text(m), "ab\r\ncd");
        Select(m, c.start, c.length);
        m.SetItalic();
        EXPECT_EQ(m.ParCount(), 2);
        std::string plain = Text(m);
        std::erase(plain, '\1');
        EXPECT_EQ(plain, "ab\r\ncd");
        EXPECT_TRUE(DeepCheck(m));
    }
    Put("ab\r\ncd");
    m.setSelStart(3);
    m.SetBold();  // a bare caret in the break: the pair goes before the break, the caret inside it
    m.setSelText("X");
    EXPECT_EQ(Text(m), "ab\2X\2\r\ncd");
    m.setSelStart(3);
    EXPECT_TRUE(m.CurrentStyle() & (1u << xfsBold));
}

// Running out of memory at any allocation of a splice over several paragraphs changes nothing.
TEST_F(Edit, AnAllocationFailureInASpliceLeavesTheTextAsItWas)
{
    const std::string before = "ab\r\ncd\r\nef\r\ngh";
    for (Integer k = 0;; ++k) {
        Put(before);
        TStyleNavigator nav(&m);
        DynInfoRec rec;
        rec.Attr = 0x81;
        nav.SetPos(1);
        nav.AddDyn(rec);  // kept before the edit: its context is cloned into the new paragraphs
        nav.SetPos(13);
        nav.AddDyn(rec);  // carried with the tail
        const Integer undo = m.UndoCount();
        Select(m, 2, 9);
        stylememo::AllocationsBeforeFailure = k;
        bool failed = false;
        try {
            m.setSelText("1\r\n2\r\n3\r\n4");
        } catch (const EOutOfMemory&) {
            failed = true;
        }
        stylememo::AllocationsBeforeFailure = -1;
        ASSERT_TRUE(DeepCheck(m)) << k;
        if (!failed) {
            EXPECT_EQ(Pars(m), (std::vector<std::string>{"ab1", "2", "3", "4gh"}));
            EXPECT_GT(k, 3);  // the edit allocates that often: each failure point was met
            break;
        }
        EXPECT_EQ(Text(m), before) << k;
        EXPECT_EQ(m.UndoCount(), undo) << k;
    }
}

TEST_F(Edit, SelectionLengthIsClampedAroundTheAnchor)
{
    Put("abcdef");
    m.setSelStart(1);
    m.setSelLength(-3);
    EXPECT_EQ(m.SelLength(), -1);
    EXPECT_EQ(m.SelStart(), 1);
    EXPECT_EQ(m.SelText(), "a");
    m.setSelLength(99);
    EXPECT_EQ(m.SelText(), "bcdef");
    m.SelectAll();
    EXPECT_EQ(m.SelStart(), 6);
    EXPECT_EQ(m.SelLength(), -6);
    TStyleMemo empty(nullptr);
    empty.SelectAll();
    EXPECT_EQ(empty.SelStart(), 0);
    EXPECT_EQ(empty.SelLength(), 0);
}

TEST_F(Edit, StyleCodesAreCompensatedAndEmptyPairsCleaned)
{
    Put("a\x02" "bold\x02" "c");
    Select(m, 1, 1);  // only the opening code: it comes back
    m.ClearSelection();
    EXPECT_EQ(Text(m), "a\x02" "bold\x02" "c");
    Select(m, 1, 6);  // both codes together go
    m.ClearSelection();
    EXPECT_EQ(Text(m), "ac");
    m.setSelStart(1);
    m.setSelText("\x02\x02");  // an empty pair leaves nothing
    EXPECT_EQ(Text(m), "ac");
    m.setSelText("\x02" "x");  // an opened style is closed after the text
    EXPECT_EQ(Text(m), "a\x02" "x\x02" "c");
    EXPECT_TRUE(DeepCheck(m));
}

TEST_F(Edit, BoldAndItalicFromTheSelection)
{
    Put("one two");
    m.setSelStart(3);
    m.SetBold();  // an empty pair with the caret inside
    EXPECT_EQ(Text(m), "one\x02\x02 two");
    EXPECT_EQ(m.SelStart(), 4);
    m.setSelText("X");
    TStyleNavigator n(&m);
    n.SetPos(5);
    EXPECT_EQ(n.GetStyle(), 1 << xfsBold);
    Put("abcdefg");
    Select(m, 6, -5);
    m.SetItalic();
    EXPECT_EQ(m.SelLength(), -7);
    EXPECT_EQ(m.SelText(), "\x01" "bcdef\x01");
    m.setStaticFormat(false);
    m.SetBold();
    EXPECT_EQ(m.TextLen(), 9);
}

struct RunStyleCase {
    const char* name;
    TFontStyles font;
    TExtFontStyles codes;
    Word dyn;
    TExtFontStyles style;
};

class RunStyle : public ::testing::TestWithParam<RunStyleCase> {};

TEST_P(RunStyle, CombinesFontCodesAndDynamicStyle)
{
    const RunStyleCase c = GetParam();
    TStyleMemo m(nullptr);
    m.Font()->SetStyle(c.font);
    EXPECT_EQ(m.AttrToExtFontStyles(c.codes, c.dyn), c.style);
}

constexpr TExtFontStyles B = 1 << xfsBold, I = 1 << xfsItalic, U = 1 << xfsUnderline, S = 1 << xfsStrikeOut,
                         H = 1 << xfsHighlight, A = 1 << xfsAltFont, Z = 1 << xfsSpecUnderline;

INSTANTIATE_TEST_SUITE_P(
    Rules, RunStyle,
    ::testing::Values(RunStyleCase{"CodesInAPlainFont", 0, B | H, 0, B | H},
                      RunStyleCase{"BoldCodeInABoldFontIsNormal", FontStyle(fsBold), B, 0, 0},
                      RunStyleCase{"FontStylesJoinCodesWithoutTheDynamicFlag", FontStyle(fsItalic) | FontStyle(fsStrikeOut),
                                   A, 0x40, I | S | A},
                      RunStyleCase{"DynamicStyleReplacesFontAndCodes", FontStyle(fsBold), B | I, 0x80 | U, U},
                      RunStyleCase{"DynamicStyleDropsItsFlagBits", 0, 0, 0x80 | 0x40 | H | B, H | B},
                      RunStyleCase{"StrikeOutWithHighlightIsSpecialUnderline", 0, 0, 0x80 | S | H | A | I, Z | A | I},
                      RunStyleCase{"DynamicFlagAloneIsNormal", 0, 0, 0x180, 0}),
    [](const auto& Info) { return std::string(Info.param.name); });

TEST_F(Edit, CurrentStyleAtTheCaret)
{
    Put("a\x02" "b\x01" "c\r\nd");
    m.Font()->SetStyle(FontStyle(fsUnderline));
    const std::pair<Integer, TExtFontStyles> cases[] = {{1, U}, {2, U | B}, {4, U | B | I}, {7, U | B | I}};
    for (auto [pos, style] : cases) {
        m.setSelStart(pos);
        EXPECT_EQ(m.CurrentStyle(), style) << pos;
    }
    TStyleNavigator n(&m);
    n.SetPos(3);
    DynInfoRec r;
    r.Attr = 0x80 | H;
    n.AddDyn(r);
    m.setSelStart(4);
    EXPECT_EQ(m.CurrentStyle(), H);
    m.setSelStart(3);  // an attribute takes effect after its position
    EXPECT_EQ(m.CurrentStyle(), U | B);
    m.setStaticFormat(false);
    m.setSelStart(2);
    EXPECT_EQ(m.CurrentStyle(), U);
}

TEST_F(Edit, ARefusedEditLeavesNoTrace)
{
    ShortMemo s(10);
    s.setSelText("12345678");
    const Integer level = s.UndoLevel();
    EXPECT_THROW(s.setSelText("abc"), EListError);
    try {
        s.setSelText("abc");
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "Text too long");
    }
    EXPECT_EQ(Text(s), "12345678");
    EXPECT_EQ(s.UndoLevel(), level);
    s.setSelStart(8);
    s.setSelText("\r\nabc");  // a break keeps both paragraphs within the limit
    s.Undo();
    EXPECT_EQ(Text(s), "12345678");
    EXPECT_TRUE(DeepCheck(s));
}

TEST_F(Edit, AHandlerThatRaisesLeavesTheMemoConsistent)
{
    Put("ab");
    bool refuse = true;
    m.OnBeforeChange = [&](TObject*, const char*& t) {
        if (refuse && t == nullptr) throw Exception("refused");
    };
    m.setSelStart(1);
    EXPECT_THROW(m.setSelText("\x02\x02"), Exception);  // the empty pair's removal is refused
    EXPECT_TRUE(DeepCheck(m));
    refuse = false;
    m.setSelStart(0);
    m.setSelText("x");
    m.Undo();  // takes back the x alone
    EXPECT_EQ(Text(m), "a\x02\x02" "b");
    m.OnParse = [](TObject*, Integer, Integer) { throw Exception("parser failed"); };
    Select(m, 0, 3);
    EXPECT_THROW(m.setSelText("y"), Exception);
    EXPECT_TRUE(DeepCheck(m));  // the selection agrees with its navigators
    EXPECT_EQ(m.SelStart(), 1);
    EXPECT_THROW(m.SetTextBuf("loaded"), Exception);
    m.OnParse = nullptr;
    int changes = 0;
    m.OnChange = [&](TObject*) { ++changes; };
    m.setSelText("z");  // the failed load left no update open: the edit is reported
    EXPECT_EQ(changes, 1);
}

// An OnParse handler that changes the text leaves the edit that raised it nothing stale to go on
// with: the caret stays inside the text and later edits work on what is there.
TEST_F(Edit, AParseHandlerThatChangesTheText)
{
    std::string t;
    for (int i = 0; i < 20; ++i) t += "line " + std::to_string(i) + "\r\n";
    m.SetTextBuf(t.c_str());
    bool once = true;
    m.OnParse = [&](TObject*, Integer, Integer) {
        if (std::exchange(once, false)) m.Lines()->Delete(0);
    };
    m.setSelStart(m.TextLen());
    m.setSelText("x");
    EXPECT_LE(m.SelStart(), m.TextLen());
    EXPECT_TRUE(DeepCheck(m));
    m.setSelStart(m.TextLen());
    m.setSelText("x");
    m.setSelText("\r\n");
    EXPECT_EQ(Text(m), t.substr(8) + "xx\r\n");
    EXPECT_TRUE(DeepCheck(m));
}

TEST_F(Edit, TrailingBlanksOption)
{
    Put("a  \r\nb\t \nc ");
    m.setParBackgnd(0, 5);
    m.setModified(false);
    m.setOptions(m.Options() | pmoDiscardTrailingSpaces);  // every paragraph at once, nothing else
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"a", "b\t \nc"}));
    EXPECT_EQ(m.ParBackgnd(0), 5);
    EXPECT_FALSE(m.Modified());
    m.Undo();  // one step takes the stripping back
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"a  ", "b\t \nc "}));
    Put("ab  cd");
    m.setSelStart(4);
    m.setSelText("\r\n");  // Enter after blanks leaves none at the end of the line
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"ab", "cd"}));
    m.setSelText("x ");  // inside a paragraph blanks stay
    m.setSelStart(m.TextLen());
    m.setSelText("y ");  // at its end they are dropped
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"ab", "x cdy"}));
    m.setOptions(m.Options() & ~pmoDiscardTrailingSpaces);
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"ab", "x cdy"}));
    m.setOptions(m.Options() | pmoDiscardTrailingSpaces);
    Put("a  \x02");  // the closing code makes an empty pair; removing it takes no blanks with it
    EXPECT_EQ(Text(m), "a  ");
}

TEST_F(Edit, SwitchingStaticFormatKeepsTextColoursAndUndo)
{
    m.setStaticFormat(false);
    Put("a\nb\x02\r\nc");
    m.setParForegnd(1, 7);
    const Integer level = m.UndoLevel();
    m.setStaticFormat(true);
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"a\nb\x02", "c"}));
    EXPECT_EQ(m.ParList()->At(1)->FirstLineInfo.StartStyle, 1 << xfsBold);
    m.setStaticFormat(false);
    EXPECT_EQ(m.ParList()->At(1)->FirstLineInfo.StartStyle, 0);
    EXPECT_EQ(m.ParForegnd(1), 7);
    EXPECT_EQ(m.UndoLevel(), level);
    EXPECT_TRUE(DeepCheck(m));
}

TEST_F(Edit, SplitParagraphsKeepTheirColourWithTheirTail)
{
    Put("abcd");
    m.setParBackgnd(0, 3);
    m.setSelStart(2);
    m.setSelText("\r\n");
    EXPECT_EQ(m.ParBackgnd(0), 3);
    EXPECT_EQ(m.ParBackgnd(1), 3);
}

TEST_F(Edit, EventsAroundAnEdit)
{
    Put("abc");
    int changes = 0;
    std::vector<std::pair<Integer, Integer>> parsed;
    const std::string replacement = "XY";
    m.OnChange = [&](TObject*) { ++changes; };
    m.OnParse = [&](TObject*, Integer a, Integer b) { parsed.emplace_back(a, b); };
    m.OnBeforeChange = [&](TObject*, const char*& t) {
        if (t != nullptr && std::string(t) == "q") t = replacement.c_str();
    };
    m.setSelStart(1);
    m.setSelText("q");
    EXPECT_EQ(Text(m), "aXYbc");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(parsed, (std::vector<std::pair<Integer, Integer>>{{1, 3}}));
}

TEST_F(Edit, TextAccess)
{
    Put("ab\r\ncd");
    char buf[5];
    EXPECT_EQ(m.GetTextBuf(buf, 5), 4);
    EXPECT_STREQ(buf, "ab\r\n");
    EXPECT_EQ(m.GetTextPart(-5, 3), "ab\r");
    EXPECT_EQ(m.GetTextPartBuf(4, 2), nullptr);
    std::unique_ptr<char[]> part(m.GetTextPartBuf(1, 99));
    EXPECT_STREQ(part.get(), "b\r\ncd");
    EXPECT_EQ(m.Chars(2), '\r');
    EXPECT_EQ(m.Chars(3), '\n');
    EXPECT_EQ(m.Chars(6), '\0');
    EXPECT_EQ(m.Lines(5), "");
    EXPECT_EQ(m.LinesBuf(5), nullptr);
    Select(m, 5, -3);
    EXPECT_EQ(m.GetSelTextBuf(buf, 3), 2);
    EXPECT_STREQ(buf, "\r\n");
    m.setParsBuf(m.ParCount() + 1, "z");  // two paragraphs appended first
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"ab", "cd", "", "z"}));
    EXPECT_EQ(m.SelStart(), 5);
    EXPECT_EQ(m.SelLength(), -3);
}

TEST_F(Edit, WordsAndSearch)
{
    Put("a cat. concat\r\nCat");
    m.setSelStart(3);
    EXPECT_EQ(m.CurrentWord(), "cat");
    m.setSelStart(0);
    EXPECT_TRUE(m.FindTxt("cat", true, false, true));
    EXPECT_EQ(m.SelStart(), 5);
    EXPECT_EQ(m.SelLength(), -3);
    EXPECT_TRUE(m.FindTxt("cat", true, false, true));  // not inside concat: the next paragraph
    EXPECT_EQ(m.SelStart(), 18);
    EXPECT_FALSE(m.FindTxt("cat", true, true, true));
    EXPECT_TRUE(m.FindTxt("cat", false, true, false));  // backwards finds concat's end
    EXPECT_EQ(m.SelStart(), 10);
    EXPECT_EQ(m.SelLength(), 3);
    Put("x \xE9t\xE9 y");
    m.setUpperCaseType(pmuAnsi);
    m.setSelStart(0);
    EXPECT_TRUE(m.FindTxt("\xC9T\xC9", true, false, false));
    // A folding of the program's own; ASCII while none is installed.
    struct ProcGuard {
        ~ProcGuard() { pmUpperCaseProc = nullptr; }
    } guard;
    m.setUpperCaseType(pmuUserDefined);
    m.setSelStart(0);
    EXPECT_FALSE(m.FindTxt("ete", true, false, false));
    pmUpperCaseProc = [](char* t) {
        for (; *t != '\0'; ++t) *t = *t == '\xE9' ? 'E' : static_cast<char>(std::toupper(static_cast<unsigned char>(*t)));
    };
    EXPECT_TRUE(m.FindTxt("ete", true, false, false));
    EXPECT_EQ(m.SelStart(), 5);
    Select(m, 4, 0);
    m.SelectWord(true);
    EXPECT_EQ(m.SelText(), "\xE9t\xE9");
}

TEST_F(Edit, ColumnBlocks)
{
    m.setWordWrap(false);
    Put("abcdef\r\nab\r\n\tbcdef");
    m.SelectBlock(1, 0, 2, 4);
    EXPECT_TRUE(m.BlockSelected());
    EXPECT_EQ(m.GetColumnBlockXY(), (TRect{1, 0, 4, 2}));
    EXPECT_EQ(m.SelText(), "bcd\r\nb\r\n\r\n");
    m.ClearSelection();
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"aef", "a", "\tbcdef"}));
    EXPECT_TRUE(DeepCheck(m));
    // The block's deletion is one undo step of its own, not chained to the edit before it.
    Put("abcdef\r\nab\r\n\tbcdef");
    m.setSelStart(m.TextLen());
    m.setSelText("Z");
    m.SelectBlock(1, 0, 2, 4);
    m.ClearSelection();
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"aef", "a", "\tbcdefZ"}));
    m.Undo();
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"abcdef", "ab", "\tbcdefZ"}));
    m.Undo();
    EXPECT_EQ(Pars(m), (std::vector<std::string>{"abcdef", "ab", "\tbcdef"}));

    // A block goes in at the caret's column: blanks fill a short paragraph, a TAB that spans the
    // column is not passed, a missing paragraph is appended.
    Put("ab\x02" "cd\x02" "ef\r\nabc\r\nab\r\n\tbcdef");
    m.setSelStart(5);  // column 4: the code has no width
    m.InsertBlock("XY\r\nZW\r\nVV\r\nQQ\r\nRR\r\n");
    EXPECT_EQ(Pars(m),
              (std::vector<std::string>{"ab\x02" "cdXY\x02" "ef", "abc ZW", "ab  VV", "QQ\tbcdef", "    RR"}));
    EXPECT_TRUE(DeepCheck(m));
}

TEST_F(Edit, SelectionByParagraphLineAndColumn)
{
    ChunkMemo c(4);
    c.Lines()->SetText("abcdefgh\r\nxyz");
    c.Reformat();
    c.setSelPar(9);  // clamped to the last paragraph
    EXPECT_EQ(c.SelStart(), 10);
    EXPECT_EQ(c.SelPar(), 1);
    c.setSelLine(1);  // the second display line of the first paragraph
    EXPECT_EQ(c.SelStart(), 4);
    EXPECT_EQ(c.SelLine(), 1);
    c.setSelCol(9);  // clamped to the line's end
    EXPECT_EQ(c.SelCol(), 4);
    EXPECT_EQ(c.SelStart(), 8);
}

TEST_F(Edit, CapturedRangeWithAttributes)
{
    Put("abcdef");
    TStyleNavigator n(&m);
    n.SetPos(3);
    DynInfoRec r;
    r.Attr = 0x81;
    n.AddDyn(r);
    const std::string cap = m.DynText(5, 1);
    ASSERT_EQ(cap.size(), 4u + 2 * 64 + 4);
    Integer count = 0;
    Integer off = 0;
    std::memcpy(&count, cap.data(), 4);
    std::memcpy(&off, cap.data() + 4 + 64 + 60, 4);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(off, 2);
    EXPECT_EQ(static_cast<Byte>(cap[4 + 64 + 4]), 0x81);
    EXPECT_EQ(cap.substr(cap.size() - 4), "bcde");
    EXPECT_EQ(m.DynText(2, 2), "");
}

}  // namespace

TEST_F(Edit, AParagraphOfExactlyTheLengthLimit)
{
    ShortMemo s(5);
    s.setSelText("abcde");  // exactly the limit
    EXPECT_EQ(s.TextLen(), 5);
    EXPECT_THROW(s.setSelText("f"), EListError);
    s.setSelText("\r\nvwxyz");  // a new paragraph of exactly the limit
    EXPECT_EQ(Pars(s), (std::vector<std::string>{"abcde", "vwxyz"}));
    EXPECT_TRUE(DeepCheck(s));
}

TEST_F(Edit, WordsAtParagraphStartsAndSearchingBackwards)
{
    Put("ab cd\r\n.ef");
    m.setSelStart(0);
    EXPECT_EQ(m.CurrentWord(), "ab");
    m.setSelStart(7);
    EXPECT_EQ(m.CurrentWord(), "");  // a delimiter at the paragraph start
    m.setSelStart(8);
    EXPECT_EQ(m.CurrentWord(), "ef");
    std::unique_ptr<char[]> empty(m.GetTextPartBuf(3, 3));
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty.get(), "");

    // Selecting a word over delimiters: back over the delimiters before the caret, then the word.
    Put("ab, cd");
    m.setSelStart(4);
    m.SelectWord(true);
    EXPECT_EQ(m.SelText(), "cd");
    m.setSelStart(3);  // on the blank after the comma
    m.SelectWord(true);
    EXPECT_EQ(m.SelText(), "ab,");  // back to the word before, forward not past the blank
    m.setOptions(m.Options() | pmoLargeWordSelect);
    m.setSelStart(1);
    m.SelectWord(true);
    EXPECT_EQ(m.SelText(), "ab, ");

    // A backward search never finds the hit at its anchor again.
    Put("ab ab ab");
    m.setSelStart(8);
    EXPECT_TRUE(m.FindTxt("ab", false, true, false));
    EXPECT_EQ(m.SelStart(), 6);
    EXPECT_TRUE(m.FindTxt("ab", false, true, false));
    EXPECT_EQ(m.SelStart(), 3);
    EXPECT_TRUE(m.FindTxt("ab", false, true, false));
    EXPECT_EQ(m.SelStart(), 0);
    EXPECT_FALSE(m.FindTxt("ab", false, true, false));
    EXPECT_EQ(m.SelStart(), 0);
    EXPECT_EQ(m.SelLength(), 2);
}

// Style sets at every line start follow the codes while StaticFormat is on, and are empty while off.
TEST(StaticFormat, SwitchedOnParagraphsOfSeveralLines)
{
    ChunkMemo c(2);
    c.setSelText(std::string("a\2bc\1de\r\nf\2g"));
    auto starts = [&c]() {
        std::vector<int> r;
        for (Integer p = 0; p < c.ParCount(); ++p)
            for (Integer l = 0; l < c.ParList()->At(p)->LineCount; ++l)
                r.push_back(ParLineAt(c.ParList()->At(p), l)->StartStyle);
        return r;
    };
    const std::vector<int> on = {0, 1, 1, 3, 3, 2};
    EXPECT_EQ(starts(), on);
    c.setStaticFormat(false);
    EXPECT_EQ(starts(), std::vector<int>(6, 0));
    c.setStaticFormat(true);
    EXPECT_EQ(starts(), on);
    EXPECT_TRUE(DeepCheck(c));
}

// Line access formats a paragraph an update left unformatted, also its first line.
TEST(LineAccess, FormatsWhatAnUpdateLeftUnbroken)
{
    ChunkMemo c(3);
    c.Lines()->BeginUpdate();
    c.setSelText("abcdefg");
    EXPECT_EQ(c.Lines(0), "abc");
    EXPECT_EQ(c.Lines(2), "g");
    c.Lines()->EndUpdate();
    EXPECT_TRUE(DeepCheck(c));
}
