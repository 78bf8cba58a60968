// Generated signals written as sample files and decoded through the file reader and the whole
// per-block processing: spectrum, AFC, demodulator, bit timing, decoder, character set.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "TestSignal.h"
#include "tests/support/ParamName.h"

namespace {

using namespace testsig;

class EndToEnd : public ::testing::Test {
protected:
    std::string Run(const std::vector<double>& signal, const TRxSetup& rx, double noiseRms = 0.0,
                    TTtyParams* finalParams = nullptr)
    {
        const std::string file = dir.Path("samples.txt");
        WriteSampleFile(file, Quantise(signal, noiseRms, 7));
        return DecodeFile(file, rx, finalParams);
    }

    // RTTY keyed around the receiver's centre (plus an offset): mark is the lower tone in the
    // normal sense, the upper one in reverse.
    static std::vector<double> Rtty(const TRxSetup& rx, const std::vector<int>& codes, double stopBits = 1.5,
                                    double offsetHz = 0.0, double amplitude = 8000.0)
    {
        const double c = ReceiverCentreHz(rx) + offsetHz;
        const double lower = c - rx.Shift / 2.0, upper = c + rx.Shift / 2.0;
        TRttyTx tx;
        tx.Baud = rx.Baud == 45 ? 45.45 : rx.Baud;
        tx.StopBits = stopBits;
        tx.MarkHz = rx.Reverse ? upper : lower;
        tx.SpaceHz = rx.Reverse ? lower : upper;
        TFskSignal s(amplitude);
        AppendRtty(s, tx, codes);
        return s.Samples;
    }

    // NAVTEX at 170 Hz shift: a one is the upper tone in the normal sense.
    static std::vector<double> Navtex(const TRxSetup& rx, const std::vector<int>& slots, double amplitude = 8000.0)
    {
        const double c = ReceiverCentreHz(rx);
        TFskSignal s(amplitude);
        s.Silence(1000);
        AppendNavtex(s, slots, rx.Reverse ? c - 85 : c + 85, rx.Reverse ? c + 85 : c - 85);
        s.Silence(1000);
        return s.Samples;
    }

    TTempDir dir;
};

// ---- RTTY over the speeds, shifts, senses and stop lengths

using TRttyCase = std::tuple<int, int, bool, double>;  // baud, shift, reverse, stop bits

class RttyMatrix : public EndToEnd, public ::testing::WithParamInterface<TRttyCase> {};

TEST_P(RttyMatrix, DecodesExactly)
{
    const auto [baud, shift, reverse, stop] = GetParam();
    TRxSetup rx;
    rx.Baud = baud;
    rx.Shift = shift;
    rx.Reverse = reverse;
    const std::string text = "CQ DE K1ABC 599";
    EXPECT_EQ(Run(Rtty(rx, EncodeBaudot(text), stop), rx), text);
}

INSTANTIATE_TEST_SUITE_P(SpeedsShiftsSensesStops, RttyMatrix,
                         ::testing::Combine(::testing::Values(45, 50, 75, 100), ::testing::Values(85, 170, 450, 850),
                                            ::testing::Bool(), ::testing::Values(1.0, 1.5, 2.0)),
                         [](const auto& Info) {
                             const double stop = std::get<3>(Info.param);
                             return "Baud" + std::to_string(std::get<0>(Info.param)) + "Shift" +
                                    std::to_string(std::get<1>(Info.param)) +
                                    (std::get<2>(Info.param) ? "Reversed" : "Normal") +
                                    (stop == 1.0 ? "OneStop" : stop == 1.5 ? "OneAndAHalfStops" : "TwoStops");
                         });

TEST_F(EndToEnd, WrongSenseGivesNoText)
{
    TRxSetup rx;
    const std::string text = "CQ DE K1ABC 599";
    const std::vector<double> signal = Rtty(rx, EncodeBaudot(text));
    rx.Reverse = true;
    EXPECT_NE(Run(signal, rx), text);
}

// ---- AFC

class AfcOffset : public EndToEnd, public ::testing::WithParamInterface<std::tuple<int, double>> {};

TEST_P(AfcOffset, FollowsTheTonesAndDecodes)
{
    const auto [shift, offset] = GetParam();
    TRxSetup rx;
    rx.Shift = shift;
    rx.Afc = true;
    const std::string text = "RYRY THE QUICK BROWN FOX 1234";
    TTtyParams after;
    EXPECT_EQ(Run(Rtty(rx, EncodeBaudot(text), 1.5, offset), rx, 0.0, &after), text);
    // Both tones started 7 to 9 Hz off and ended within a bin (5.4 Hz) of the signal's.
    const double stepHz = kRate / 32768.0;
    const double c = ReceiverCentreHz(rx) + offset;
    EXPECT_NEAR(after.LowerStep * stepHz, c - shift / 2.0, 5.0);
    EXPECT_NEAR(after.UpperStep * stepHz, c + shift / 2.0, 5.0);
}

INSTANTIATE_TEST_SUITE_P(ShiftsAndOffsets, AfcOffset,
                         ::testing::Combine(::testing::Values(85, 170, 450, 850), ::testing::Values(-7.0, 9.0)),
                         [](const auto& Info) {
                             const double offset = std::get<1>(Info.param);
                             return "Shift" + std::to_string(std::get<0>(Info.param)) + (offset < 0 ? "Minus" : "Plus") +
                                    std::to_string(static_cast<int>(std::abs(offset))) + "Hz";
                         });

// ---- Shifts and character sets

TEST_F(EndToEnd, UnshiftOnSpaceReturnsToLetters)
{
    TRxSetup rx;
    const std::vector<int> codes = {31, 27, 1, 4, 1, 2, 1, 31, 1};  // LTRS FIGS 3 space 3 LF 3 LTRS E
    EXPECT_EQ(Run(Rtty(rx, codes), rx), "3 3\n3E");
    rx.UnshiftOnSpace = true;
    EXPECT_EQ(Run(Rtty(rx, codes), rx), "3 E\nEE");
}

struct TCharsetCase {
    int Charset;
    bool Extended;
    std::string Expected;
};

void PrintTo(const TCharsetCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << "set" << c.Charset << (c.Extended ? " extended" : "");
}

class CharsetOnAir : public EndToEnd, public ::testing::WithParamInterface<TCharsetCase> {};

TEST_P(CharsetOnAir, GivesTheSetsBytes)
{
    TRxSetup rx;
    rx.Charset = GetParam().Charset;
    rx.ExtendedBaudot = GetParam().Extended;
    // E A, FIGS and the four codes the sets differ in, LTRS, blank, E A, FIGS A, LTRS E
    const std::vector<int> codes = {31, 1, 3, 27, 11, 13, 20, 26, 31, 0, 1, 3, 27, 3, 31, 1};
    EXPECT_EQ(Run(Rtty(rx, codes), rx), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, CharsetOnAir,
    ::testing::Values(TCharsetCase{0, false, "EA*!#&EA-E"}, TCharsetCase{0, true, "EA*!#&ea-E"},
                      TCharsetCase{1, false, "\xC5\xC0\xDE\xDD\xD9\xD8\xC5\xC0-\xC5"},
                      TCharsetCase{1, true, "\xC5\xC0\xDE\xDD\xD9\xD8\xE5\xE0-\xC5"},
                      TCharsetCase{2, false, "EA*\xC5\xD6\xC4" "EA-E"},
                      TCharsetCase{3, false, "EA\xDE\xDD\xD9\xD8\xC5\xC0-E"}), morvik::ParamName());

// ---- Squelch and noise

TEST_F(EndToEnd, SquelchDropsAWeakSignalOnly)
{
    TRxSetup rx;
    const std::string text = "RYRY THE QUICK BROWN FOX 1234";
    const std::vector<int> codes = EncodeBaudot(text);
    rx.Squelch = 50;
    EXPECT_EQ(Run(Rtty(rx, codes, 1.5, 0.0, 2000.0), rx), text);
    EXPECT_EQ(Run(Rtty(rx, codes, 1.5, 0.0, 100.0), rx), "");
    rx.Squelch = 0;
    EXPECT_EQ(Run(Rtty(rx, codes, 1.5, 0.0, 100.0), rx), text);
}

// Signal amplitude 4000 in white noise of RMS 4000 (about 0 dB in 3 kHz): some 3 dB above
// the level at which characters start to go wrong.
TEST_F(EndToEnd, RttyInNoiseStaysExact)
{
    const std::string text = "RYRY THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890";
    for (int baud : {50, 100}) {
        TRxSetup rx;
        rx.Baud = baud;
        EXPECT_EQ(Run(Rtty(rx, EncodeBaudot(text), 1.5, 0.0, 4000.0), rx, 4000.0), text) << baud;
    }
}

// ---- NAVTEX

class NavtexOnAir : public EndToEnd {
protected:
    NavtexOnAir()
    {
        rx.Mode = 6;
        for (int c : codes)
            fec.push_back(FecCodeOfBaudot(c));
    }
    // The index in the message of the first code standing for letter c.
    int IndexOf(char c) const
    {
        for (std::size_t i = 0; i < codes.size(); ++i)
            if (kLetters[codes[i]] == c && i > 0 && codes[i - 1] != 27)
                return static_cast<int>(i);
        return -1;
    }
    static void Damage(TNavtexTx& tx, int slot) { tx.Slots[static_cast<std::size_t>(slot)] ^= 0x01; }

    TRxSetup rx;
    const std::string text = "ZCZC FA01\r\nNAVTEX TEST 123\r\nNNNN\r\n";
    const std::vector<int> codes = EncodeBaudot(text);
    std::vector<int> fec;
};

TEST_F(NavtexOnAir, CleanMessage)
{
    EXPECT_EQ(Run(Navtex(rx, MakeNavtex(fec).Slots), rx), text);
}

TEST_F(NavtexOnAir, OnlyPhasingStartsDecodingWithoutFastSync)
{
    rx.FastSync = false;
    EXPECT_EQ(Run(Navtex(rx, MakeNavtex(fec).Slots), rx), text);
    // Without phasing the message is not found.
    EXPECT_EQ(Run(Navtex(rx, MakeNavtex(fec, 0).Slots), rx), "");
}

TEST_F(NavtexOnAir, ReverseSense)
{
    rx.Reverse = true;
    EXPECT_EQ(Run(Navtex(rx, MakeNavtex(fec).Slots), rx), text);
}

TEST_F(NavtexOnAir, DamagedDxCopiesAreTakenFromRx)
{
    TNavtexTx tx = MakeNavtex(fec);
    for (int i : {0, 3, 4, 10, 11, 12, 20, 30})
        Damage(tx, tx.DxSlot(i));
    EXPECT_EQ(Run(Navtex(rx, tx.Slots), rx), text);
}

TEST_F(NavtexOnAir, DamagedRxCopiesDoNotMatter)
{
    TNavtexTx tx = MakeNavtex(fec);
    for (int i : {1, 2, 3, 9, 15, 16, 25})
        Damage(tx, tx.RxSlot(i));
    EXPECT_EQ(Run(Navtex(rx, tx.Slots), rx), text);
}

TEST_F(NavtexOnAir, CharacterLostInBothCopiesShowsAsUnderscore)
{
    TNavtexTx tx = MakeNavtex(fec);
    const int v = IndexOf('V');
    ASSERT_GT(v, 0);
    Damage(tx, tx.DxSlot(v));
    Damage(tx, tx.RxSlot(v));
    // One copy of each neighbour is damaged as well and still recovered.
    Damage(tx, tx.DxSlot(v - 1));
    Damage(tx, tx.RxSlot(v + 1));
    std::string expected = text;
    expected[expected.find('V')] = '_';
    EXPECT_EQ(Run(Navtex(rx, tx.Slots), rx), expected);
}

// Amplitude 4000 in noise of RMS 4000: about 3 dB above where the first character is lost.
TEST_F(NavtexOnAir, NoiseStaysExact)
{
    EXPECT_EQ(Run(Navtex(rx, MakeNavtex(fec).Slots, 4000.0), rx, 4000.0), text);
}

}  // namespace
