#include "receiver/Demodulator.h"

#include <cmath>

namespace {

std::array<std::int16_t, 32768> MakeSineTable()
{
    std::array<std::int16_t, 32768> t{};
    for (int i = 0; i < 32768; ++i)
        t[i] = static_cast<std::int16_t>(std::floor(32000.0 * std::sin(i * 6.28318530716 * 3.0517578125e-05) + 0.5));
    return t;
}

constexpr Integer kPhaseMask = 0x7FFF;

}  // namespace

const std::array<std::int16_t, 32768> SineTable = MakeSineTable();

namespace rx {

double TTwoToneDemod::Run(TChainState& st, bool slow, double a, double b, Integer lowerStep, Integer upperStep)
{
    if (NcoResetPending) {
        st.LowerPhase = 0;
        st.UpperPhase = 0;
        NcoResetPending = false;
    }
    // Masking the step too keeps the sum from overflowing whatever the step holds; modulo 32768
    // it is the same phase.
    st.LowerPhase = (st.LowerPhase + (lowerStep & kPhaseMask)) & kPhaseMask;
    st.UpperPhase = (st.UpperPhase + (upperStep & kPhaseMask)) & kPhaseMask;
    const double mixed[4] = {
        SineTable[st.LowerPhase] * b,
        SineTable[st.UpperPhase] * a,
        SineTable[(st.LowerPhase + 8192) & kPhaseMask] * b,
        SineTable[(st.UpperPhase + 8192) & kPhaseMask] * a,
    };
    // The stage counters only ever matter by their parity; keeping just that lets the receiver run
    // for ever without the counters overflowing.
    const double* v = Stage1Fir.Push(mixed);
    st.Stage1 ^= 1;
    if (st.Stage1 == 0)
        return st.DemodOutput;
    v = Stage2Fir.Push(v);
    st.Stage2 ^= 1;
    if (st.Stage2 == 0)
        return st.DemodOutput;
    if (slow) {
        v = Stage3Fir.Push(v);
        if (++st.Stage3 < 3)
            return st.DemodOutput;
        st.Stage3 = 0;
    }
    double y[4];
    Final.Push(v, FinalTable->Count, FinalTable->Taps, y);
    st.DemodOutput = (y[1] * y[1] + y[3] * y[3]) - (y[0] * y[0] + y[2] * y[2]);
    return st.DemodOutput;
}

void TTwoToneDemod::ClearHistory()
{
    const TDemodChain chain = DemodChain;
    const TBaudFirTable* table = FinalTable;
    *this = TTwoToneDemod();
    DemodChain = chain;
    FinalTable = table;
}

double TTwoToneDemod::TwoToneDemodSlow(double a, double b, Integer lowerStep, Integer upperStep)
{
    return Run(Slow, true, a, b, lowerStep, upperStep);
}

double TTwoToneDemod::TwoToneDemodFast(double a, double b, Integer lowerStep, Integer upperStep)
{
    return Run(Fast, false, a, b, lowerStep, upperStep);
}

}  // namespace rx
