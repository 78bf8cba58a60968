#include "receiver/FirTables.h"

#include <cstddef>

namespace {

constexpr double kDecim2Half[23] = {
    0.00041063658, 0.00040020444, -0.0014690721, -0.0046244896, -0.0048873265, 0.00057075169,
    0.0064849067,  0.0034999371,  -0.0072838126, -0.010484073,  0.0032609865,  0.017545124,
    0.0073308048,  -0.02042501,   -0.024496589,  0.013398095,   0.045762697,   0.010940839,
    -0.066633815,  -0.069373038,  0.081944411,   0.30510648,    0.41246774};

constexpr double kDecim3Half[14] = {
    -0.00028892587, -0.0012431135, -0.0033184787, -0.0065777314, -0.010172455,
    -0.011982908,   -0.0087991708, 0.0027573615,  0.024743232,   0.05640933,
    0.09349033,     0.12882953,    0.15434156,    0.16367159};

template <std::size_t N, std::size_t H>
constexpr std::array<double, N> Mirror(const double (&half)[H])
{
    static_assert(N == 2 * H - 1);
    std::array<double, N> t{};
    for (std::size_t k = 0; k < H; ++k) {
        t[k] = half[k];
        t[N - 1 - k] = half[k];
    }
    return t;
}

// The final tables are designed here, not copied: tools/design_baud_fir.py fits each to its length,
// sum, centre taps, outermost tap and 3 dB / 6 dB frequencies, and writes this file.
#include "receiver/BaudFirTables.inc"

}  // namespace

const std::array<double, 45> Decim2Taps = Mirror<45>(kDecim2Half);
const std::array<double, 27> Decim3Taps = Mirror<27>(kDecim3Half);

const TBaudFirTable BaudFirTable45 = {53, kBaudFirTable45Taps};
const TBaudFirTable BaudFirTable50 = {43, kBaudFirTable50Taps};
const TBaudFirTable BaudFirTable75 = {73, kBaudFirTable75Taps};
const TBaudFirTable BaudFirTable100 = {55, kBaudFirTable100Taps};
const TBaudFirTable BaudFirTableStart = {81, kBaudFirTableStartTaps};
