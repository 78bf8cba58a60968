#include "receiver/Fir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "receiver/FirTables.h"
#include "tests/support/ParamName.h"

namespace {

std::vector<double> Noise(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(-30000.0, 30000.0);
    std::vector<double> x(n);
    for (double& v : x)
        v = d(rng);
    return x;
}

// The direct convolution, tap by tap.
double Convolve(const std::vector<double>& x, int i, const double* taps, int len)
{
    double s = 0.0;
    for (int k = 0; k < len; ++k)
        s += (i - k >= 0 ? x[i - k] : 0.0) * taps[k];
    return s;
}

// The filters sum in another order than the direct convolution: they may differ by rounding,
// which stays far below any one input times any one tap.
constexpr double kRounding = 1e-9;

template <int Taps, int Factor>
void CheckDecimator(const double* taps)
{
    rx::TDecimFir<Taps, Factor, 1> fir(taps);
    const std::vector<double> x = Noise(500, Taps);
    double held = 0.0;
    for (int i = 0; i < static_cast<int>(x.size()); ++i) {
        const double y = *fir.Push(&x[i]);
        // A new output on the Factor-th, 2 Factor-th, ... call; the held one in between.
        if ((i + 1) % Factor == 0)
            held = Convolve(x, i, taps, Taps);
        ASSERT_NEAR(y, held, kRounding) << "call " << i + 1;
    }
}

TEST(DecimFir, Decim2ComputesOnEverySecondCallAndHoldsBetween)
{
    CheckDecimator<45, 2>(Decim2Taps.data());
}

TEST(DecimFir, Decim3ComputesOnEveryThirdCallAndHoldsBetween)
{
    CheckDecimator<27, 3>(Decim3Taps.data());
}

TEST(DecimFir, FourLanesGiveExactlyWhatFourSingleFiltersGive)
{
    rx::TDecimFir<45, 2, 4> quad(Decim2Taps.data());
    std::vector<rx::TDecimFir<45, 2, 1>> single(4, rx::TDecimFir<45, 2, 1>(Decim2Taps.data()));
    std::vector<std::vector<double>> x;
    for (unsigned c = 0; c < 4; ++c)
        x.push_back(Noise(300, 100 + c));
    for (int i = 0; i < 300; ++i) {
        const double in[4] = {x[0][i], x[1][i], x[2][i], x[3][i]};
        const double* out = quad.Push(in);
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(out[c], *single[c].Push(&x[c][i])) << i << " lane " << c;
    }
}

TEST(BaudFir, MatchesTheDirectConvolution)
{
    for (const TBaudFirTable* t : {&BaudFirTable45, &BaudFirTable75, &BaudFirTableStart}) {
        rx::TBaudFir<1> fir;
        const std::vector<double> x = Noise(400, static_cast<unsigned>(t->Count));
        for (int i = 0; i < 400; ++i) {
            double y;
            fir.Push(&x[i], t->Count, t->Taps, &y);
            ASSERT_NEAR(y, Convolve(x, i, t->Taps, t->Count), kRounding) << t->Count << " " << i;
        }
    }
}

TEST(BaudFir, TableChangeClearsTheLineOnlyWhenThePositionFallsOutside)
{
    const std::vector<double> x = Noise(200, 7);
    // 60 values through the 73-tap table leave the write position at 60: inside 81, outside 55.
    for (const TBaudFirTable* next : {&BaudFirTableStart, &BaudFirTable100}) {
        rx::TBaudFir<1> fir;
        double y;
        for (int i = 0; i < 60; ++i)
            fir.Push(&x[i], BaudFirTable75.Count, BaudFirTable75.Taps, &y);
        ASSERT_EQ(fir.WritePosition(), 60);
        const double v = 1000.0;
        fir.Push(&v, next->Count, next->Taps, &y);
        if (next->Count > 60) {
            // Kept: the new value meets the old ones (at positions 59, 58, ...).
            double want = v * next->Taps[0];
            for (int k = 1; k <= 60; ++k)
                want += x[60 - k] * next->Taps[k];
            EXPECT_NEAR(y, want, kRounding);
            EXPECT_EQ(fir.WritePosition(), 61);
        } else {
            // Cleared: the new value is alone in the line, at position 0.
            EXPECT_NEAR(y, v * next->Taps[0], kRounding);
            EXPECT_EQ(fir.WritePosition(), 1);
        }
    }
}

// The final stage written plainly: one line of kMaxTaps values, indexed modulo the present length.
class TPlainBaudFir {
public:
    double Push(double x, int count, const double* taps)
    {
        if (first || pos >= count) {
            for (int i = 0; i < count; ++i)
                line[i] = 0.0;
            pos = 0;
            first = false;
        }
        const int p = pos;
        line[p] = x;
        pos = p + 1 == count ? 0 : p + 1;
        double s = 0.0;
        for (int k = 0; k < count; ++k)
            s += line[((p - k) % count + count) % count] * taps[k];
        return s;
    }

private:
    double line[rx::TBaudFir<1>::kMaxTaps] = {};
    int pos = 0;
    bool first = true;
};

// Tables switched at random moments: values a longer table left beyond a shorter one's end come
// back into use when the longer one returns while the write position fits.
TEST(BaudFir, RandomTableChangesMatchThePlainFilter)
{
    const TBaudFirTable* tables[] = {&BaudFirTable45, &BaudFirTable50, &BaudFirTable75, &BaudFirTable100,
                                     &BaudFirTableStart};
    std::mt19937 rng(17);
    const std::vector<double> x = Noise(6000, 23);
    rx::TBaudFir<1> fir;
    TPlainBaudFir plain;
    const TBaudFirTable* t = &BaudFirTableStart;
    int switches = 0;
    for (int i = 0; i < 6000; ++i) {
        if (rng() % 40 == 0) {
            t = tables[rng() % 5];
            ++switches;
        }
        double y;
        fir.Push(&x[i], t->Count, t->Taps, &y);
        ASSERT_NEAR(y, plain.Push(x[i], t->Count, t->Taps), kRounding) << i;
    }
    EXPECT_GT(switches, 100);
}

// Zero-phase amplitude of a symmetric table at f, relative to its DC gain.
double Relative(const double* taps, int n, double f, double fs)
{
    const int c = (n - 1) / 2;
    double a = 0.0, dc = 0.0;
    for (int k = 0; k < n; ++k) {
        a += taps[k] * std::cos(2.0 * M_PI * f * (k - c) / fs);
        dc += taps[k];
    }
    return std::fabs(a / dc);
}

// The first frequency (0.01 Hz grid) at which the response falls below the level.
double FirstBelow(const double* taps, int n, double fs, double level)
{
    for (double f = 0.0; f < fs / 2; f += 0.01)
        if (Relative(taps, n, f, fs) < level)
            return f;
    return fs / 2;
}

const double kDb3 = std::pow(10.0, -3.0 / 20.0);
const double kDb6 = std::pow(10.0, -6.0 / 20.0);

struct TTableCase {
    const TBaudFirTable* table;
    int count;
    double fs, sum, centre, next1, next2, outer, f3, f6;
};

void PrintTo(const TTableCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.count << " taps at " << c.fs;
}

class BaudFirTables : public ::testing::TestWithParam<TTableCase> {};

TEST_P(BaudFirTables, MeetTheirStatedFigures)
{
    const TTableCase& c = GetParam();
    const double* t = c.table->Taps;
    const int n = c.table->Count;
    ASSERT_EQ(n, c.count);
    ASSERT_EQ(n % 2, 1);
    ASSERT_LE(n, rx::TBaudFir<1>::kMaxTaps);
    double sum = 0.0;
    for (int k = 0; k < n; ++k) {
        EXPECT_EQ(t[k], t[n - 1 - k]) << k;
        sum += t[k];
    }
    EXPECT_NEAR(sum, c.sum, 1e-6);
    const int m = n / 2;
    EXPECT_NEAR(t[m], c.centre, 1e-6);
    EXPECT_NEAR(t[m - 1], c.next1, 1e-6);
    EXPECT_NEAR(t[m - 2], c.next2, 1e-6);
    EXPECT_NEAR(t[0], c.outer, 1e-7);
    EXPECT_NEAR(FirstBelow(t, n, c.fs, kDb3), c.f3, 0.5);
    EXPECT_NEAR(FirstBelow(t, n, c.fs, kDb6), c.f6, 0.5);
    // A low-pass: well down at three times the 6 dB frequency and beyond.
    for (double f = 3.0 * c.f6; f < c.fs / 2; f += 0.5)
        ASSERT_LT(Relative(t, n, f, c.fs), 0.1) << f;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, BaudFirTables,
    ::testing::Values(
        TTableCase{&BaudFirTable45, 53, 918.75, 1.098726, 0.09925, 0.098053, 0.099772, -2.9e-05, 37.1, 50.6},
        TTableCase{&BaudFirTable50, 43, 918.75, 0.999003, 0.108603, 0.108898, 0.115696, -3e-05, 45.5, 61.9},
        TTableCase{&BaudFirTable75, 73, 2756.25, 1.05276, 0.055702, 0.055183, 0.054236, -3.2e-05, 64.2, 87.6},
        TTableCase{&BaudFirTable100, 55, 2756.25, 0.996817, 0.073541, 0.07448, 0.077564, -6e-05, 94.2, 128.2},
        TTableCase{&BaudFirTableStart, 81, 918.75, 1.046493, 0.049183, 0.049807, 0.050751, 2.7e-05, 19.4, 26.4}), morvik::ParamName());

TEST(DecimTables, SymmetricWithTheirSumsAndBandEdges)
{
    struct {
        const double* taps;
        int n;
        double sum, f3, stopFrom, stopDb;
    } cases[] = {{Decim2Taps.data(), 45, 0.98642503602, 0.1977, 0.25, -73.0},
                 {Decim3Taps.data(), 27, 1.00004871046, 0.066, 1.0 / 6.0, -83.0}};
    for (const auto& c : cases) {
        double sum = 0.0;
        for (int k = 0; k < c.n; ++k) {
            EXPECT_EQ(c.taps[k], c.taps[c.n - 1 - k]);
            sum += c.taps[k];
        }
        EXPECT_NEAR(sum, c.sum, 1e-10);
        // Rate 1: the edges are fractions of the input rate.
        double f3 = 0.0;
        while (Relative(c.taps, c.n, f3, 1.0) >= kDb3)
            f3 += 0.0001;
        EXPECT_NEAR(f3, c.f3, 0.0005);
        for (double f = c.stopFrom; f <= 0.5; f += 0.0005)
            ASSERT_LT(20.0 * std::log10(Relative(c.taps, c.n, f, 1.0)), c.stopDb) << f;
    }
}

}  // namespace
