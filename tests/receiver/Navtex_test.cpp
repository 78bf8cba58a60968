#include "receiver/Navtex.h"

#include <gtest/gtest.h>

#include <bitset>
#include <set>
#include <vector>

#include "TestSignal.h"
#include "receiver/Decoder.h"
#include "receiver/RxParams.h"

namespace {

using testsig::kAlpha;
using testsig::kPhasingDx;

TEST(Ccir476Table, ValidExactlyForTheCodesWithFourOnes)
{
    std::set<int> indices;
    for (int code = 0; code < 128; ++code) {
        const bool four = std::bitset<7>(static_cast<unsigned>(code)).count() == 4;
        EXPECT_EQ(Ccir476Table[static_cast<std::size_t>(code)] >= 0, four) << code;
        if (four)
            indices.insert(Ccir476Table[static_cast<std::size_t>(code)]);
    }
    EXPECT_EQ(indices.size(), 35u);
    EXPECT_EQ(Ccir476Table[0x00], -1);  // every other code: exactly -1
    EXPECT_EQ(Ccir476Table[0x7F], -1);
    EXPECT_EQ(*indices.begin(), 0);
    EXPECT_EQ(*indices.rbegin(), 34);
    EXPECT_EQ(Ccir476Table[0x66], 32);
    EXPECT_EQ(Ccir476Table[0x78], 33);
    EXPECT_EQ(Ccir476Table[0x33], 34);
}

// Against the table of meanings the test signals are built from.
TEST(FecToBaudot, EveryBaudotCodeRoundTrips)
{
    for (int b = 0; b < 32; ++b) {
        const int index = Ccir476Table[static_cast<std::size_t>(testsig::FecCodeOfBaudot(b))];
        ASSERT_TRUE(index >= 0 && index < 32) << b;
        EXPECT_EQ(FecToBaudot[static_cast<std::size_t>(index)], b);
    }
}

TEST(FecSameChar, EqualCodesOnly)
{
    EXPECT_TRUE(FecSameChar(0x71, 0x71));
    EXPECT_FALSE(FecSameChar(0x71, 0x27));
    EXPECT_FALSE(FecSameChar(kPhasingDx, kAlpha));
}

// The corrector fed with whole characters, bit 6 first.
class Fec : public ::testing::Test {
protected:
    // Returns what each bit gave, kNothing left out; pairs are the decisions (bit, result).
    void Feed(const std::vector<int>& slots)
    {
        for (int code : slots)
            for (int i = 6; i >= 0; --i) {
                ++bit;
                const int r = f.NavtexFecBit((code >> i) & 1, fastSync);
                if (r != rx::TNavtexFec::kNothing)
                    results.push_back({bit, r});
            }
    }
    std::vector<int> Values() const
    {
        std::vector<int> v;
        for (const auto& r : results)
            v.push_back(r.second);
        return v;
    }
    static std::vector<int> Message(const std::string& text)
    {
        std::vector<int> fec;
        for (int c : testsig::EncodeBaudot(text))
            fec.push_back(testsig::FecCodeOfBaudot(c));
        return fec;
    }
    static std::vector<int> Indices(const std::vector<int>& fec)
    {
        std::vector<int> v;
        for (int c : fec)
            v.push_back(Ccir476Table[static_cast<std::size_t>(c)]);
        return v;
    }

    rx::TNavtexFec f;
    bool fastSync = true;
    long bit = 0;
    std::vector<std::pair<long, int>> results;
};

TEST_F(Fec, RegisterShiftsTowardTheOldest)
{
    Feed({0x71, 0x27});
    EXPECT_EQ(f.Register(7), 0x27);
    EXPECT_EQ(f.Register(6), 0x71);
    EXPECT_EQ(f.Register(0), 0);
}

TEST_F(Fec, PhasingGainsSyncAndTheFirstDecisionGivesNothingToShow)
{
    fastSync = false;
    Feed({0, 0, 0, 0, 0, 0, 0, 0});
    Feed({kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx});
    EXPECT_FALSE(f.Synced());
    Feed({kAlpha});  // the first phasing character reaches R[0]
    EXPECT_TRUE(f.Synced());
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], (std::pair<long, int>{bit, 34}));
    Feed({kPhasingDx, kAlpha});
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].first - results[0].first, 14);
}

// One phasing pair gains sync with the next DX phasing signal or the next RX one, either alone.
TEST(FecSync, OnePhasingPairAndOneMoreSignal)
{
    const int other = 0x71;  // a character that is no phasing signal
    const struct {
        std::vector<int> head;
        bool synced;
    } cases[] = {
        {{kPhasingDx, kAlpha, kPhasingDx, other}, true},
        {{kPhasingDx, kAlpha, other, kAlpha}, true},
        {{kPhasingDx, kAlpha, other, other}, false},
    };
    for (const auto& c : cases) {
        rx::TNavtexFec f;
        std::vector<int> slots(8, 0);
        slots.insert(slots.end(), c.head.begin(), c.head.end());
        slots.insert(slots.end(), {other, 0x27, other, 0x27});
        for (int code : slots)
            for (int i = 6; i >= 0; --i)
                f.NavtexFecBit((code >> i) & 1, false);
        EXPECT_EQ(f.Synced(), c.synced) << c.head[2] << " " << c.head[3];
    }
}

// The error score may stand at its limit, 63, and only passing it drops sync.
TEST_F(Fec, ErrorScoreAtItsLimitKeepsSync)
{
    fastSync = false;
    Feed({kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha});
    ASSERT_TRUE(f.Synced());
    // 15 lost characters (60), a good one (59), then lost ones: 63 keeps sync, 67 drops it.
    std::vector<int> pairs(15, 0x7F);
    pairs.push_back(0x71);
    pairs.insert(pairs.end(), 8, 0x7F);
    std::vector<std::pair<int, bool>> after;  // score and sync after each lost decision
    for (int code : pairs) {
        const std::size_t before = results.size();
        Feed({code, 0x00});
        if (results.size() > before && results.back().second == rx::TNavtexFec::kLost)
            after.push_back({f.ErrorScore(), f.Synced()});
        if (!f.Synced())
            break;
    }
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[after.size() - 2], (std::pair<int, bool>{63, true}));
    EXPECT_EQ(after.back(), (std::pair<int, bool>{67, false}));
}

TEST_F(Fec, PicksDxThenRxAndReportsALostCharacter)
{
    const std::vector<int> msg = Message("RYRY SECURITE");
    testsig::TNavtexTx tx = testsig::MakeNavtex(msg, 6);
    tx.Slots[static_cast<std::size_t>(tx.DxSlot(2))] ^= 0x10;  // DX damaged: the RX copy serves
    tx.Slots[static_cast<std::size_t>(tx.RxSlot(3))] ^= 0x01;  // RX damaged: not needed
    tx.Slots[static_cast<std::size_t>(tx.DxSlot(5))] = 0x00;   // both damaged
    tx.Slots[static_cast<std::size_t>(tx.RxSlot(5))] = 0x7F;
    fastSync = false;
    Feed(tx.Slots);
    std::vector<int> want = Indices(msg);
    want[5] = rx::TNavtexFec::kLost;
    std::vector<int> got;
    for (int v : Values())
        if (v != 33 && v != 34)
            got.push_back(v);
    EXPECT_EQ(got, want);
}

TEST_F(Fec, EndSignalDropsSyncAndHoldsOff34Bits)
{
    testsig::TNavtexTx tx = testsig::MakeNavtex(Message("NNNN"), 6, 4);
    Feed(tx.Slots);
    EXPECT_FALSE(f.Synced());
    const long endBit = results.back().first;
    EXPECT_EQ(results.back().second, 33);
    EXPECT_EQ(f.HoldOff(), 34 - (bit - endBit));
    // Phasing at once after the end: nothing is tested until the hold-off is over.
    results.clear();
    std::vector<int> phasing;
    for (int i = 0; i < 8; ++i)
        phasing.insert(phasing.end(), {kPhasingDx, kAlpha});
    Feed(phasing);
    ASSERT_FALSE(results.empty());
    EXPECT_GE(results.front().first, endBit + 34);
    EXPECT_TRUE(f.Synced());
}

TEST_F(Fec, FastSyncFindsPhaseFromRepeatedCharacters)
{
    const std::vector<int> msg = Message("THE QUICK BROWN FOX JUMPS");
    testsig::TNavtexTx tx = testsig::MakeNavtex(msg, 0);
    fastSync = false;
    Feed(tx.Slots);
    EXPECT_TRUE(results.empty());
    rx::TNavtexFec other;
    f = other;
    fastSync = true;
    results.clear();
    Feed(tx.Slots);
    // From the first place where eight valid characters pair up, the rest of the message.
    std::vector<int> got;
    for (int v : Values())
        if (v < 32)
            got.push_back(v);
    const std::vector<int> all = Indices(msg);
    ASSERT_GT(got.size(), 10u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), all.end() - static_cast<long>(got.size())));
}

TEST_F(Fec, SixteenLostCharactersDropSync)
{
    fastSync = false;
    Feed({kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha});
    ASSERT_TRUE(f.Synced());
    results.clear();
    // The phasing still in the register is decided first, then the lost characters.
    int lost = 0;
    for (int pair = 0; f.Synced() && pair < 40; ++pair) {
        Feed({0x7F, 0x00});
        if (!results.empty() && results.back().second == rx::TNavtexFec::kLost && results.back().first == bit)
            ++lost;
        if (lost == 15) {
            EXPECT_EQ(f.ErrorScore(), 60);
        }
    }
    EXPECT_FALSE(f.Synced());
    EXPECT_EQ(lost, 16);
    EXPECT_EQ(f.ErrorScore(), 64);
}

TEST_F(Fec, WithFastSyncTooFewValidCharactersDropSyncSooner)
{
    Feed({kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha});
    ASSERT_TRUE(f.Synced());
    int lost = 0;
    while (f.Synced() && lost < 20) {
        Feed({0x7F, 0x00});
        ++lost;
    }
    EXPECT_LT(lost, 8);
    EXPECT_LE(f.ErrorScore(), 63);
}

TEST_F(Fec, WithFastSyncMismatchedPairsScoreNine)
{
    Feed({kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha});
    ASSERT_TRUE(f.Synced());
    // Valid characters that never repeat five positions later, and phasing that no longer fits.
    const int letters[7] = {0x71, 0x27, 0x5C, 0x65, 0x35, 0x6C, 0x56};
    std::vector<int> scores;
    for (int i = 0; f.Synced() && i < 40; i += 2) {
        Feed({letters[i % 7], letters[(i + 1) % 7]});
        scores.push_back(f.ErrorScore());
    }
    EXPECT_FALSE(f.Synced());
    ASSERT_GE(scores.size(), 2u);
    for (std::size_t k = 1; k + 1 < scores.size(); ++k)
        EXPECT_EQ(scores[k] - scores[k - 1], 8) << k;  // one back for the good character, nine on
    EXPECT_GT(scores.back(), 63);
}

TEST_F(Fec, WithFastSyncAPairingThatFitsOnePlaceLaterDropsSync)
{
    // Phasing, then one stray character, then a message whose DX positions therefore fall into
    // the corrector's RX positions: each RX copy now stands six places after its DX copy.
    const std::vector<int> m = Message("ABCDEFGHIJKLMNOP");
    std::vector<int> slots = {kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, 0x71};
    const int n = static_cast<int>(m.size());
    for (int k = 0; k < n; ++k) {
        slots.push_back(m[static_cast<std::size_t>(k)]);
        slots.push_back(m[static_cast<std::size_t>(k >= 2 ? k - 2 : k + 5)]);
    }
    bool dropped = false;
    for (int code : slots)
        for (int i = 6; i >= 0 && !dropped; --i) {
            const bool was = f.Synced();
            f.NavtexFecBit((code >> i) & 1, true);
            if (was && !f.Synced()) {
                dropped = true;
                // Neither the end signal nor the error score: the pairing check.
                EXPECT_EQ(f.HoldOff(), 0);
                EXPECT_EQ(f.ErrorScore(), 41);
            }
        }
    EXPECT_TRUE(dropped);
}

// ---- Through the decoder: the lost character bypasses the character set

TEST(NavtexDecoder, LostCharacterIsAnUnderscoreInAnySet)
{
    TTtyParams p;
    p.CharsetIndex = 1;
    p.BaudotShift = 32;
    rx::TRxDecoder d(p);
    std::string out;
    d.OnReceivedChar = [&](char c) { out.push_back(c); };
    p.DoFastSync = 0;
    // The first decision after the eight lost characters reaches R[0] is the only lost one.
    for (int code : {kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, kPhasingDx, kAlpha, 0, 0, 0, 0, 0, 0, 0, 0})
        for (int i = 6; i >= 0; --i)
            d.NavtexFecBit((code >> i) & 1);
    EXPECT_EQ(out, "_");
}

}  // namespace
