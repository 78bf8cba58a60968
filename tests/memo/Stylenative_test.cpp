// The native dump: round trips of random memos, the fixed byte layout, every cut and every changed
// byte of a dump (read whole or refused with the memo untouched), and the stored display lines.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

std::string Dump(TStyleMemo& m)
{
    TMemoryStream s;
    m.SaveToNativeStream(&s);
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

// Loads Bytes; returns how many bytes the reader took.
Int64 Load(TStyleMemo& m, const std::string& Bytes, bool Reformat = false)
{
    TReadOnlyMemoryStream s(Bytes.data(), static_cast<Int64>(Bytes.size()));
    m.LoadFromNativeStream(&s, Reformat);
    return s.Position();
}

// The store: its dump, the contexts the dump leaves out and the paragraph colours.
std::string Store(TStyleMemo& m)
{
    std::string s = Dump(m);
    for (Integer p = 0; p < m.ParCount(); ++p) {
        DynInfoRec c = *m.ParList()->At(p)->Context;
        c.Offset = 0;
        s.append(reinterpret_cast<const char*>(&c), sizeof c);
        s += std::to_string(m.ParBackgnd(p)) + "," + std::to_string(m.ParForegnd(p)) + ";";
    }
    return s;
}

// Everything of a memo a load may change: the store, the selection and undo.
std::string State(TStyleMemo& m)
{
    return Store(m) + std::to_string(m.SelStart()) + "/" + std::to_string(m.SelLength()) + "/" +
           std::to_string(m.UndoCount());
}

void Lists(TStyleMemo& m)
{
    m.Keywords()->AddKeyWord("for", woWholeWordsOnly, 1, 2, 3, clYellow, clRed);
    m.StartStopKeys()->AddStartStopKey("/*", "*/", 0, 2, 1, 0, -1, clGreen, false);
    m.StartStopKeys()->AddStartStopKey("\"", "\"", 0, 4, 0, 0, clAqua, -1, false);
}

// A memo with text, style codes, several display lines per paragraph, highlighting that runs over
// paragraphs, styles set from code with all kinds of colours, and edits on top.
void Fill(TStyleMemo& m, unsigned Seed)
{
    static const char* const tokens[] = {"ab", " ", "for", "/*", "*/", "\r\n", "\x02", "\x01", "\x15", "\x03",
                                         "\x04", "\t", "x\ny", "\xe9", "\"q\""};
    static const TColor colours[] = {0, -1, clNone, clRed, clBtnFace, 0x123456};
    std::mt19937 rng(Seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Lists(m);
    std::string text;
    for (int i = pick(30); i > 0; --i) text += tokens[pick(15)];
    m.SetTextBuf(text.c_str());
    m.ReApplyKeywords();
    for (int i = pick(4); i > 0; --i) {
        const Integer a = std::uniform_int_distribution<Integer>(0, m.TextLen())(rng);
        const Integer b = std::uniform_int_distribution<Integer>(0, m.TextLen())(rng);
        m.SetDynStyle(a, b, pick(16), pick(2) == 0, pick(3), pick(5) - 2, colours[pick(6)], colours[pick(6)]);
    }
    for (int i = pick(4); i > 0; --i) {
        m.setSelStart(std::uniform_int_distribution<Integer>(0, m.TextLen())(rng));
        m.setSelText(tokens[pick(15)]);
    }
    m.FormatNow(0, m.ParCount() - 1, false);
}

class NativeRoundTrip : public ::testing::TestWithParam<unsigned> {};

TEST_P(NativeRoundTrip, GivesTheSameStore)
{
    ChunkMemo a(3 + static_cast<Integer>(GetParam() % 5));
    Fill(a, GetParam());
    ASSERT_TRUE(DeepCheck(a));
    const std::string bytes = Dump(a);
    ChunkMemo b(9);
    b.SetTextBuf("something else\r\nentirely");
    b.setSelText("z");  // an undo step the load must drop
    EXPECT_EQ(Load(b, bytes), static_cast<Int64>(bytes.size()));
    EXPECT_TRUE(DeepCheck(b));
    // The dump holds text, lines and attributes; the contexts follow from them as they were.
    EXPECT_EQ(Store(b), Store(a));
    EXPECT_EQ(Pars(b), Pars(a));
    EXPECT_EQ(b.UndoCount(), 0);
    EXPECT_TRUE(b.Modified());
}

INSTANTIATE_TEST_SUITE_P(Seeds, NativeRoundTrip, ::testing::Range(1u, 25u),
                         [](const ::testing::TestParamInfo<unsigned>& i) { return "Seed" + std::to_string(i.param); });

std::string Le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(std::uint16_t v) { return {char(v), char(v >> 8)}; }

// One paragraph "ab" with a style set from code over "a": two attribute records.
std::string SmallDump()
{
    TStyleMemo m(nullptr);
    m.SetTextBuf("ab");
    m.SetDynStyle(0, 1, 3, true, 7, -2, 0x112233, clNone);
    return Dump(m);
}

TEST(NativeLayout, LittleEndianFixedSizesReservedZero)
{
    std::string keys;
    for (int i = 0; i < 16; ++i) keys += Le16(0);
    std::string expect = Le32(2) + Le32(1) + Le32(0) + Le32(1);   // TextLen, lines, widest, paragraphs
    expect += Le32(2) + Le32(0) + Le32(0) + Le32(2) + Le32(1);    // length, first line, start, attributes, lines
    expect += Le32(0) + Le32(2) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + std::string(4, '\0') + Le32(1);
    expect += Le32(0) + "\xC3\xFF" + std::string(2, '\0') + Le32(0x112233) + Le32(clNone) + Le32(7) + Le16(0xFFFE) +
              keys + std::string(6, '\0');
    expect += Le32(1) + std::string(4, '\0') + Le32(0) + Le32(0) + Le32(0) + Le16(0) + keys + std::string(6, '\0');
    expect += "ab";
    EXPECT_EQ(SmallDump(), expect);
}

struct Damage {
    const char* name;
    size_t at;
    char value;
    const char* message;
};

class RefusedDumps : public ::testing::TestWithParam<Damage> {};

TEST_P(RefusedDumps, SayWhy)
{
    std::string bytes = SmallDump();
    bytes[GetParam().at] = GetParam().value;
    TStyleMemo m(nullptr);
    try {
        Load(m, bytes);
        FAIL() << "read";
    } catch (const EReadError& e) {
        EXPECT_NE(e.Message().find(GetParam().message), std::string::npos) << e.Message();
    }
}

// Offsets in SmallDump: header 0, paragraph 16, line 36, attributes 72 and 132, text 192.
INSTANTIATE_TEST_SUITE_P(
    Small, RefusedDumps,
    ::testing::Values(Damage{"TextLength", 0, 3, "text length is not the sum"},
                      Damage{"NoParagraph", 12, 0, "no paragraphs"},
                      Damage{"FirstLine", 20, 1, "first line is not the sum"},
                      Damage{"LineBeyondTheParagraph", 40, 3, "line 0 out of the paragraph"},
                      Damage{"NegativeWidth", 47, '\x80', "negative width"},
                      Damage{"ReservedOfALine", 52, 1, "reserved bytes of line 0"},
                      Damage{"JustificationOutside", 60, 3, "justification start"},
                      Damage{"StartStyle", 64, 1, "start style of line 0"},
                      Damage{"AttributeIndex", 68, 3, "attribute index"},
                      Damage{"AttributesOutOfOrder", 72, 2, "out of order"},
                      Damage{"LevelAbove15", 77, 16, "nesting level of attribute 0"},
                      Damage{"ReservedOfAnAttribute", 190, 1, "reserved bytes of attribute 1"},
                      Damage{"NulInText", 192, 0, "NUL or CR"}, Damage{"CrInText", 193, '\r', "NUL or CR"},
                      Damage{"ShortStream", 15, 1, "Stream read error"}),
    [](const ::testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

// A memo with an undo history and a selection, to see that a refused load leaves all of it.
std::unique_ptr<ChunkMemo> Target()
{
    auto m = std::make_unique<ChunkMemo>(4);
    m->SetTextBuf("keep\r\nthis text");
    m->setSelStart(2);
    m->setSelText("X");
    m->setSelLength(-2);
    return m;
}

TEST(NativeDamage, EveryCutAndChangedByteReadsWholeOrIsRefused)
{
    ChunkMemo source(4);
    Lists(source);
    source.SetTextBuf("ab for\r\n\x02/* x\x02\r\ny */ \"q\"");
    source.ReApplyKeywords();
    source.SetDynStyle(2, 9, 1, true, 3, -1, clRed, clNone);
    source.FormatNow(0, source.ParCount() - 1, false);
    const std::string bytes = Dump(source);
    const std::string before = State(*Target());

    for (size_t n = 0; n < bytes.size(); ++n) {
        auto m = Target();
        EXPECT_THROW(Load(*m, bytes.substr(0, n)), EReadError) << n;
        ASSERT_EQ(State(*m), before) << "cut at " << n;
    }
    int read = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        for (const int flip : {0x01, 0x80, 0xFF}) {
            std::string changed = bytes;
            changed[i] = static_cast<char>(changed[i] ^ flip);
            auto m = Target();
            Int64 took = 0;
            try {
                took = Load(*m, changed);
            } catch (const EReadError&) {
                ASSERT_EQ(State(*m), before) << "byte " << i << " ^ " << flip;
                continue;
            }
            ++read;
            // What was read is exactly what the changed bytes say, and a sound store.
            ASSERT_TRUE(DeepCheck(*m)) << "byte " << i << " ^ " << flip;
            ASSERT_EQ(Dump(*m), changed.substr(0, static_cast<size_t>(took))) << "byte " << i << " ^ " << flip;
        }
    EXPECT_GT(read, 0);  // text, widths and colours may change freely
}

TEST(NativeDamage, RunningOutOfMemoryLeavesTheMemo)
{
    ChunkMemo source(4);
    Fill(source, 3);
    const std::string bytes = Dump(source);
    for (Integer k = 0;; ++k) {
        auto m = Target();
        const std::string before = State(*m);
        stylememo::AllocationsBeforeFailure = k;
        try {
            Load(*m, bytes);
            stylememo::AllocationsBeforeFailure = -1;
            EXPECT_EQ(Dump(*m), bytes);
            break;
        } catch (const EOutOfMemory&) {
            stylememo::AllocationsBeforeFailure = -1;
            ASSERT_EQ(State(*m), before) << k;
        }
    }
}

TEST(NativeLines, ALoadInsideAnUpdateIsFormattedWholeAtItsEnd)
{
    ChunkMemo a(3);
    a.SetTextBuf("abcdefgh\r\nijklmnop");
    a.FormatNow(0, 1, false);
    ChunkMemo b(5);
    b.Lines()->BeginUpdate();
    Load(b, Dump(a));
    EXPECT_EQ(b.LineCount(), 6);
    b.Lines()->EndUpdate();
    EXPECT_EQ(b.LineCount(), 4);
    EXPECT_TRUE(DeepCheck(b));
}

TEST(NativeLines, ReadBackWithoutReformattingShowsTheSameLines)
{
    Application->Initialize();
    TForm form(nullptr);
    form.SetBounds(50, 50, 420, 320);
    auto make = [&](Integer Width) {
        auto* m = new TStyleMemo(&form);
        m->SetParent(&form);
        m->SetBounds(0, 0, Width, 200);
        m->setUpdateMode(umImmediate);
        return m;
    };
    TStyleMemo* a = make(200);
    TStyleMemo* b = make(200);
    TStyleMemo* c = make(120);
    form.Show();
    uitest::Pump();
    a->SetTextBuf("A paragraph long enough to wrap over several display lines of the memo, and then some more "
                  "words.\r\nAnd a second one, also wrapped over a line or two.");
    const std::string bytes = Dump(*a);
    ASSERT_GT(a->LineCount(), 4);
    Load(*b, bytes, false);
    EXPECT_EQ(Dump(*b), bytes);
    Load(*c, bytes, false);
    EXPECT_EQ(c->LineCount(), a->LineCount());  // the narrower memo shows the stored lines
    c->setDisplayLeft(5);
    ASSERT_EQ(c->DisplayLeft(), 5);
    Load(*c, bytes, false);
    EXPECT_EQ(c->DisplayLeft(), 0);
    Load(*c, bytes, true);
    EXPECT_GT(c->LineCount(), a->LineCount());
    EXPECT_TRUE(DeepCheck(*c));
    // A load shows the text from its top, the scroll bar too.
    c->SetBounds(0, 0, 120, 40);
    c->setTopLine(3);
    ASSERT_GT(GetScrollPos(c->Handle(), SB_VERT), 0);
    Load(*c, bytes, true);
    EXPECT_EQ(GetScrollPos(c->Handle(), SB_VERT), 0);
}

}  // namespace
