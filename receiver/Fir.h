// FIR stages of the demodulator, each a small object with a push-one-value interface. A stage
// runs Lanes channels in lock-step: they share the taps, the write position and the decimation
// phase, and each lane's sum is formed in the same order as a single-channel filter's, so a
// 4-lane stage gives exactly what four single-channel stages would.
#pragma once

namespace rx {

// out[c] = sum over k = 0..len-1, ascending, of line[(p - k) mod len][c] * taps[k].
template <int Lanes>
inline void FirDot(const double (*line)[Lanes], int len, int p, const double* taps, double* out)
{
    double acc[Lanes] = {};
    int k = 0;
    for (int i = p; i >= 0; --i, ++k)
        for (int c = 0; c < Lanes; ++c)
            acc[c] += line[i][c] * taps[k];
    for (int i = len - 1; i > p; --i, ++k)
        for (int c = 0; c < Lanes; ++c)
            acc[c] += line[i][c] * taps[k];
    for (int c = 0; c < Lanes; ++c)
        out[c] = acc[c];
}

// A decimating low-pass stage: every input is stored, every Factor-th call computes a new output,
// the calls between return the output held from the last computation (0.0 before the first).
template <int Taps, int Factor, int Lanes>
class TDecimFir {
public:
    explicit TDecimFir(const double* taps) : TapsTable(taps) {}

    // x: one input per lane; returns the held outputs, one per lane.
    const double* Push(const double* x)
    {
        const int p = Pos;
        for (int c = 0; c < Lanes; ++c)
            Line[p][c] = x[c];
        Pos = p + 1 == Taps ? 0 : p + 1;
        if (++Phase < Factor)
            return Held;
        Phase = 0;
        FirDot<Lanes>(Line, Taps, p, TapsTable, Held);
        return Held;
    }
    // How many calls since the last computed output (0..Factor-1).
    int PhaseCount() const { return Phase; }

private:
    const double* TapsTable;
    double Line[Taps][Lanes] = {};
    int Pos = 0;
    int Phase = 0;
    double Held[Lanes] = {};
};

// The final, non-decimating stage whose table (and length) can change while it runs. The delay
// line is cleared at the first call and whenever the write position lies outside a new table.
template <int Lanes>
class TBaudFir {
public:
    static constexpr int kMaxTaps = 256;

    // taps: count entries, count 1..kMaxTaps. Writes one output per lane to y.
    void Push(const double* x, int count, const double* taps, double* y)
    {
        if (First || Pos >= count) {
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < Lanes; ++c)
                    Line[i][c] = 0.0;
            Pos = 0;
            First = false;
        }
        const int p = Pos;
        for (int c = 0; c < Lanes; ++c)
            Line[p][c] = x[c];
        Pos = p + 1 == count ? 0 : p + 1;
        FirDot<Lanes>(Line, count, p, taps, y);
    }
    int WritePosition() const { return Pos; }

private:
    double Line[kMaxTaps][Lanes] = {};
    int Pos = 0;
    bool First = true;
};

}  // namespace rx
