#include "receiver/Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include <unistd.h>

namespace {

struct TSpectrum {
    std::vector<double> re, im;
};

TSpectrum RunFft(const std::vector<std::int16_t>& x)
{
    TSpectrum s{std::vector<double>(x.size()), std::vector<double>(x.size())};
    MixedRadixFft(static_cast<Integer>(x.size()), x.data(), s.re.data(), s.im.data());
    return s;
}

// The direct transform, in long double, as the reference.
TSpectrum NaiveDft(const std::vector<std::int16_t>& x)
{
    const std::size_t n = x.size();
    TSpectrum s{std::vector<double>(n), std::vector<double>(n)};
    const long double pi = std::acos(-1.0L);
    for (std::size_t k = 0; k < n; ++k) {
        long double re = 0, im = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const long double a = -2.0L * pi * static_cast<long double>((j * k) % n) / n;
            re += x[j] * std::cos(a);
            im += x[j] * std::sin(a);
        }
        s.re[k] = static_cast<double>(re);
        s.im[k] = static_cast<double>(im);
    }
    return s;
}

std::vector<int> Passes(int n)
{
    int fact[rx::kFftMaxFactors + 1] = {};
    const int count = rx::FftFactorize(n, fact);
    return std::vector<int>(fact + 1, fact + 1 + count);
}

TEST(FftFactorize, PassOrderOfTheDocumentedLengths)
{
    EXPECT_EQ(Passes(2048), (std::vector<int>{4, 8, 8, 8}));
    EXPECT_EQ(Passes(16), (std::vector<int>{4, 4}));  // 8 * 2 becomes 4 * 4
    EXPECT_EQ(Passes(1000), (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(Passes(154), (std::vector<int>{11, 7, 2}));
    EXPECT_EQ(Passes(1), (std::vector<int>{1}));
    EXPECT_EQ(Passes(2), (std::vector<int>{2}));
    EXPECT_EQ(Passes(32), (std::vector<int>{4, 8}));      // 8, 4: no trailing 2
    EXPECT_EQ(Passes(128), (std::vector<int>{4, 4, 8}));  // 8, 8, 2: the last 8 and the 2 become 4s
    EXPECT_EQ(Passes(7 * 49), (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(Passes(41), (std::vector<int>{41}));
}

// Lengths with every kernel: 2, 3, 4, 5, 8, 10 and the odd primes up to 37, alone and mixed.
class FftAgainstDft : public ::testing::TestWithParam<int> {};

TEST_P(FftAgainstDft, MatchesTheDirectTransformOfNoise)
{
    const int n = GetParam();
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<std::int16_t> x(n);
    for (auto& v : x)
        v = static_cast<std::int16_t>(d(rng));
    const TSpectrum got = RunFft(x), want = NaiveDft(x);
    // Rounding grows with the length and the size of the samples.
    const double tol = 1e-9 * 32768.0 * n;
    for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(got.re[k], want.re[k], tol) << "n=" << n << " k=" << k;
        ASSERT_NEAR(got.im[k], want.im[k], tol) << "n=" << n << " k=" << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, FftAgainstDft,
                         ::testing::Values(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 16, 17, 19, 23, 29, 31, 37,
                                           25, 27, 30, 49, 64, 100, 120, 128, 154, 210, 243, 250, 296, 360,
                                           1000, 1369, 2048),
                         [](const ::testing::TestParamInfo<int>& info) { return "N" + std::to_string(info.param); });

TEST(Fft, ConstantInputGoesToBinZeroOnly)
{
    for (int n : {2048, 1000, 154, 37}) {
        std::vector<std::int16_t> x(n, 1234);
        const TSpectrum s = RunFft(x);
        EXPECT_NEAR(s.re[0], 1234.0 * n, 1e-6 * n);
        EXPECT_NEAR(s.im[0], 0.0, 1e-6 * n);
        for (int k = 1; k < n; ++k) {
            ASSERT_NEAR(s.re[k], 0.0, 1e-7 * 1234 * n) << n << " " << k;
            ASSERT_NEAR(s.im[k], 0.0, 1e-7 * 1234 * n) << n << " " << k;
        }
    }
}

TEST(Fft, UnitImpulseAtOneGivesTheRootsOfUnity)
{
    for (int n : {2048, 1000, 154, 16}) {
        std::vector<std::int16_t> x(n, 0);
        x[1] = 1;
        const TSpectrum s = RunFft(x);
        for (int k = 0; k < n; ++k) {
            const double a = 2.0 * M_PI * k / n;
            ASSERT_NEAR(s.re[k], std::cos(a), 1e-11) << n << " " << k;
            ASSERT_NEAR(s.im[k], -std::sin(a), 1e-11) << n << " " << k;
        }
    }
}

TEST(Fft, FullScaleSineAtABinCentreReadsAboutFourOnTheSpectrumScale)
{
    std::vector<std::int16_t> x(2048);
    const int bin = 300;
    for (int j = 0; j < 2048; ++j)
        x[j] = static_cast<std::int16_t>(std::lround(32767.0 * std::sin(2.0 * M_PI * bin * j / 2048.0)));
    const TSpectrum s = RunFft(x);
    const double scale = 1.0 / 8388608.0;
    const double m = std::hypot(s.re[bin] * scale, s.im[bin] * scale);
    EXPECT_NEAR(m, 4.0, 0.001);
    EXPECT_LT(std::hypot(s.re[bin + 1], s.im[bin + 1]) * scale, 1e-3);
}

TEST(Fft, ZeroOrNegativeLengthLeavesTheOutputAlone)
{
    std::int16_t x[1] = {5};
    double re[1] = {7.0}, im[1] = {8.0};
    MixedRadixFft(0, x, re, im);
    MixedRadixFft(-4, x, re, im);
    EXPECT_EQ(re[0], 7.0);
    EXPECT_EQ(im[0], 8.0);
}

TEST(FftDeathTest, PrimeFactorAbove37EndsTheProcess)
{
    for (int n : {41, 287}) {
        std::vector<std::int16_t> x(n, 1);
        std::vector<double> re(n), im(n);
        // The message goes to standard output; send it where the death test can see it.
        EXPECT_EXIT(
            {
                std::fflush(stdout);
                dup2(STDERR_FILENO, STDOUT_FILENO);
                MixedRadixFft(n, x.data(), re.data(), im.data());
            },
            ::testing::ExitedWithCode(1), "Prime factor of FFT length too large : +41")
            << n;
    }
}

}  // namespace
