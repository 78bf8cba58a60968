#include <gtest/gtest.h>

#include <cstring>

#include "memo/Stylememo.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

template <typename F>
std::string MessageOf(F f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

TEST(ParagraphsList, RecordsStayPutAcrossBlocksAndGrowth)
{
    TParagraphsList list;
    ParInfo p;
    for (Integer i = 0; i < 342; ++i) {
        p.Len = i;
        list.Add(&p);
    }
    EXPECT_EQ(list.BlockCount(), 2);
    EXPECT_EQ(list.Capacity(), 682);
    // 340 is the last record of the first block, 341 the first of the second.
    const auto* base0 = static_cast<const Byte*>(list.GetPointer(0));
    EXPECT_EQ(static_cast<const Byte*>(list.GetPointer(340)), base0 + 340 * (list.BlockBytes() / 341));
    const ParInfo* kept = list.GetParPointers(341);
    for (Integer i = 0; i < 1000; ++i) list.Add(&p);
    EXPECT_EQ(list.GetParPointers(341), kept);
    EXPECT_EQ(kept->Len, 341);
    // Opening and closing records across a block boundary keeps their order.
    list.InsertItems(339, 3);
    EXPECT_EQ(list.GetParPointers(342)->Len, 339);
    EXPECT_EQ(list.GetParPointers(344)->Len, 341);
    list.DeleteItems(339, 3);
    for (Integer i = 0; i < 342; ++i) ASSERT_EQ(list.GetParPointers(i)->Len, i);
    EXPECT_EQ(MessageOf([&] { list.GetPointer(list.Count()); }), "List index out of bounds");
    EXPECT_EQ(MessageOf([&] { list.GetPointer(-1); }), "List index out of bounds");
    EXPECT_EQ(MessageOf([&] { list.DeleteItems(list.Count() - 1, 2); }), "List index out of bounds");
    list.SetCount(0);
    list.SetCapacity(0);
    EXPECT_EQ(list.BlockCount(), 1);
    EXPECT_EQ(list.Capacity(), 341);
}

TEST(DynArray, ContiguousRecordsWithLimits)
{
    TDynArray a(43, 48);
    Byte rec[48] = {};
    rec[0] = 7;
    EXPECT_EQ(a.Add(rec), 0);
    EXPECT_EQ(a.Capacity(), 1);  // exactly what is needed, no spare room
    EXPECT_EQ(static_cast<Byte*>(a.getPointer(0))[0], 7);
    EXPECT_EQ(MessageOf([&] { a.getPointer(1); }), "List index out of bounds");
    EXPECT_THROW(a.SetCapacity(MaxInt / 48 + 1), EOutOfMemory);
    EXPECT_EQ(a.Count(), 1);
    a.SetCount(-5);
    EXPECT_EQ(a.Count(), 0);
}

TEST(LinesList, ViewsFirstLineInlineAndTheRestOutside)
{
    ParInfo p;
    p.LineCount = 1;
    TLinesList lines(&p);
    LineInfo l;
    l.Start = 3;
    EXPECT_EQ(lines.Add(l), 1);
    EXPECT_EQ(lines.GetLinesPointer(0), &p.FirstLineInfo);
    EXPECT_EQ(lines.GetLinesPointer(1), &p.MoreLines[0]);
    EXPECT_EQ(lines.GetLinesPointer(1)->Start, 3);
    EXPECT_EQ(MessageOf([&] { lines.GetLinesPointer(2); }), "List index out of bounds");
    lines.SetCount(1);
    EXPECT_EQ(p.MoreLines, nullptr);
}

struct ColumnCase {
    const char* name;
    const char* text;
    Integer col;
    bool stat;
    Integer offset;
    Integer missing;
};

class ColumnToOffsetTable : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ColumnToOffsetTable, GivesTheOffsetAndTheMissingBlanks)
{
    const ColumnCase c = GetParam();
    ParInfo p;
    std::string t = c.text;
    p.Text = t.data();
    p.Len = static_cast<Integer>(t.size());
    EXPECT_EQ(ColumnToOffset(&p, c.col, 8, c.stat), c.offset);
    EXPECT_EQ(MissingColumns(&p, c.col, 8, c.stat), c.missing);
}

INSTANTIATE_TEST_SUITE_P(Rules, ColumnToOffsetTable,
                         ::testing::Values(ColumnCase{"TabStart", "a\tb", 1, true, 1, 0},
                                           ColumnCase{"InsideTheTab", "a\tb", 4, true, 1, 3},
                                           ColumnCase{"NextTabStop", "a\tb", 8, true, 2, 0},
                                           ColumnCase{"PastTheEndAfterATab", "a\tb", 20, true, 3, 11},
                                           ColumnCase{"ZeroBeforeACode", "\x02" "a", 0, true, 0, 0},
                                           ColumnCase{"CodeTakesNoColumnWhenStatic", "\x02" "a", 1, true, 2, 0},
                                           ColumnCase{"CodeTakesAColumnWhenNotStatic", "\x02" "a", 1, false, 1, 0},
                                           ColumnCase{"PastTheEndOfPlainText", "abc", 5, true, 3, 2},
                                           ColumnCase{"EmptyParagraph", "", 2, true, 0, 2}),
                         [](const auto& Info) { return std::string(Info.param.name); });

TEST(StyleCodes, EachCodeTogglesItsBitAndNothingElseIsACode)
{
    const std::pair<char, int> codes[] = {{2, xfsBold}, {1, xfsItalic}, {21, xfsUnderline}, {3, xfsHighlight}, {4, xfsAltFont}};
    for (auto [code, bit] : codes) {
        TExtFontStyles s = 0x40;
        EXPECT_TRUE(ApplyStyleCode(s, code));
        EXPECT_EQ(s, 0x40 | (1 << bit)) << int(code);
        EXPECT_TRUE(ApplyStyleCode(s, code));
        EXPECT_EQ(s, 0x40);
    }
    for (int c = 0; c < 256; ++c) {
        if (IsCode(static_cast<char>(c))) continue;
        TExtFontStyles s = 5;
        EXPECT_FALSE(ApplyStyleCode(s, static_cast<char>(c))) << c;
        EXPECT_EQ(s, 5);
    }
}

TEST(Routines, ScanUpperCaseContextsAndClamping)
{
    EXPECT_EQ(StrScanChar(nullptr, 'a'), nullptr);
    EXPECT_EQ(StrScanChar("abc", '\0'), nullptr);
    const char* t = "abcb";
    EXPECT_EQ(StrScanChar(t, 'b'), t + 1);
    char up[] = "az\xE0\xF7\xFF\x9A\xDF!";
    UpperChar(up);
    EXPECT_STREQ(up, "AZ\xC0\xF7\x9F\x8A\xDF!");
    UpperChar(nullptr);

    DynInfoRec r;
    r.Context = 9;
    DynInfoRec* c = CloneContext(r);
    EXPECT_EQ(c->Offset, 1);
    EXPECT_EQ(c->Context, 9);
    ++c->Offset;
    ReleaseContext(c);
    EXPECT_EQ(c->Offset, 1);  // still shared by one; the sanitizer catches a premature free
    ReleaseContext(c);

    TPoint p{-40000, 40000};
    ClampPointTo16Bit(p);
    EXPECT_EQ(p, (TPoint{-32768, 32767}));

    Integer i = 0;
    Integer j = 0;
    EXPECT_TRUE(stylememo::FindCodePair("a\x02\x01\x02", 4, 0, i, j));
    EXPECT_EQ(std::make_pair(i, j), std::make_pair(1, 3));
    EXPECT_FALSE(stylememo::FindCodePair("\x02" "a\x02", 3, 0, i, j));
}

TEST(Routines, TextWidthInChunksAddsEveryPiece)
{
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONT lf;
    lf.lfHeight = -13;
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    HFONT font = CreateFontIndirect(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    auto width = [&](const char* t, int n) {
        SIZE sz{};
        GetTextExtentPoint32(dc, t, n, &sz);
        return sz.cx;
    };
    const char* t = "Weather: wind NW 5, sea 3";
    const auto n = static_cast<Integer>(std::strlen(t));
    ASSERT_GT(width(t, n), 0);
    EXPECT_EQ(TextWidthChunked(dc, t, n, 4096), width(t, n));
    EXPECT_EQ(TextWidthChunked(dc, t, n, 0), width(t, n));
    EXPECT_EQ(TextWidthChunked(dc, t, n, 10), width(t, 10) + width(t + 10, 10) + width(t + 20, n - 20));
    EXPECT_EQ(TextWidthChunked(dc, t, 0, 10), 0);
    // Drawing in chunks ends where the measured chunks end; chunks far left are only measured.
    SetTextAlign(dc, TA_BASELINE | TA_UPDATECP);
    TPoint at{5, 20};
    TextOutChunked(dc, at, t, 10000, 10, n);
    EXPECT_EQ(at.X, 5 + TextWidthChunked(dc, t, n, 10));
    at = TPoint{-20000, 20};
    TextOutChunked(dc, at, t, 10000, 10, n);
    EXPECT_EQ(at.X, -20000 + TextWidthChunked(dc, t, n, 10));
    at = TPoint{5, 20};
    TextOutChunked(dc, at, t, 6, 10, n);  // stops once past the right limit
    EXPECT_EQ(at.X, 5 + width(t, 10));
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}

TEST(Store, FreshMemoAndThePositionRule)
{
    TStyleMemo m(nullptr);
    EXPECT_EQ(m.ParCount(), 1);
    EXPECT_EQ(m.TextLen(), 0);
    EXPECT_EQ(m.LineCount(), 1);
    const ParInfo* p = m.ParList()->At(0);
    EXPECT_EQ(p->FirstLineInfo.Start, 0);
    EXPECT_EQ(p->FirstLineInfo.Stop, 0);
    EXPECT_FALSE(m.CanUndo());
    EXPECT_TRUE(DeepCheck(m));

    m.setSelText("\r\n");
    EXPECT_EQ(m.TextLen(), 2);
    EXPECT_EQ(m.ParsOffset(1), 2);
    TStyleNavigator n(&m);
    n.SetPos(1);
    EXPECT_EQ(n.GetParNb(), 0);
}

TEST(Store, IntegrityCheckNamesTheBrokenInvariant)
{
    TStyleMemo m(nullptr);
    m.setSelText("ab\r\ncd\r\nef");
    ParInfo* p1 = m.ParList()->At(1);
    ParInfo* p2 = m.ParList()->At(2);
    auto expectError = [&](const char* prefix) {
        const std::string msg = MessageOf([&] { m.CheckIntegrity(); });
        EXPECT_EQ(msg.rfind(prefix, 0), 0u) << msg;
    };
    ++p1->FirstLine;
    expectError("Error 1");
    --p1->FirstLine;
    ++p1->StartPos;
    expectError("Error 2 in ");
    --p1->StartPos;
    p1->FirstLineInfo.Start = 1;
    expectError("Error 3 in ");
    p1->FirstLineInfo.Start = 0;
    ++p1->FirstLineInfo.Stop;
    expectError("Error 4 in ");
    --p1->FirstLineInfo.Stop;
    p2->Len = 1;
    p2->FirstLineInfo.Stop = 1;
    expectError("Error 5 in ");
    p2->Len = 2;
    p2->FirstLineInfo.Stop = 1;
    LineInfo more;
    more.Start = 1;
    more.Stop = 2;
    TLinesList(p2).Add(more);
    expectError("Error 6 in ");
    TLinesList(p2).SetCount(1);
    p2->FirstLineInfo.Stop = 2;
    EXPECT_TRUE(DeepCheck(m));
}

}  // namespace
