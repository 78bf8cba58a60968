#include "receiver/Baudot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "receiver/CharSets.h"
#include "receiver/Decoder.h"
#include "tests/support/ParamName.h"

namespace {

std::string Convert(TTtyParams& p, const std::vector<int>& codes)
{
    std::string s;
    for (int c : codes)
        s += BaudotToText(p, c);
    return s;
}

// ---- Every register of every set, codes 1..30 without 27, typed from the code table

struct TRegisterCase {
    int Charset;
    int Shift;
    int Register;
    std::string Expected;
};

void PrintTo(const TRegisterCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << "set" << c.Charset << " shift" << c.Shift << " register" << c.Register;
}

class CharsetRegister : public ::testing::TestWithParam<TRegisterCase> {};

TEST_P(CharsetRegister, HoldsTheTableBytes)
{
    const TRegisterCase& c = GetParam();
    TTtyParams p;
    p.CharsetIndex = c.Charset;
    std::string got;
    for (int code = 1; code <= 30; ++code) {
        if (code == 27)
            continue;
        p.BaudotShift = c.Shift;
        p.ExtendedRegister = c.Register;
        got += BaudotToText(p, code);
        EXPECT_EQ(p.BaudotShift, c.Shift) << code;
        EXPECT_EQ(p.ExtendedRegister, c.Register) << code;
    }
    EXPECT_EQ(got, c.Expected);
}

const std::string kEnLetters = "E\nA SIU\rDRJNFCKTZLWHYPQOBGMXV";
const std::string kEnLower = "e\na siu\rdrjnfcktzlwhypqobgmxv";
const std::string kEnFigures = "3\n- '87\r$4*,!:(5+)2#6019?&./=";
const std::string kEnExtFigures = "3\n_ \"87\r$4*<`;[5+]2{6019?}>\\|";
const std::string kRuLetters =
    "\xC5\n\xC0 \xD1\xC8\xD3\r\xC4\xD0\xC9\xCD\xD4\xD6\xCA\xD2\xC7\xCB\xC2\xD5\xDB\xCF\xDF\xCE\xC1\xC3\xCC\xDC\xC6";
const std::string kRuLower =
    "\xE5\n\xE0 \xF1\xE8\xF3\r\xE4\xF0\xE9\xED\xF4\xF6\xEA\xF2\xE7\xEB\xE2\xF5\xFB\xEF\xFF\xEE\xE1\xE3\xEC\xFC\xE6";
const std::string kRuFigures = "3\n- '87\r$4\xDE,\xDD:(5+)2\xD9" "6019?\xD8./=";
const std::string kRuExtFigures = "3\n_ \"87\r$4\xFE<\xFD;[5+]2\xF9" "6019?\xF8>\\|";
const std::string kSvFigures = "3\n- '87\r$4*,\xC5:(5+)2\xD6" "6019?\xC4./=";
const std::string kSvExtFigures = "3\n_ \"87\r$4*,\xE5;[5+]2\xF6" "6019?\xE4>\\|";

INSTANTIATE_TEST_SUITE_P(
    AllSets, CharsetRegister,
    ::testing::Values(TRegisterCase{0, 0, 0, kEnLetters}, TRegisterCase{0, 32, 0, kEnFigures},
                      TRegisterCase{0, 0, 64, kEnLower}, TRegisterCase{0, 32, 64, kEnExtFigures},
                      TRegisterCase{1, 0, 0, kRuLetters}, TRegisterCase{1, 32, 0, kRuFigures},
                      TRegisterCase{1, 0, 64, kRuLower}, TRegisterCase{1, 32, 64, kRuExtFigures},
                      TRegisterCase{2, 0, 0, kEnLetters}, TRegisterCase{2, 32, 0, kSvFigures},
                      TRegisterCase{2, 0, 64, kEnLower}, TRegisterCase{2, 32, 64, kSvExtFigures},
                      TRegisterCase{3, 0, 0, kEnLetters}, TRegisterCase{3, 32, 0, kRuFigures},
                      TRegisterCase{3, 0, 64, kRuLetters}, TRegisterCase{3, 32, 64, kRuFigures},
                      // Any other index reads as English.
                      TRegisterCase{4, 32, 0, kEnFigures}, TRegisterCase{-1, 0, 64, kEnLower}), morvik::ParamName());

TEST(Charsets, UnusedCodesHaveNoText)
{
    for (const TCharset* set : {&CharsetEnglish, &CharsetRussian, &CharsetSwedish, &CharsetEnglishRussian})
        for (int r = 0; r < 128; r += 32)
            for (int code : {0, 27, 31})
                EXPECT_STREQ(set->Text[static_cast<std::size_t>(r + code)], "") << r + code;
}

// ---- Shift and register changes

TEST(BaudotToText, LtrsAndFigsGiveNoTextAndSwitchTheCase)
{
    TTtyParams p;
    EXPECT_EQ(Convert(p, {27}), "");
    EXPECT_EQ(p.BaudotShift, 32);
    EXPECT_EQ(Convert(p, {1, 16, 4, 23}), "35 1");
    EXPECT_EQ(Convert(p, {31}), "");
    EXPECT_EQ(p.BaudotShift, 0);
    EXPECT_EQ(Convert(p, {1, 16}), "ET");
}

TEST(BaudotToText, UnshiftOnSpaceAfterTheSpaceOrLineFeed)
{
    TTtyParams p;
    EXPECT_EQ(Convert(p, {27, 1, 4, 1}), "3 3");
    p.UnshiftOnSpace = 1;
    EXPECT_EQ(Convert(p, {27, 1, 4, 1}), "3 E");
    EXPECT_EQ(Convert(p, {27, 1, 2, 1}), "3\nE");
    // CR does not unshift.
    EXPECT_EQ(Convert(p, {27, 1, 8, 1}), "3\r3");
}

TEST(BaudotToText, EnglishRussianBlankSwitchesToRussianLetters)
{
    TTtyParams p;
    p.CharsetIndex = rx::kCharsetEnglishRussian;
    EXPECT_EQ(Convert(p, {1, 0, 1, 3}), "E\xC5\xC0");
    EXPECT_EQ(p.ExtendedRegister, 64);
    EXPECT_EQ(Convert(p, {31, 1}), "E");
    EXPECT_EQ(Convert(p, {27, 0, 11}), "\xC9");  // the blank also returns from figures
    EXPECT_EQ(Convert(p, {27, 11, 13, 20, 26}), "\xDE\xDD\xD9\xD8");
}

TEST(BaudotToText, ExtendedBaudotBlankToggles)
{
    TTtyParams p;
    EXPECT_EQ(Convert(p, {1, 0, 1}), "EE");  // off: the blank keeps the normal registers
    p.ExtendedBaudot = 1;
    EXPECT_EQ(Convert(p, {0, 1, 0, 1}), "eE");
    EXPECT_EQ(Convert(p, {27, 0, 3, 0, 3}), "_-");
    EXPECT_EQ(Convert(p, {31, 0, 1}), "e");
    EXPECT_TRUE(p.ExtendedBaudot);
    EXPECT_FALSE(rx::ToggleExtendedBaudot(p));
    EXPECT_EQ(p.ExtendedRegister, 0);  // back to the normal registers at once
    EXPECT_EQ(Convert(p, {1}), "E");
    EXPECT_TRUE(rx::ToggleExtendedBaudot(p));
}

TEST(BaudotToText, BlankWithoutExtendedBaudotLeavesTheExtendedRegister)
{
    TTtyParams p;
    p.ExtendedRegister = 64;
    EXPECT_EQ(Convert(p, {0, 1}), "E");
    EXPECT_EQ(p.ExtendedRegister, 0);
}

TEST(BaudotToText, LineEndsInEveryRegister)
{
    for (int set = 0; set < 4; ++set)
        for (int shift : {0, 32})
            for (int reg : {0, 64}) {
                TTtyParams p;
                p.CharsetIndex = set;
                p.BaudotShift = shift;
                p.ExtendedRegister = reg;
                EXPECT_EQ(Convert(p, {8, 2}), "\r\n") << set << shift << reg;
            }
}

TEST(BaudotToText, CodesAndStateOutsideTheirRangesStayInTheTable)
{
    TTtyParams p;
    EXPECT_EQ(Convert(p, {32 + 1, -1, 64 + 16}), "ET");  // -1 reads as 31, LTRS
    EXPECT_EQ(Convert(p, {59}), "");                       // 27 + 32: FIGS
    EXPECT_EQ(p.BaudotShift, 32);
    p.BaudotShift = 5000;
    p.ExtendedRegister = -7;
    EXPECT_EQ(Convert(p, {1}), "E");
    p.BaudotShift = 32;
    p.ExtendedRegister = 1 << 30;
    EXPECT_EQ(Convert(p, {1}), "3");
}

TEST(CharsetOptions, UnshiftAndSelection)
{
    TTtyParams p;
    p.HoldOffTicks = 5;
    EXPECT_TRUE(rx::ToggleUnshiftOnSpace(p));
    EXPECT_EQ(p.HoldOffTicks, 0);
    EXPECT_EQ(p.UnshiftOnSpace, 1);
    EXPECT_FALSE(rx::ToggleUnshiftOnSpace(p));
    p.HoldOffTicks = 5;
    rx::SelectCharset(p, 2);
    EXPECT_EQ(p.CharsetIndex, 2);
    EXPECT_EQ(p.HoldOffTicks, 0);
    p.HoldOffTicks = 5;
    rx::ToggleExtendedBaudot(p);
    EXPECT_EQ(p.HoldOffTicks, 0);
}

// ---- The decoder's output routine

class DecoderOutput : public ::testing::Test {
protected:
    DecoderOutput() { d.OnReceivedChar = [this](char c) { out.push_back(c); }; }
    TTtyParams p;
    rx::TRxDecoder d{p};
    std::string out;
};

TEST_F(DecoderOutput, EveryByteOfACodeInOrder)
{
    d.EmitBaudotCode(27);
    d.EmitBaudotCode(19);
    d.EmitBaudotCode(31);
    d.EmitBaudotCode(8);
    d.EmitBaudotCode(2);
    EXPECT_EQ(out, "2\r\n");
}

TEST_F(DecoderOutput, NavtexIndicesGoThroughTheirBaudotCodes)
{
    for (int i : {7, 8, 29, 23, 28, 30, 31, 32, 33, 34, -1, 35, 1000})
        d.NavtexEmitCode(i);
    EXPECT_EQ(out, "HI/ ");  // H I FIGS X(/) LTRS space blank; 32..34 and the rest give nothing
}

// Another mode was chosen in figures and the extended register: its first code reads as a letter.
TEST_F(DecoderOutput, ARestartReadsTheNextCodeAsALetter)
{
    p.ExtendedBaudot = 1;
    d.EmitBaudotCode(27);
    d.EmitBaudotCode(0);
    d.Restart();
    d.EmitBaudotCode(3);
    EXPECT_EQ(out, "A");
}

TEST_F(DecoderOutput, NoCallbackNoFailure)
{
    d.OnReceivedChar = nullptr;
    d.EmitBaudotCode(1);
    EXPECT_TRUE(out.empty());
}

}  // namespace
