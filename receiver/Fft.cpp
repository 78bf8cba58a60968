#include "receiver/Fft.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMaxRadix = 37;
constexpr int kMaxFactors = rx::kFftMaxFactors;

constexpr double c3_1 = -1.5, c3_2 = 0.86602540378444;
constexpr double c5_1 = -1.25, c5_2 = 0.55901699437495, c5_3 = -0.95105651629515,
                 c5_4 = -1.5388417685876, c5_5 = 0.36327126400268;
constexpr double c8 = 0.70710678118655;

struct TPlan {
    int nFact = 0;
    int fact[kMaxFactors + 1] = {};
    int sofar[kMaxFactors + 1] = {};
    int remain[kMaxFactors + 2] = {};
};

struct TPass {
    double zr[kMaxRadix], zi[kMaxRadix];      // gathered inputs
    double twr[kMaxRadix], twi[kMaxRadix];    // twiddles of the current data index
    double trr[kMaxRadix], tri[kMaxRadix];    // roots of unity of the current radix
    double outr[kMaxRadix], outi[kMaxRadix];  // scratch of the odd-radix kernel
};

void FftRadix2(double* zr, double* zi)
{
    const double r = zr[0] - zr[1], i = zi[0] - zi[1];
    zr[0] += zr[1];
    zi[0] += zi[1];
    zr[1] = r;
    zi[1] = i;
}

void FftRadix3(double* zr, double* zi)
{
    const double tr = zr[1] + zr[2], ti = zi[1] + zi[2];
    zr[0] += tr;
    zi[0] += ti;
    const double m1r = c3_1 * tr, m1i = c3_1 * ti;
    const double m2r = c3_2 * (zi[1] - zi[2]), m2i = c3_2 * (zr[2] - zr[1]);
    const double sr = zr[0] + m1r, si = zi[0] + m1i;
    zr[1] = sr + m2r;
    zi[1] = si + m2i;
    zr[2] = sr - m2r;
    zi[2] = si - m2i;
}

// In place on four values taken with a stride, so that the radix-8 kernel can reuse it.
void FftRadix4(double* zr, double* zi, int stride)
{
    double& r0 = zr[0];
    double& i0 = zi[0];
    double& r1 = zr[stride];
    double& i1 = zi[stride];
    double& r2 = zr[2 * stride];
    double& i2 = zi[2 * stride];
    double& r3 = zr[3 * stride];
    double& i3 = zi[3 * stride];
    const double t1r = r0 + r2, t1i = i0 + i2;
    const double t2r = r1 + r3, t2i = i1 + i3;
    const double m2r = r0 - r2, m2i = i0 - i2;
    const double m3r = i1 - i3, m3i = r3 - r1;
    r0 = t1r + t2r;
    i0 = t1i + t2i;
    r2 = t1r - t2r;
    i2 = t1i - t2i;
    r1 = m2r + m3r;
    i1 = m2i + m3i;
    r3 = m2r - m3r;
    i3 = m2i - m3i;
}

// z0..z4 given as five separate positions so that the radix-10 kernel can pick its inputs.
void FftRadix5(double* zr, double* zi, const int* at)
{
    double& r0 = zr[at[0]];
    double& i0 = zi[at[0]];
    double& r1 = zr[at[1]];
    double& i1 = zi[at[1]];
    double& r2 = zr[at[2]];
    double& i2 = zi[at[2]];
    double& r3 = zr[at[3]];
    double& i3 = zi[at[3]];
    double& r4 = zr[at[4]];
    double& i4 = zi[at[4]];
    const double t1r = r1 + r4, t1i = i1 + i4;
    const double t2r = r2 + r3, t2i = i2 + i3;
    const double t3r = r1 - r4, t3i = i1 - i4;
    const double t4r = r3 - r2, t4i = i3 - i2;
    const double t5r = t1r + t2r, t5i = t1i + t2i;
    r0 += t5r;
    i0 += t5i;
    const double m1r = c5_1 * t5r, m1i = c5_1 * t5i;
    const double m2r = c5_2 * (t1r - t2r), m2i = c5_2 * (t1i - t2i);
    const double m3r = -c5_3 * (t3i + t4i), m3i = c5_3 * (t3r + t4r);
    const double m4r = -c5_4 * t4i, m4i = c5_4 * t4r;
    const double m5r = -c5_5 * t3i, m5i = c5_5 * t3r;
    const double s3r = m3r - m4r, s3i = m3i - m4i;
    const double s5r = m3r + m5r, s5i = m3i + m5i;
    const double s1r = r0 + m1r, s1i = i0 + m1i;
    const double s2r = s1r + m2r, s2i = s1i + m2i;
    const double s4r = s1r - m2r, s4i = s1i - m2i;
    r1 = s2r + s3r;
    i1 = s2i + s3i;
    r2 = s4r + s5r;
    i2 = s4i + s5i;
    r3 = s4r - s5r;
    i3 = s4i - s5i;
    r4 = s2r - s3r;
    i4 = s2i - s3i;
}

void FftRadix8(double* zr, double* zi)
{
    // Even inputs land in a0..a3 at positions 0, 2, 4, 6; odd ones in b0..b3 at 1, 3, 5, 7.
    FftRadix4(zr, zi, 2);
    FftRadix4(zr + 1, zi + 1, 2);
    double br, bi;
    br = zr[3];
    bi = zi[3];
    zr[3] = c8 * (br + bi);
    zi[3] = c8 * (bi - br);
    br = zr[5];
    bi = zi[5];
    zr[5] = bi;
    zi[5] = -br;
    br = zr[7];
    bi = zi[7];
    zr[7] = c8 * (bi - br);
    zi[7] = -c8 * (br + bi);
    double ar[4], ai[4], bR[4], bI[4];
    for (int k = 0; k < 4; ++k) {
        ar[k] = zr[2 * k];
        ai[k] = zi[2 * k];
        bR[k] = zr[2 * k + 1];
        bI[k] = zi[2 * k + 1];
    }
    for (int k = 0; k < 4; ++k) {
        zr[k] = ar[k] + bR[k];
        zi[k] = ai[k] + bI[k];
        zr[k + 4] = ar[k] - bR[k];
        zi[k + 4] = ai[k] - bI[k];
    }
}

void FftRadix10(double* zr, double* zi)
{
    static constexpr int kA[5] = {0, 2, 4, 6, 8};
    static constexpr int kB[5] = {5, 7, 9, 1, 3};
    FftRadix5(zr, zi, kA);
    FftRadix5(zr, zi, kB);
    double ar[5], ai[5], br[5], bi[5];
    for (int k = 0; k < 5; ++k) {
        ar[k] = zr[kA[k]];
        ai[k] = zi[kA[k]];
        br[k] = zr[kB[k]];
        bi[k] = zi[kB[k]];
    }
    // Output position of a_k + b_k and of a_k - b_k.
    static constexpr int kPlus[5] = {0, 6, 2, 8, 4};
    static constexpr int kMinus[5] = {5, 1, 7, 3, 9};
    for (int k = 0; k < 5; ++k) {
        zr[kPlus[k]] = ar[k] + br[k];
        zi[kPlus[k]] = ai[k] + bi[k];
        zr[kMinus[k]] = ar[k] - br[k];
        zi[kMinus[k]] = ai[k] - bi[k];
    }
}

// Any other radix, meant for the odd primes 7..37 (and 1).
void FftRadixOdd(TPass& w, int r)
{
    double* zr = w.zr;
    double* zi = w.zi;
    const int h = (r + 1) / 2;
    double vr[kMaxRadix], vi[kMaxRadix], wr[kMaxRadix], wi[kMaxRadix];
    for (int j = 1; j < h; ++j) {
        vr[j] = zr[j] + zr[r - j];
        vi[j] = zi[j] - zi[r - j];
        wr[j] = zr[j] - zr[r - j];
        wi[j] = zi[j] + zi[r - j];
    }
    for (int j = 1; j < h; ++j) {
        double ajr = zr[0], aji = zi[0];  // z_j'
        double bjr = zr[0], bji = zi[0];  // z_(r-j)'
        int k = 0;
        for (int i = 1; i < h; ++i) {
            k += j;
            if (k >= r)
                k -= r;
            const double cr = w.trr[k], ci = w.tri[k];
            bjr += cr * vr[i] + ci * vi[i];
            bji += cr * wi[i] - ci * wr[i];
            ajr += cr * vr[i] - ci * vi[i];
            aji += cr * wi[i] + ci * wr[i];
        }
        w.outr[j] = ajr;
        w.outi[j] = aji;
        w.outr[r - j] = bjr;
        w.outi[r - j] = bji;
    }
    double sr = zr[0], si = zi[0];
    for (int j = 1; j < h; ++j) {
        sr += vr[j];
        si += wi[j];
    }
    for (int j = 1; j < r; ++j) {
        zr[j] = w.outr[j];
        zi[j] = w.outi[j];
    }
    zr[0] = sr;
    zi[0] = si;
}

void FftSetupTables(int n, TPlan& plan)
{
    plan.nFact = rx::FftFactorize(n, plan.fact);
    for (int p = 1; p <= plan.nFact; ++p) {
        if (plan.fact[p] > kMaxRadix) {
            std::printf("\nPrime factor of FFT length too large : %6d", plan.fact[p]);
            std::exit(1);
        }
    }
    plan.remain[0] = n;
    plan.sofar[1] = 1;
    plan.remain[1] = n / plan.fact[1];
    for (int p = 2; p <= plan.nFact; ++p) {
        plan.sofar[p] = plan.sofar[p - 1] * plan.fact[p - 1];
        plan.remain[p] = plan.remain[p - 1] / plan.fact[p];
    }
}

// Mixed-radix digit reversal of the input into the output arrays.
void FftPermuteInput(int n, const TPlan& plan, const std::int16_t* x, double* yRe, double* yIm)
{
    int count[kMaxFactors + 2] = {};
    int k = 0;
    for (int i = 0; i <= n - 2; ++i) {
        yRe[i] = x[k];
        yIm[i] = 0.0;
        k += plan.remain[1];
        count[1] += 1;
        int j = 1;
        while (count[j] >= plan.fact[j]) {
            count[j] = 0;
            k = k - plan.remain[j - 1] + plan.remain[j + 1];
            ++j;
            count[j] += 1;
        }
    }
    yRe[n - 1] = x[n - 1];
    yIm[n - 1] = 0.0;
}

void FftInitTrig(TPass& w, int r, double pi)
{
    const double a = 2.0 * pi / r;
    w.trr[0] = 1.0;
    w.tri[0] = 0.0;
    w.trr[1] = std::cos(a);
    w.tri[1] = -std::sin(a);
    for (int m = 2; m < r; ++m) {
        w.trr[m] = w.trr[m - 1] * w.trr[1] - w.tri[m - 1] * w.tri[1];
        w.tri[m] = w.trr[m - 1] * w.tri[1] + w.tri[m - 1] * w.trr[1];
    }
}

// The groups of one data index d: gather r values s apart (twiddled unless this is the first data
// index or the first pass), transform them, scatter them back. R is the radix when a kernel of its
// own exists, so that the gathered values can live in registers; 0 means the odd-radix kernel.
template <int R>
void FftGroups(TPass& w, int r, int d, int s, int q, bool twiddle, double* yRe, double* yIm)
{
    constexpr int kSize = R > 0 ? R : kMaxRadix;
    double zrLocal[kSize], ziLocal[kSize];
    double* zr = R > 0 ? zrLocal : w.zr;
    double* zi = R > 0 ? ziLocal : w.zi;
    const int radix = R > 0 ? R : r;
    for (int g = 0; g < q; ++g) {
        const int a = d + g * s * radix;
        zr[0] = yRe[a];
        zi[0] = yIm[a];
        if (twiddle) {
            for (int m = 1; m < radix; ++m) {
                const double xr = yRe[a + m * s], xi = yIm[a + m * s];
                zr[m] = xr * w.twr[m] - xi * w.twi[m];
                zi[m] = xr * w.twi[m] + xi * w.twr[m];
            }
        } else {
            for (int m = 1; m < radix; ++m) {
                zr[m] = yRe[a + m * s];
                zi[m] = yIm[a + m * s];
            }
        }
        if constexpr (R == 2) {
            FftRadix2(zr, zi);
        } else if constexpr (R == 3) {
            FftRadix3(zr, zi);
        } else if constexpr (R == 4) {
            FftRadix4(zr, zi, 1);
        } else if constexpr (R == 5) {
            static constexpr int kAt[5] = {0, 1, 2, 3, 4};
            FftRadix5(zr, zi, kAt);
        } else if constexpr (R == 8) {
            FftRadix8(zr, zi);
        } else if constexpr (R == 10) {
            FftRadix10(zr, zi);
        } else {
            FftRadixOdd(w, r);
        }
        for (int m = 0; m < radix; ++m) {
            yRe[a + m * s] = zr[m];
            yIm[a + m * s] = zi[m];
        }
    }
}

void FftTransformCore(TPass& w, int s, int r, int q, double pi, double* yRe, double* yIm)
{
    FftInitTrig(w, r, pi);
    const double omega = 2.0 * pi / (static_cast<double>(s) * r);
    const double stepr = std::cos(omega), stepi = -std::sin(omega);
    double twr = 1.0, twi = 0.0;
    for (int d = 0; d < s; ++d) {
        if (s > 1) {
            w.twr[0] = 1.0;
            w.twi[0] = 0.0;
            w.twr[1] = twr;
            w.twi[1] = twi;
            for (int m = 2; m < r; ++m) {
                w.twr[m] = twr * w.twr[m - 1] - twi * w.twi[m - 1];
                w.twi[m] = twr * w.twi[m - 1] + twi * w.twr[m - 1];
            }
            const double t = twr * stepr - twi * stepi;
            twi = twr * stepi + twi * stepr;
            twr = t;
        }
        const bool twiddle = s > 1 && d > 0;
        switch (r) {
        case 2: FftGroups<2>(w, r, d, s, q, twiddle, yRe, yIm); break;
        case 3: FftGroups<3>(w, r, d, s, q, twiddle, yRe, yIm); break;
        case 4: FftGroups<4>(w, r, d, s, q, twiddle, yRe, yIm); break;
        case 5: FftGroups<5>(w, r, d, s, q, twiddle, yRe, yIm); break;
        case 8: FftGroups<8>(w, r, d, s, q, twiddle, yRe, yIm); break;
        case 10: FftGroups<10>(w, r, d, s, q, twiddle, yRe, yIm); break;
        default: FftGroups<0>(w, r, d, s, q, twiddle, yRe, yIm); break;
        }
    }
}

}  // namespace

namespace rx {

int FftFactorize(int n, int* fact)
{
    int list[kMaxFactors];
    int count = 0;
    static constexpr int kRadices[6] = {10, 8, 5, 4, 3, 2};
    int m = n;
    for (int i = 0; m > 1 && i < 6;) {
        if (m % kRadices[i] == 0) {
            m /= kRadices[i];
            list[count++] = kRadices[i];
        } else {
            ++i;
        }
    }
    if (count == 0 && m <= 1)
        list[count++] = 1;
    if (count > 0 && list[count - 1] == 2) {
        for (int i = count - 2; i >= 0; --i) {
            if (list[i] == 8) {
                list[i] = 4;
                list[count - 1] = 4;
                break;
            }
        }
    }
    if (m > 1) {
        for (int k = 2; k < std::sqrt(static_cast<double>(m)) + 1; ++k) {
            while (m % k == 0) {
                m /= k;
                list[count++] = k;
            }
        }
        if (m > 1)
            list[count++] = m;
    }
    for (int i = 0; i < count; ++i)
        fact[i + 1] = list[count - 1 - i];
    return count;
}

}  // namespace rx

void MixedRadixFft(Integer n, const std::int16_t* x, double* yRe, double* yIm)
{
    if (n < 1)
        return;
    const double pi = 4.0 * std::atan(1.0);
    TPlan plan;
    FftSetupTables(n, plan);
    FftPermuteInput(n, plan, x, yRe, yIm);
    TPass work;
    for (int p = 1; p <= plan.nFact; ++p)
        FftTransformCore(work, plan.sofar[p], plan.fact[p], plan.remain[p], pi, yRe, yIm);
}
