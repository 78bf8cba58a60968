// FIR stages of the demodulator, each a small object with a push-one-value interface. A stage
// runs Lanes channels in lock-step: they share the taps, the write position and the decimation
// phase, so a 4-lane stage gives exactly what four single-channel stages would. Every table the
// demodulator uses is symmetric, which the sums exploit.
#pragma once

namespace rx {

// out[c] = sum over k = 0..len-1 of window[len-1-k][c] * taps[k], for symmetric taps (taps[k] ==
// taps[len-1-k]); window holds the last len inputs, oldest first. Each pair of inputs that share
// a tap is added before the one multiplication, and two partial sums run side by side: the sums
// are otherwise one long chain of dependent additions, which is what bounds the demodulator's speed.
template <int Lanes>
inline void SymmetricFirDot(const double (*window)[Lanes], int len, const double* taps, double* out)
{
    double even[Lanes] = {}, odd[Lanes] = {};
    const int half = len / 2;
    int k = 0;
    for (; k + 1 < half; k += 2) {
        for (int c = 0; c < Lanes; ++c)
            even[c] += (window[len - 1 - k][c] + window[k][c]) * taps[k];
        for (int c = 0; c < Lanes; ++c)
            odd[c] += (window[len - 2 - k][c] + window[k + 1][c]) * taps[k + 1];
    }
    if (k < half)
        for (int c = 0; c < Lanes; ++c)
            even[c] += (window[len - 1 - k][c] + window[k][c]) * taps[k];
    if (len % 2)
        for (int c = 0; c < Lanes; ++c)
            even[c] += window[half][c] * taps[half];
    for (int c = 0; c < Lanes; ++c)
        out[c] = even[c] + odd[c];
}

// A decimating low-pass stage: every input is stored, every Factor-th call computes a new output,
// the calls between return the output held from the last computation (0.0 before the first).
template <int Taps, int Factor, int Lanes>
class TDecimFir {
public:
    // taps: Taps symmetric coefficients.
    explicit TDecimFir(const double* taps) : TapsTable(taps) {}

    // x: one input per lane; returns the held outputs, one per lane.
    const double* Push(const double* x)
    {
        // Each input is written twice, Taps apart, so the last Taps inputs always stand in one
        // run, Line[Pos + 1 .. Pos + Taps], oldest first.
        const int p = Pos;
        for (int c = 0; c < Lanes; ++c)
            Line[p][c] = Line[p + Taps][c] = x[c];
        Pos = p + 1 == Taps ? 0 : p + 1;
        if (++Phase < Factor)
            return Held;
        Phase = 0;
        SymmetricFirDot<Lanes>(Line + p + 1, Taps, TapsTable, Held);
        return Held;
    }
    // How many calls since the last computed output (0..Factor-1).
    int PhaseCount() const { return Phase; }

private:
    const double* TapsTable;
    double Line[2 * Taps][Lanes] = {};
    int Pos = 0;
    int Phase = 0;
    double Held[Lanes] = {};
};

// The final, non-decimating stage whose table (and length) can change while it runs. The delay
// line is cleared at the first call and whenever the write position lies outside a new table;
// otherwise the new table meets the values the line held.
template <int Lanes>
class TBaudFir {
public:
    static constexpr int kMaxTaps = 256;

    // taps: count symmetric entries, count 1..kMaxTaps. Writes one output per lane to y.
    void Push(const double* x, int count, const double* taps, double* y)
    {
        if (First || Pos >= count) {
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < Lanes; ++c)
                    Line[i][c] = 0.0;
            Pos = 0;
            First = false;
            WindowCount = 0;
        }
        if (count != WindowCount) {
            // Line[0 .. count-1] is the delay line proper; Window holds it twice over, so that
            // the last count inputs stand in one run. A new length lays the copies out afresh.
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < Lanes; ++c)
                    Window[i][c] = Window[i + count][c] = Line[i][c];
            WindowCount = count;
        }
        const int p = Pos;
        for (int c = 0; c < Lanes; ++c)
            Line[p][c] = Window[p][c] = Window[p + count][c] = x[c];
        Pos = p + 1 == count ? 0 : p + 1;
        SymmetricFirDot<Lanes>(Window + p + 1, count, taps, y);
    }
    int WritePosition() const { return Pos; }

private:
    double Line[kMaxTaps][Lanes] = {};
    double Window[2 * kMaxTaps][Lanes] = {};
    int Pos = 0;
    int WindowCount = 0;
    bool First = true;
};

}  // namespace rx
