// Coefficient tables of the demodulator's low-pass stages.
#pragma once

#include <array>

#include "platform/Types.h"

// Half-band stage, decimation by 2 (symmetric, 45 taps).
extern const std::array<double, 45> Decim2Taps;
// Decimation by 3 (symmetric, 27 taps).
extern const std::array<double, 27> Decim3Taps;

// A final low-pass table, matched to one baud rate: Count symmetric taps, odd Count.
struct TBaudFirTable {
    Integer Count;
    const double* Taps;
};

extern const TBaudFirTable BaudFirTable45;
extern const TBaudFirTable BaudFirTable50;
extern const TBaudFirTable BaudFirTable75;
extern const TBaudFirTable BaudFirTable100;
extern const TBaudFirTable BaudFirTableStart;  // until the first speed is applied
