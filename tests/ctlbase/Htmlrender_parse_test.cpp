// The markup parser: every tag, entity, attribute and comment form as the item list it makes,
// word wrap against a character-by-character model, and failures.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "HtmlCheck.h"
#include "ctlbase/Htmlrender.h"

namespace {

using htmltest::Dump;

struct ParseCase {
    const char* Name;
    const char* Markup;
    const char* Items;  // "{M}" stands for the list indent (the font's widest character)
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, GivesTheseItems)
{
    const ParseCase& c = GetParam();
    TExHTMLRender r;
    r.OnImageNeeded = [](TObject*, const std::string& Src, TBitmap*& Image) {
        static TBitmap pic;
        pic.SetSize(5, 6);
        if (Src == "known") Image = &pic;
    };
    r.PrepareText(c.Markup, 0, false);
    std::string want = c.Items;
    const std::string indent = std::to_string(htmltest::Meter().MaxWidth());
    for (size_t at; (at = want.find("{M}")) != std::string::npos;) want.replace(at, 3, indent);
    EXPECT_EQ(Dump(*r.Data()), want) << c.Markup;
}

const ParseCase kParseCases[] = {
    {"Empty", "", ""},
    {"PlainTextGetsAParagraphFirst", "ab", "P C'ab'"},
    {"LeadingParagraphIsTheFirstItem", "<p>ab", "P C'ab'"},
    {"TwoBlanksKeepOne", "a  b", "P C'a b'"},
    {"LeadingBlankIsKept", " a", "P C' a'"},
    {"NbspAlwaysAdded", "a&nbsp;&nbsp;b", "P C'a  b'"},
    {"BlankAfterNbspDropped", "a&nbsp; b", "P C'a b'"},
    {"CrLfSkippedLoneLfKept", "a\r\nb\rc\nd", "P C'abc\\x0Ad'"},
    {"NamedEntities", "&amp;&quot;&gt;&lt;&sect;&reg;&copy;&para;&trade;", "P C'&\"><\\xA7\\xAE\\xA9\\xB6\\x99'"},
    {"EuroIsTheEuroSign", "&euro;&EURO;", "P C'\\x80\\x80'"},
    {"NumericEntityTakesTheLowByte", "&#65;&#322;&#169;", "P C'AB\\xA9'"},
    {"NumericEntityIsDecimalOnly", "a&#$41;b", "P C'a b'"},
    {"NumericEntityWithoutCharacterIsBlank", "a&#256;b&#0;c", "P C'a b c'"},
    {"BadNumberOrCode32FollowBlankRule", "a &#32;&#x;b", "P C'a b'"},
    {"UnknownEntityAddsNothing", "a&foo;b&;c", "P C'abc'"},
    {"UnterminatedEntityRunsToTheEnd", "a&amp b", "P C'a'"},
    {"ClosedComment", "a<!-- x -->b", "P C'ab'"},
    {"CommentWithGreaterThanInside", "a<!-- <b> x > y -->b", "P C'ab'"},
    {"UnclosedCommentSwallowsTheRest", "a<!-- x <b>b", "P C'a'"},
    {"UnknownTagSkipped", "a<foo bar=1>b</p><html>c", "P C'abc'"},
    {"TagCutOffDropped", "a<b", "P C'a'"},
    {"Styles", "<b>x</b><i>y</i><u>z</u><strikeout>w</strikeout>v", "P C'x'{b} C'y'{i} C'z'{u} C'w'{s} C'v'"},
    {"CapitalTags", "<B>x</B><SUB>y</SUB><SUP>z</SUP>w", "P C'x'{b} C'y'{sub} C'z'{sup} C'w'"},
    {"LinkKeepsValueCase", "<A HREF='Go There'>x</a>y", "P C'x'{a=Go There} C'y'"},
    {"LinkNeedsAttributes", "<a>x</a><a target>y", "P C'x' C'y'"},
    {"LinkWithoutHref", "<a id=1>x</a>", "P C'x'{a=}"},
    {"Break", "a<br>b", "P C'a' B C'b'"},
    {"ParagraphAlignments", "a<p align=center>b<P ALIGN=RIGHT>c<p align=middle>d",
     "P C'a' P{al=1} C'b' P{al=2} C'c' P C'd'"},
    {"ParagraphIndentHolds", "<p indent=12>a<br>b<p>c<p indent=x>d",
     "P{in=12} C'a'{in=12} B{in=12} C'b'{in=12} P{in=12} C'c'{in=12} P C'd'"},
    {"Rule", "a<hr width=50>b<hr>", "P C'a' B H{w=50} B C'b' B H{w=0} B"},
    {"ImageFromMarkupKeepsWideSizes", "<img src=pic width=70000 height=9>x<img src=pic>",
     "P I'pic'{w=70000,h=9} C'x' I'pic'{w=0,h=0}"},
    {"ImageSizeFromBitmap", "<img src=known><img src=known width=2>", "P I'known'{w=5,h=6} I'known'{w=2,h=6}"},
    {"ImageNeedsSource", "<img width=3><img src=''>", ""},
    {"List", "<ul><li>a<li>b</ul>c", "P L{in={M}} C'a'{in={M}} L{in={M}} C'b'{in={M}} B C'c'"},
    {"BulletReplacesBreak", "a<br><li>b", "P C'a' L C'b'"},
    {"StrayListClosesKeepTheIndentAtZero", "a</ul></ul>end<ul>x", "P C'a' B C'end' C'x'{in={M}}"},
    {"ParagraphIndentBelowZeroIsKeptByAListClose", "<p indent=-4>a</ul>b", "P{in=-4} C'a'{in=-4} B{in=-4} C'b'{in=-4}"},
    {"FontAttributes", "<font name=Courier size=14 color=red bgcolor=#00FF00>x</font>y",
     "P C'x'{f=Courier,z=14,c=0000FF,g=00FF00,n=1} C'y'"},
    {"QuotedBlanksCollapse", "<font name=\"Times  New   Roman\">x", "P C'x'{f=Times New Roman}"},
    {"ColourByNumberAndName", "<font color=#a0b0ff>a<font color=clLime>b<font color=Red>c",
     "P C'a'{c=FFB0A0,n=1} C'b'{c=00FF00,n=2} C'c'{c=0000FF,n=3}"},
    {"ColourNotHexadecimalIsTheDefault", "<font color=#GG0000 bgcolor=#>x<font bgcolor=#000000000>y",
     "P C'x'{n=1} C'y'{n=2}"},
    {"UnknownColourNameChangesNothing", "<font color=bogus>x</font>y", "P C'x'{n=1} C'y'"},
    {"SizeStepsFromTheDefault", "<font size=+2>a<font size=+2>b<font size=-3>c<font size=x>d<font size=+x>e",
     "P C'a'{z=13} C'b'{z=13} C'c'{z=8} C'd' C'e'"},
    {"FontsNest", "<font color=red>a<font color=blue>b</font>c</font>d</font>e",
     "P C'a'{c=0000FF,n=1} C'b'{c=FF0000,n=2} C'c'{c=0000FF,n=1} C'd' C'e'"},
    {"FontKeepsWhatItDoesNotSet", "<font size=20 name=Courier>a<font color=red>b",
     "P C'a'{f=Courier,z=20} C'b'{f=Courier,z=20,c=0000FF,n=1}"},
    {"ClosingFontRestoresTheCountEvenForTheSameColour", "<font color=clWindowText>a</font>b", "P C'a'{n=1} C'b'"},
};

INSTANTIATE_TEST_SUITE_P(Markup, ParseTable, ::testing::ValuesIn(kParseCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The greedy wrap, one character at a time, of a text without tags in the default font.
std::vector<std::string> ModelWrap(const std::string& Text, Integer MaxWidth)
{
    htmltest::Meter m;
    std::vector<std::string> items;
    std::string cur;
    bool lineStart = false;  // the last item is a break
    for (char c : Text) {
        if (c == ' ' && !cur.empty() && cur.back() == ' ') continue;
        cur += c;
        if (m.Run(cur) <= MaxWidth) continue;
        const size_t p = cur.rfind(' ');
        std::string carried;
        if (p == std::string::npos && lineStart) {
            carried = cur.substr(cur.size() - 1);
            cur.pop_back();
        } else {
            carried = p == std::string::npos ? cur : cur.substr(p + 1);
            cur.resize(p == std::string::npos ? 0 : p + 1);
        }
        if (!cur.empty()) items.push_back("C'" + cur + "'");
        items.push_back("S");
        cur = carried;
        lineStart = true;
    }
    if (!cur.empty()) items.push_back("C'" + cur + "'");
    return items;
}

TEST(MarkupWrap, MatchesTheCharacterByCharacterRule)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        const int words = 1 + int(rng() % 60);
        for (int w = 0; w < words; ++w) {
            const int len = rng() % 8 == 0 ? 20 + int(rng() % 40) : 1 + int(rng() % 9);
            for (int k = 0; k < len; ++k) text += char('a' + rng() % 26);
            text.append(1 + rng() % 3, ' ');
        }
        const Integer maxWidth = 10 + Integer(rng() % 300);
        TExHTMLRender r;
        r.PrepareText(text, maxWidth, true);
        std::string want = "P";
        for (const auto& s : ModelWrap(text, maxWidth)) want += " " + s;
        ASSERT_EQ(Dump(*r.Data()), want) << "width " << maxWidth << ": " << text;
    }
}

TEST(MarkupWrap, CountsTheRunsBeforeOnTheLine)
{
    htmltest::Meter plain, bold(FontStyle(fsBold));
    // Bold "aaa " then "bb cc": the line ends after "bb " when only "cc" no longer fits.
    const Integer max = bold.Run("aaa ") + plain.Run("bb c") - 1;
    TExHTMLRender r;
    r.PrepareText("<b>aaa </b>bb cc", max, true);
    EXPECT_EQ(Dump(*r.Data()), "P C'aaa '{b} C'bb ' S C'cc'");
    // Without wrap the same text stays on one line.
    r.PrepareText("<b>aaa </b>bb cc", max, false);
    EXPECT_EQ(Dump(*r.Data()), "P C'aaa '{b} C'bb cc'");
    // A break starts the count again; a run cut by a wrap counts with what is left of it.
    r.PrepareText("a<br>bb cc", plain.Run("bb cc"), true);
    EXPECT_EQ(Dump(*r.Data()), "P C'a' B C'bb cc'");
    r.PrepareText("aaa bbb<b>x</b>", plain.Run("aaa bbb") - 1, true);
    EXPECT_EQ(Dump(*r.Data()), "P C'aaa ' S C'bbb' C'x'{b}");
    // A wrapped line keeps its paragraph's alignment.
    r.PrepareText("<p align=right>aaa bb", plain.Run("aaa b"), true);
    EXPECT_EQ(Dump(*r.Data()), "P{al=2} C'aaa ' S{al=2} C'bb'");
    // The paragraph's indent counts too.
    r.PrepareText("<p indent=5>aaa bb", plain.Run("aaa bb") + 4, true);
    EXPECT_EQ(Dump(*r.Data()), "P{in=5} C'aaa '{in=5} S{in=5} C'bb'{in=5}");
}

TEST(MarkupCharset, CyrillicDataTakesItsCodePageForSignsAndFonts)
{
    TExHTMLRender r;
    r.Data()->Charset = RUSSIAN_CHARSET;
    r.PrepareText("&euro;\xDB\xDB", 0, false);
    EXPECT_EQ(Dump(*r.Data()), "P C'\\x88\\xDB\\xDB'");
    // 0xDB is a wide Cyrillic letter there, not the Western U with circumflex.
    EXPECT_EQ(r.Data()->Item(1)->Width, htmltest::Meter(0, 11, "MS Sans Serif", RUSSIAN_CHARSET).Run("\x88\xDB\xDB"));
    EXPECT_NE(r.Data()->Item(1)->Width, htmltest::Meter().Run("\x88\xDB\xDB"));
}

TEST(MarkupErrors, AFailingTextLeavesTheDataEmptyAndCurrent)
{
    TExHTMLRender r;
    r.OnImageNeeded = [](TObject*, const std::string&, TBitmap*&) { throw std::runtime_error("no picture"); };
    r.PrepareText("first", 0, false);
    ASSERT_EQ(r.Data()->Count(), 2);
    try {
        r.PrepareText("<p>before<img src=x>after", 0, false);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "HTML engine error - the text is not valid HTML");
    }
    EXPECT_EQ(r.Data()->Count(), 0);
    EXPECT_EQ(r.GetTextSize(), (TSize{0, 0}));
    EXPECT_EQ(r.Data()->TextSize, (TSize{0, 0}));
}

TEST(MarkupErrors, TheImageHandlerCannotReparseOrDestroyTheData)
{
    TExHTMLRender r;
    TExHTMLData* mine = r.CreateData();
    r.OnImageNeeded = [&](TObject*, const std::string& Src, TBitmap*&) {
        if (Src == "again") r.PrepareText("x", 0, false);
        if (Src == "destroy") r.DestroyData(mine);
    };
    for (const char* src : {"again", "destroy"}) {
        r.SetData(mine);
        EXPECT_THROW(r.PrepareText(std::string("a<img src=") + src + ">b", 0, false), Exception) << src;
        EXPECT_EQ(r.Data(), mine);
        EXPECT_EQ(mine->Count(), 0);
    }
    r.DestroyData(mine);
}

TEST(MarkupData, DestroyingTheCurrentDataLeavesNoneAndTheNextTextGoesToTheRendersOwn)
{
    TExHTMLRender r;
    TExHTMLData* own = r.Data();
    TExHTMLData* d = r.CreateData();
    EXPECT_EQ(d->Render, &r);
    r.PrepareToData("a<br>b", 0, false, d);
    EXPECT_EQ(r.Data(), d);
    EXPECT_EQ(d->LineCount(), 2);
    r.DestroyData(d);
    EXPECT_EQ(r.Data(), nullptr);
    EXPECT_EQ(r.GetTextSize(), (TSize{0, 0}));
    r.PrepareText("xy", 0, false);
    ASSERT_EQ(r.Data(), own);
    EXPECT_EQ(Dump(*own), "P C'xy'");
    EXPECT_EQ(own->LineCount(), 1);
    // The render's own data is only emptied, never freed by a caller.
    r.DestroyData(own);
    EXPECT_EQ(own->Count(), 0);
    EXPECT_EQ(own->LineCount(), 0);
    r.SetData(nullptr);
    EXPECT_EQ(r.Data(), own);
}

}  // namespace
