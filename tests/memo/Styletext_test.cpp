#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "memo/Stylememo.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

using Strings = std::vector<std::string>;

void Load(TStyleMemo& m, const std::string& bytes)
{
    TReadOnlyMemoryStream s(bytes.data(), static_cast<Int64>(bytes.size()));
    m.LoadFromStream(&s);
}

std::string Save(TStyleMemo& m)
{
    TMemoryStream s;
    m.SaveToStream(&s);
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

struct BreakCase {
    const char* name;
    const char* bytes;
    Strings pars;
};

class LineBreakForms : public ::testing::TestWithParam<BreakCase> {};

TEST_P(LineBreakForms, MakeParagraphs)
{
    TStyleMemo m(nullptr);
    Load(m, GetParam().bytes);
    EXPECT_EQ(Pars(m), GetParam().pars);
    EXPECT_TRUE(DeepCheck(m));
}

INSTANTIATE_TEST_SUITE_P(
    Reader, LineBreakForms,
    ::testing::Values(BreakCase{"CR", "a\rb", {"a", "b"}}, BreakCase{"LF", "a\nb", {"a", "b"}},
                      BreakCase{"CRLF", "a\r\nb", {"a", "b"}}, BreakCase{"LFCR", "a\n\rb", {"a", "b"}},
                      BreakCase{"TwoCRs", "a\r\rb", {"a", "", "b"}}, BreakCase{"TwoLFs", "a\n\nb", {"a", "", "b"}},
                      BreakCase{"TwoCRLFs", "a\r\n\r\nb", {"a", "", "b"}},
                      BreakCase{"CRLFThenCR", "a\r\n\rb", {"a", "", "b"}},
                      BreakCase{"CRLFAtTheEndAddsAnEmptyParagraph", "a\r\n", {"a", ""}},
                      BreakCase{"EmptyTextIsOneEmptyParagraph", "", {""}},
                      BreakCase{"LFCRThenLFWithoutText", "\n\r\n", {"", "", ""}}),
    [](const auto& Info) { return std::string(Info.param.name); });

TEST(Reader, NulBytesNeverEndTheText)
{
    TStyleMemo m(nullptr);
    Load(m, std::string("ab\0cd\r\ne", 8));
    EXPECT_EQ(Pars(m), (Strings{"ab cd", "e"}));
    m.setNullReplacement('#');
    Load(m, std::string("\0x\0", 3));
    EXPECT_EQ(Pars(m), (Strings{"#x#"}));
}

TEST(Reader, ReplacesEverythingAndResetsTheMemo)
{
    TStyleMemo m(nullptr);
    m.setSelText("old text");
    TStyleNavigator n(&m);
    n.SetPos(5);
    int changes = 0;
    m.OnChange = [&](TObject*) { ++changes; };
    m.setModified(false);
    Load(m, "x\x02y\r\nz\r\n\x02w");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(m.Modified());
    EXPECT_EQ(m.UndoCount(), 0);
    EXPECT_EQ(n.Pos, 0);
    EXPECT_EQ(m.SelStart(), 0);
    EXPECT_EQ(m.LineCount(), 3);
    // The style runs on across breaks: z is bold, w is not.
    EXPECT_EQ(m.ParList()->At(1)->FirstLineInfo.StartStyle, 1 << xfsBold);
    EXPECT_TRUE(DeepCheck(m));
}

TEST(Reader, TrailingBlanksAndLongParagraphs)
{
    TStyleMemo t(nullptr);
    t.setOptions(t.Options() | pmoDiscardTrailingSpaces);
    Load(t, "ab \t\r\ncd  ");
    EXPECT_EQ(Pars(t), (Strings{"ab", "cd"}));
    class Short : public TStyleMemo {
    public:
        Short() : TStyleMemo(nullptr) { FMaxParLen = 4; }
    } m;
    Load(m, "abcdefghij");  // split, never refused
    EXPECT_EQ(Pars(m), (Strings{"abcd", "efgh", "ij"}));
    EXPECT_TRUE(DeepCheck(m));  // a split counts its break like any other
}

TEST(Reader, ABreakAcrossTwoChunks)
{
    TStyleMemo m(nullptr);
    const std::string first(65499, 'a');
    Load(m, first + "\r\nb");  // CR ends the first chunk, LF starts the second
    EXPECT_EQ(m.ParCount(), 2);
    EXPECT_EQ(m.Paragraphs(1), "b");
}

TEST(Reader, AFailingStreamLeavesAConsistentMemo)
{
    class Failing : public TStream {
    public:
        Int64 Read(void* Buffer, Int64 Count) override
        {
            if (FDone) throw EReadError(SysMsg::ReadError);
            FDone = true;
            const std::string s = "one\r\ntw";
            const Int64 n = std::min<Int64>(Count, static_cast<Int64>(s.size()));
            std::memcpy(Buffer, s.data(), static_cast<size_t>(n));
            return n;
        }
        Int64 Write(const void*, Int64) override { return 0; }
        Int64 Seek(Int64, TSeekOrigin) override { return 0; }

    private:
        bool FDone = false;
    } f;
    TStyleMemo m(nullptr);
    EXPECT_THROW(m.LoadFromStream(&f), EReadError);
    EXPECT_EQ(Pars(m), (Strings{"one", "tw"}));
    EXPECT_TRUE(DeepCheck(m));
}

struct WriteCase {
    const char* name;
    TStyleLineBreak br;
    const char* bytes;
};

class Writer : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Writer, SeparatesParagraphsAndAddsNothingAtTheEnd)
{
    TStyleMemo m(nullptr);
    m.setSelText("a\r\nb");
    m.setLineBreak(GetParam().br);
    EXPECT_EQ(Save(m), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, Writer,
                         ::testing::Values(WriteCase{"CRLF", pbCRLF, "a\r\nb"}, WriteCase{"LFCR", pbLFCR, "a\n\rb"},
                                           WriteCase{"CR", pbCR, "a\rb"}, WriteCase{"LF", pbLF, "a\nb"}),
                         [](const auto& Info) { return std::string(Info.param.name); });

TEST(WriterCodes, PairsWithoutEffectAreDroppedOnlyWithStaticFormat)
{
    TStyleMemo m(nullptr);
    const std::string raw = "a\x02\x01\x02" "b \r\n\x02";
    m.setStaticFormat(false);
    m.setSelText(raw);
    EXPECT_EQ(Save(m), raw);
    m.setStaticFormat(true);
    EXPECT_EQ(Text(m), raw);  // switching changes no text
    const std::string saved = Save(m);
    EXPECT_EQ(saved, "a\x01" "b \r\n\x02");
    TStyleMemo copy(nullptr);
    Load(copy, saved);
    EXPECT_EQ(Save(copy), saved);
}

TEST(WholeText, ProgressIsReportedAtTheEndOfEveryLoadAndSave)
{
    TStyleMemo m(nullptr);
    int reports = 0;
    m.OnProgress = [&](TObject*) { ++reports; };
    EXPECT_EQ(Save(m), "");  // an empty memo too
    EXPECT_GE(reports, 1);
    reports = 0;
    Load(m, "a\r\nb");
    EXPECT_GE(reports, 1);
}

// A progress handler sees a whole memo while the text is read, and may change it: reading then
// ends with the text as the handler left it; while saving, the stream gets the text as it was.
TEST(WholeText, ProgressHandlersThatReadOrChangeTheMemo)
{
    const Integer interval = ProgressInterval;
    ProgressInterval = 0;
    TStyleMemo m(nullptr);
    int reports = 0;
    m.OnProgress = [&](TObject*) {
        ++reports;
        EXPECT_TRUE(DeepCheck(m));
        EXPECT_EQ(m.TextLen(), static_cast<Integer>(Text(m).size()));
        EXPECT_LE(m.Lines()->Count(), m.ParCount());
    };
    // One paragraph longer than a chunk of the reading, then short ones over several chunks.
    std::string big = std::string(200000, 'a') + "\r\nend";
    for (int i = 0; i < 30000; ++i) big += "\r\nline " + std::to_string(i);
    Load(m, big);
    EXPECT_GE(reports, 2);
    EXPECT_EQ(Text(m), big);

    bool once = true;
    m.OnProgress = [&](TObject*) {
        if (std::exchange(once, false)) {
            m.SelectAll();
            m.setSelText("short");
        }
    };
    Load(m, big);
    EXPECT_EQ(Text(m), "short");
    EXPECT_TRUE(DeepCheck(m));
    m.setSelStart(m.TextLen());
    m.setSelText("\r\nmore");
    EXPECT_EQ(Text(m), "short\r\nmore");

    m.SetTextBuf(big.c_str());
    TMemoryStream saved;
    Int64 written = -1;  // when the handler changed the memo
    m.OnProgress = [&](TObject*) {
        if (written < 0) {
            written = saved.Size();
            m.SelectAll();
            m.setSelText("short");
        }
    };
    m.SaveToStream(&saved);
    EXPECT_EQ(std::string(saved.Bytes().begin(), saved.Bytes().end()), big);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<Int64>(big.size()));
    EXPECT_EQ(Text(m), "short");
    ProgressInterval = interval;
}

TEST(WholeText, SetTextBufAndClear)
{
    TStyleMemo m(nullptr);
    int changes = 0;
    m.OnChange = [&](TObject*) { ++changes; };
    m.SetTextBuf("");
    m.Clear();
    EXPECT_EQ(changes, 0);  // nothing to replace
    m.SetTextBuf("p\r\nq");
    EXPECT_EQ(Pars(m), (Strings{"p", "q"}));
    m.Clear();
    EXPECT_EQ(m.TextLen(), 0);
    EXPECT_EQ(m.ParCount(), 1);
    EXPECT_EQ(changes, 2);
}

}  // namespace

// Saving drops trailing blanks and TABs under the option even when the text holds them again
// (here through undo, which puts back exactly what the option's stripping took).
TEST(Writer, TrailingBlanksAreDroppedOnSave)
{
    TStyleMemo m(nullptr);
    m.setSelText("a \t\r\nb  ");
    m.setOptions(m.Options() | pmoDiscardTrailingSpaces);
    EXPECT_EQ(Text(m), "a\r\nb");
    m.Undo();
    ASSERT_EQ(Text(m), "a \t\r\nb  ");
    EXPECT_EQ(Save(m), "a\r\nb");
    m.setOptions(m.Options() & ~pmoDiscardTrailingSpaces);
    EXPECT_EQ(Save(m), "a \t\r\nb  ");
}
