#include "receiver/CharSets.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TestSignal.h"
#include "platform/SysUtils.h"

namespace {

struct TEntry {
    int Result;
    int Index;
    std::string Text;
    bool operator==(const TEntry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TEntry& e)
{
    return os << "{" << e.Result << ", " << e.Index << ", \"" << e.Text << "\"}";
}

// Every result up to the end, reading from a buffer of exactly the data's size so that a read
// past its end is caught.
std::vector<TEntry> ReadAll(const std::string& data, TCharsetStream* last = nullptr)
{
    std::vector<char> bytes(data.begin(), data.end());
    TCharsetStream s;
    s.Data = bytes.data();
    s.Size = bytes.size();
    std::vector<TEntry> got;
    for (int guard = 0; guard < 1000; ++guard) {
        int index = -99;
        std::string text;
        const int r = ReadCharsetEntry(s, index, text);
        if (r < 0)
            break;
        got.push_back(r == 0 ? TEntry{r, index, text} : TEntry{r, 0, ""});
    }
    if (last)
        *last = s;
    return got;
}

TEST(ReadCharsetEntry, PatternNumbersAndTexts)
{
    EXPECT_EQ(ReadAll("-.  X\n"), (std::vector<TEntry>{{0, 6, "X"}}));
    EXPECT_EQ(ReadAll(". E\n- T\n.- A\n------- Z\n....... H"),
              (std::vector<TEntry>{{0, 2, "E"}, {0, 3, "T"}, {0, 5, "A"}, {0, 255, "Z"}, {0, 128, "H"}}));
}

TEST(ReadCharsetEntry, BlanksAreEveryByteUpTo32)
{
    EXPECT_EQ(ReadAll("\t.\x01Q\r\n  \x1f-\x7fZ"), (std::vector<TEntry>{{0, 2, "Q"}, {0, 3, "\x7fZ"}}));
    EXPECT_EQ(ReadAll(".-X"), (std::vector<TEntry>{{0, 5, "X"}}));  // the text may follow at once
}

TEST(ReadCharsetEntry, TextOnTheNextLineAndRestOfLineIgnored)
{
    EXPECT_EQ(ReadAll(".-\nAB CD\n-- M"), (std::vector<TEntry>{{0, 5, "AB"}, {0, 7, "M"}}));
}

TEST(ReadCharsetEntry, TextCutAtFifteenBytes)
{
    EXPECT_EQ(ReadAll(". 0123456789ABCDEFGH more\n.. Y\n"),
              (std::vector<TEntry>{{0, 2, "0123456789ABCDE"}, {0, 4, "Y"}}));
    EXPECT_EQ(ReadAll(". \xC0\xC1\xFF\n"), (std::vector<TEntry>{{0, 2, "\xC0\xC1\xFF"}}));
}

TEST(ReadCharsetEntry, MalformedLinesAreReportedAndSkipped)
{
    EXPECT_EQ(ReadAll("X .- A\n- B\n........ Q\n.. R\n"),
              (std::vector<TEntry>{{1, 0, ""}, {0, 3, "B"}, {2, 0, ""}, {0, 4, "R"}}));
    TCharsetStream s;
    EXPECT_TRUE(ReadAll(". A\nJUNK", &s).size() == 1);
    EXPECT_TRUE(s.EndedInsideLine);
    EXPECT_EQ(s.EntryLine, 2);
    EXPECT_TRUE(ReadAll(". A\n.-- \n\n", &s).size() == 1);
    EXPECT_TRUE(s.EndedAfterPattern);
    EXPECT_TRUE(ReadAll("", &s).empty());
    EXPECT_FALSE(s.EndedInsideLine || s.EndedAfterPattern);
}

TEST(ReadCharsetEntry, RandomBytesNeverReadOutside)
{
    std::mt19937 gen(3);
    const std::string alphabet = ".-.-.- \n\tAB\x01\xFF";
    for (int n = 0; n < 300; ++n) {
        std::string data(gen() % 60, ' ');
        for (char& c : data)
            c = gen() % 4 ? alphabet[gen() % alphabet.size()] : static_cast<char>(gen());
        for (const TEntry& e : ReadAll(data)) {
            EXPECT_TRUE(e.Result >= 0 && e.Result <= 2);
            if (e.Result == 0) {
                EXPECT_TRUE(e.Index >= 2 && e.Index <= 255);
                EXPECT_TRUE(!e.Text.empty() && e.Text.size() <= 15);
            }
        }
    }
}

// ---- Loading a file

class UserCharsetFile : public ::testing::Test {
protected:
    std::string Put(const std::string& bytes)
    {
        const std::string path = dir.Path("set.txt");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    testsig::TTempDir dir;
    TUserCharsetTable table;
    std::string error;
};

TEST_F(UserCharsetFile, LoadsEntriesOverDefaults)
{
    table.Entry[9] = {'o', 'l', 'd'};
    ASSERT_EQ(LoadUserCharset(Put("-.  X\n.- \xC0\xC1\n\n   --- LONGERTEXT\n... ABCDEFGHIJKLMNOPQRST\n"), &error, table), 0)
        << error;
    EXPECT_STREQ(table.Entry[8].data(), "ABCDEFGHIJKLMNO");  // 15 bytes and the terminator
    EXPECT_STREQ(table.Entry[6].data(), "X");
    EXPECT_STREQ(table.Entry[5].data(), "\xC0\xC1");
    EXPECT_STREQ(table.Entry[15].data(), "LONGERTEXT");
    EXPECT_STREQ(table.Entry[0].data(), " ");
    EXPECT_STREQ(table.Entry[9].data(), "");  // every entry starts again from its default
    EXPECT_STREQ(table.Entry[255].data(), "");
}

TEST_F(UserCharsetFile, AFileOverOneMegabyteIsRefused)
{
    EXPECT_EQ(LoadUserCharset(Put(std::string((1 << 20) + 1, ' ')), &error, table), -2);
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

TEST_F(UserCharsetFile, EmptyFileChangesNothing)
{
    table.Entry[6] = {'K'};
    EXPECT_EQ(LoadUserCharset(Put(""), &error, table), -1);
    EXPECT_STREQ(table.Entry[6].data(), "K");
}

TEST_F(UserCharsetFile, MissingFileRaisesTheFileOpenError)
{
    EXPECT_THROW(LoadUserCharset(dir.Path("none.txt"), &error, table), EFOpenError);
    EXPECT_THROW(LoadUserCharset(dir.Dir, &error, table), EFOpenError);
}

struct TBadFile {
    const char* Name;
    std::string Data;
    std::string Problem;
};

std::ostream& operator<<(std::ostream& os, const TBadFile& f)
{
    return os << ::testing::PrintToString(f.Data);
}

class MalformedCharsetFile : public UserCharsetFile, public ::testing::WithParamInterface<TBadFile> {};

TEST_P(MalformedCharsetFile, IsRefusedNamingTheLine)
{
    table.Entry[6] = {'K'};
    EXPECT_EQ(LoadUserCharset(Put(GetParam().Data), &error, table), -2);
    EXPECT_NE(error.find(GetParam().Problem), std::string::npos) << error;
    EXPECT_STREQ(table.Entry[6].data(), "K");
    EXPECT_STREQ(table.Entry[2].data(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedCharsetFile,
    ::testing::Values(TBadFile{"TextBeforeThePatternAfterABlankLine", ". E\n\nA .-\n", "Line 3 "},
                      TBadFile{"PatternOfEightSigns", ". E\n.-.-.-.- Q\n", "Line 2 "},
                      TBadFile{"PatternWithoutTextAtTheEnd", ". E\n- T\n.--", "Line 3 "},
                      TBadFile{"NoPatternOnTheLastLine", ". E\n# note", "Line 2 "},
                      TBadFile{"BinaryBytes", std::string("\0\0\x80\x81", 4), "Line 1 "}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(UserCharsetFile, LoadsIntoTheProgramsTableByDefault)
{
    const TUserCharsetTable saved = UserCharsetTable;
    EXPECT_EQ(LoadUserCharset(Put("..- U\n")), 0);
    EXPECT_STREQ(UserCharsetTable.Entry[9].data(), "U");
    UserCharsetTable = saved;
}

}  // namespace
