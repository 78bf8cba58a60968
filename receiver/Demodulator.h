// The two-tone demodulator: two oscillators mix the signal down to zero frequency in quadrature,
// decimating low-pass stages narrow the four channels, a final low-pass matched to the baud rate
// smooths them, and the output is the upper tone's energy minus the lower tone's.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Types.h"
#include "receiver/Fir.h"
#include "receiver/FirTables.h"

// One period of a sine of amplitude 32000 over 32768 phase values; a quarter period on is the cosine.
extern const std::array<std::int16_t, 32768> SineTable;

namespace rx {

enum class TDemodChain {
    Slow,  // decimation 2 x 2 x 3, for 45 and 50 Bd
    Fast,  // decimation 2 x 2, for 75 and 100 Bd
};

class TTwoToneDemod {
public:
    // Phases, decimation counters and held output of one chain.
    struct TChainState {
        Integer LowerPhase = 0;
        Integer UpperPhase = 0;
        Integer Stage1 = 0;  // parity of the calls of stage 1 (and of stage 2)
        Integer Stage2 = 0;
        Integer Stage3 = 0;  // slow chain only
        double DemodOutput = 0.0;
    };

    // The chain that runs, the final table it uses, and whether the next chain call starts its
    // oscillators from phase 0. The speed setter chooses all three.
    TDemodChain DemodChain = TDemodChain::Slow;
    const TBaudFirTable* FinalTable = &BaudFirTableStart;
    bool NcoResetPending = true;

    // One input value through the active chain. a multiplies the upper-tone oscillator, b the
    // lower-tone one; the steps are the per-sample phase increments. Returns the held output.
    double Step(double a, double b, Integer lowerStep, Integer upperStep)
    {
        return DemodChain == TDemodChain::Fast ? TwoToneDemodFast(a, b, lowerStep, upperStep)
                                               : TwoToneDemodSlow(a, b, lowerStep, upperStep);
    }
    double TwoToneDemodSlow(double a, double b, Integer lowerStep, Integer upperStep);
    double TwoToneDemodFast(double a, double b, Integer lowerStep, Integer upperStep);

    // Empties the delay lines and the held outputs of both chains, and starts the oscillators from
    // phase 0; the chain and the final table stay as chosen.
    void ClearHistory();

    const TChainState& SlowState() const { return Slow; }
    const TChainState& FastState() const { return Fast; }
    int FinalWritePosition() const { return Final.WritePosition(); }

private:
    // Lanes of every stage: lower sine, upper sine, lower cosine, upper cosine. Both chains share
    // the stages, so switching chains keeps the delay lines.
    using TDecim2 = TDecimFir<45, 2, 4>;
    using TDecim3 = TDecimFir<27, 3, 4>;

    double Run(TChainState& st, bool slow, double a, double b, Integer lowerStep, Integer upperStep);

    TChainState Slow;
    TChainState Fast;
    TDecim2 Stage1Fir{Decim2Taps.data()};
    TDecim2 Stage2Fir{Decim2Taps.data()};
    TDecim3 Stage3Fir{Decim3Taps.data()};
    TBaudFir<4> Final;
};

}  // namespace rx
