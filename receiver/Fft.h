// Mixed-radix, decimation-in-time FFT for any length whose prime factors other than 2, 3 and 5 do
// not exceed 37. Knows nothing of the receiver.
#pragma once

#include <cstdint>

#include "platform/Types.h"

// yRe/yIm[k] = sum over j of x[j] * exp(-2 pi i j k / n), unscaled, in natural order. A length below
// 1 does nothing; a length with a prime factor above 37 prints a message and ends the process
// with exit code 1. Re-entrant: all working state is local to the call.
void MixedRadixFft(Integer n, const std::int16_t* x, double* yRe, double* yIm);

namespace rx {

// The radices of the passes in the order they run, written to fact[1..nFact]; returns nFact.
// fact needs room for kFftMaxFactors entries.
constexpr int kFftMaxFactors = 33;
int FftFactorize(int n, int* fact);

}  // namespace rx
