// The RTF writer: the empty memo's exact output, what is escaped, the colour table without "none"
// colours, and every style and colour as a real RTF reader (unrtf) reads them back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/Graphics.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

std::string Rtf(TStyleMemo& m, bool DynStyles)
{
    TMemoryStream s;
    m.SaveToRTFStream(&s, DynStyles);
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

TEST(RtfWriter, EmptyMemo)
{
    TStyleMemo m(nullptr);
    m.Font()->SetName("Arial");
    m.Font()->SetSize(10);
    m.AltFont()->SetName("Courier {x}");
    m.setHTColor(0x0000FF);
    m.setHBColor(0x00FFFF);
    m.SetColor(0xFFFFFF);
    m.Font()->SetColor(0x010203);
    EXPECT_EQ(Rtf(m, true),
              "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil Courier \\{x\\};}}\r\n"
              "{\\colortbl\\red3\\green2\\blue1;\\red255\\green0\\blue0;\\red255\\green255\\blue255;"
              "\\red255\\green255\\blue0;}\r\n"
              "\\pard\\ql\\plain\\f0\\fs20\\cf0\\cb2 \r\n\r\n\\par }");
}

// Every RTF output is 7-bit text without NUL, and every colour it names is in its table.
void ExpectSound(const std::string& Out)
{
    for (const char c : Out) ASSERT_TRUE(c != '\0' && static_cast<unsigned char>(c) < 0x80) << Out;
    const size_t tbl = Out.find("{\\colortbl");
    ASSERT_NE(tbl, std::string::npos);
    const std::string table = Out.substr(tbl, Out.find('}', tbl) - tbl);
    const auto entries = static_cast<int>(std::count(table.begin(), table.end(), ';'));
    const std::regex ref("\\\\c[fb]([0-9]+)");
    for (auto it = std::sregex_iterator(Out.begin(), Out.end(), ref); it != std::sregex_iterator(); ++it)
        ASSERT_LT(std::stoi((*it)[1]), entries) << it->str();
}

TEST(RtfWriter, EscapesWhatRtfNeedsAndSkipsNoneColours)
{
    TStyleMemo m(nullptr);
    m.setStaticFormat(false);  // the codes are characters then
    m.Font()->SetCharset(204);
    m.setSelText("a\\b{c}d\te\nf\x02g\x7f\xe9\x01");  // a lone LF stays in the paragraph
    m.SetDynStyle(0, 1, 0, false, 0, 0, clNone, -1);      // no colour at all: the memo's own
    m.SetDynStyle(1, 2, 1, false, 0, 0, 0x00FF00, clNone);  // only a background
    const std::string out = Rtf(m, true);
    ExpectSound(out);
    EXPECT_NE(out.find("\\fnil\\fcharset204 "), std::string::npos);
    EXPECT_NE(out.find("b\\{c\\}d\\tab e\\line f\\'02g\\'7f\\'e9\\'01\r\n"), std::string::npos) << out;
    // Four colours of the memo and the green one; nothing for clNone or -1.
    EXPECT_NE(out.find("{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red255\\green255\\blue255;"
                       "\\red255\\green255\\blue255;\\red0\\green255\\blue0;}"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\\plain\\f0\\fs16\\b\\cf0\\cb4 \\\\"), std::string::npos) << out;
}

TEST(RtfWriter, RandomMemosStaySound)
{
    static const TColor colours[] = {0, -1, clNone, clDefault, clRed, clBtnFace, 0x123456};
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        TStyleMemo m(nullptr);
        m.setStaticFormat(pick(2) == 0);
        m.setHTColor(colours[pick(7)]);
        m.setHBColor(colours[pick(7)]);
        std::string text;
        for (int i = pick(40); i > 0; --i) text += static_cast<char>(1 + pick(255));
        m.SetTextBuf(text.c_str());
        for (int i = pick(5); i > 0; --i)
            m.SetDynStyle(pick(m.TextLen() + 1), pick(m.TextLen() + 1), pick(16), pick(2) == 0, 0, 0,
                          colours[pick(7)], colours[pick(7)]);
        ExpectSound(Rtf(m, pick(2) == 0));
    }
}

// ---------------------------------------------------------------- read back by unrtf

std::string RunUnrtf(const std::string& Rtf)
{
    const std::string path = uitest::TempDir() + "/memo.rtf";
    std::ofstream(path, std::ios::binary) << Rtf;
    FILE* p = popen(("unrtf --html '" + path + "' 2>/dev/null").c_str(), "r");
    if (p == nullptr) return std::string();
    std::string html;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) html.append(buf, n);
    pclose(p);
    return html;
}

// The text of the HTML body: tags dropped, line breaks kept, the entities unrtf writes decoded.
std::string BodyText(std::string Html)
{
    Html = Html.substr(Html.find("<body>") + 6);
    Html = std::regex_replace(Html, std::regex("<br>\n?"), "\n");
    Html = std::regex_replace(Html, std::regex("<[^>]*>"), "");
    Html = std::regex_replace(Html, std::regex("\n+$"), "");
    for (const auto& [entity, text] : std::vector<std::pair<std::string, std::string>>{
             {"&eacute;", "\xe9"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", " "}, {"&amp;", "&"}})
        Html = std::regex_replace(Html, std::regex(entity), text);
    return Html;
}

// Whether Word stands inside an open Tag (its last opening before the word comes after its last
// closing).
bool Inside(const std::string& Html, const std::string& Word, const std::string& Tag)
{
    const size_t at = Html.find(Word);
    if (at == std::string::npos) return false;
    const std::string head = Html.substr(0, at);
    const size_t open = head.rfind("<" + Tag + ">");
    const size_t close = head.rfind("</" + Tag + ">");
    return open != std::string::npos && (close == std::string::npos || open > close);
}

// The value of the last attribute Key (face=", color="#, background:#) written before Word.
std::string LastBefore(const std::string& Html, const std::string& Word, const std::string& Key)
{
    const std::string head = Html.substr(0, Html.find(Word));
    const size_t at = head.rfind(Key);
    if (at == std::string::npos) return std::string();
    const size_t from = at + Key.size();
    return head.substr(from, head.find_first_of("\";", from) - from);
}

TEST(RtfWriter, AnRtfReaderReadsTextStylesAndColoursBack)
{
    TStyleMemo m(nullptr);
    m.Font()->SetName("DejaVu Sans");
    m.AltFont()->SetName("DejaVu Sans Mono");
    m.Keywords()->AddKeyWord("keyword", 0, 0, 1, 0, clYellow, clBlue);
    m.Keywords()->AddKeyWord("struck", 0, 8, 1, 0, -1, -1);  // strike-out, the memo's own colours
    m.Keywords()->AddKeyWord("wavy", 0, 8 | 16, 1, 0, -1, -1);  // both bits draw a wavy underline alone
    m.SetTextBuf("plain \x02" "bold\x02 \x01" "ital\x01 \x15" "under\x15 \x03" "hilite\x03 \x04" "alter\x04\r\n"
                 "{x} a\\b <\xe9>\r\n"
                 "keyword struck wavy dynamic");
    m.ReApplyKeywords();
    m.FormatNow(0, m.ParCount() - 1, false);
    m.SetDynStyle(m.TextLen() - 7, m.TextLen(), 0, false, 0, 0, 0x00FF00, clNone);
    const std::string html = RunUnrtf(Rtf(m, true));
    ASSERT_NE(html.find("<body>"), std::string::npos) << "unrtf did not run";
    EXPECT_EQ(BodyText(html), "plain bold ital under hilite alter\n{x} a\\b <\xe9>\nkeyword struck wavy dynamic");
    EXPECT_TRUE(Inside(html, "bold", "b"));
    EXPECT_TRUE(Inside(html, "ital", "i"));
    EXPECT_TRUE(Inside(html, "under", "u"));
    EXPECT_TRUE(Inside(html, "struck", "s"));
    EXPECT_FALSE(Inside(html, "plain", "b"));
    EXPECT_FALSE(Inside(html, "keyword", "s"));
    EXPECT_TRUE(Inside(html, "wavy", "u"));
    EXPECT_FALSE(Inside(html, "wavy", "s"));
    EXPECT_EQ(LastBefore(html, "alter", "face=\""), "DejaVu Sans Mono");
    EXPECT_EQ(LastBefore(html, "plain", "face=\""), "DejaVu Sans");
    EXPECT_EQ(LastBefore(html, "hilite", "color=\"#"), "ff0000");
    EXPECT_EQ(LastBefore(html, "keyword", "color=\"#"), "0000ff");
    EXPECT_EQ(LastBefore(html, "keyword", "background:#"), "ffff00");
    EXPECT_EQ(LastBefore(html, "dynamic", "color=\"#"), "000000");  // its text colour is none
    EXPECT_EQ(LastBefore(html, "dynamic", "background:#"), "00ff00");
}

}  // namespace
