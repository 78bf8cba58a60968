#!/usr/bin/env python3
"""Designs the coefficients of the final (baud-rate) low-pass tables of the demodulator.

Each table is fixed by a few figures: its odd length, its sum (the DC gain), its centre tap and the
two taps next to it, its outermost tap, and the frequencies at which it is 3 dB and 6 dB down from
its DC gain. All of these are linear in the taps of a symmetric filter (its zero-phase response
A(f) = h0 + 2 * sum h_k cos(2 pi f k / fs) is real), so they become equality constraints; the
remaining freedom goes to the least-squares fit of a target response (see design()). The
constrained least-squares problem is solved through its KKT equations. The achieved figures are
printed on standard error.

Run:  python3 tools/design_baud_fir.py > receiver/BaudFirTables.inc
Plain Python, no third-party modules.
"""
import math
import sys

SLOW = 918.75   # final-stage rate after 2 x 2 x 3 decimation of 11025
FAST = 2756.25  # after 2 x 2

# name, taps, rate, sum, (centre, next, next), outermost, f3, f6
SPECS = [
    ("BaudFirTable45", 53, SLOW, 1.098726, (0.09925, 0.098053, 0.099772), -2.9e-05, 37.1, 50.6),
    ("BaudFirTable50", 43, SLOW, 0.999003, (0.108603, 0.108898, 0.115696), -3e-05, 45.5, 61.9),
    ("BaudFirTable75", 73, FAST, 1.05276, (0.055702, 0.055183, 0.054236), -3.2e-05, 64.2, 87.6),
    ("BaudFirTable100", 55, FAST, 0.996817, (0.073541, 0.07448, 0.077564), -6e-05, 94.2, 128.2),
    ("BaudFirTableStart", 81, SLOW, 1.046493, (0.049183, 0.049807, 0.050751), 2.7e-05, 19.4, 26.4),
]

DB3 = 10 ** (-3 / 20)
DB6 = 10 ** (-6 / 20)


def basis(k, f, fs):
    return 1.0 if k == 0 else 2.0 * math.cos(2 * math.pi * f * k / fs)


def solve(a, b):
    """Gaussian elimination with partial pivoting; a is n x n, b has n entries."""
    n = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for col in range(n):
        piv = max(range(col, n), key=lambda r: abs(m[r][col]))
        m[col], m[piv] = m[piv], m[col]
        p = m[col][col]
        if p == 0.0:
            raise ArithmeticError("singular system")
        for r in range(col + 1, n):
            fct = m[r][col] / p
            if fct != 0.0:
                for c in range(col, n + 1):
                    m[r][c] -= fct * m[col][c]
    x = [0.0] * n
    for r in range(n - 1, -1, -1):
        x[r] = (m[r][n] - sum(m[r][c] * x[c] for c in range(r + 1, n))) / m[r][r]
    return x


def boxcar(f, m, fs):
    """Amplitude response of an m-sample moving average (m need not be whole), 1 at DC."""
    x = math.pi * f / fs
    return 1.0 if x == 0.0 else math.sin(m * x) / (m * math.sin(x))


def boxcar_length(f3, fs):
    """The moving-average length whose response is 3 dB down at f3."""
    lo, hi = 1.0, fs / f3
    for _ in range(100):
        mid = (lo + hi) / 2
        if boxcar(f3, mid, fs) > DB3:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


def design(taps, fs, total, centre, outer, f3, f6):
    """Returns the full symmetric table.

    The target is the main lobe of a moving average whose 3 dB point is f3 (the matched filter of a
    bit-long pulse family) and nothing beyond its first null; the taps are the least-squares fit of
    that target over 0..fs/2 under the equality constraints."""
    half = (taps - 1) // 2
    n = half + 1  # unknowns u_0 (centre) .. u_half (outermost)
    m = boxcar_length(f3, fs)
    null = fs / m
    steps = 6000
    q = [[0.0] * n for _ in range(n)]
    b = [0.0] * n
    for i in range(steps + 1):
        f = (fs / 2) * i / steps
        target = total * boxcar(f, m, fs) if f < null else 0.0
        w = [basis(k, f, fs) for k in range(n)]
        for j in range(n):
            b[j] += w[j] * target / steps
            for k in range(n):
                q[j][k] += w[j] * w[k] / steps
    rows, rhs = [], []
    for k, v in enumerate(centre):
        rows.append([1.0 if j == k else 0.0 for j in range(n)])
        rhs.append(v)
    rows.append([1.0 if j == half else 0.0 for j in range(n)])
    rhs.append(outer)
    rows.append([basis(j, 0.0, fs) for j in range(n)])
    rhs.append(total)
    rows.append([basis(j, f3, fs) for j in range(n)])
    rhs.append(total * DB3)
    rows.append([basis(j, f6, fs) for j in range(n)])
    rhs.append(total * DB6)
    c = len(rows)
    kkt = [[2 * q[i][j] for j in range(n)] + [rows[r][i] for r in range(c)] for i in range(n)]
    kkt += [rows[r] + [0.0] * c for r in range(c)]
    u = solve(kkt, [2 * v for v in b] + rhs)[:n]  # centre .. outermost
    return u[::-1] + u[1:]


def response(table, f, fs):
    c = (len(table) - 1) // 2
    return abs(sum(t * math.cos(2 * math.pi * f * (k - c) / fs) for k, t in enumerate(table)))


def report(name, table, fs, f3, f6):
    dc = sum(table)
    def first_below(level):
        f = 0.0
        while response(table, f, fs) / dc >= level:
            f += 0.01
        return f
    a3, a6 = first_below(DB3), first_below(DB6)
    stop = max(response(table, f6 * 1.5 + i * 0.25, fs) for i in range(int((fs / 2 - f6 * 1.5) / 0.25)))
    sys.stderr.write("%-18s sum %.6f  3 dB %.2f (%.1f)  6 dB %.2f (%.1f)  stop from 1.5 x f6: %.1f dB\n"
                     % (name, dc, a3, f3, a6, f6, 20 * math.log10(stop / dc)))


def main():
    out = sys.stdout
    out.write("// Generated by tools/design_baud_fir.py; do not edit by hand.\n")
    for name, taps, fs, total, centre, outer, f3, f6 in SPECS:
        table = design(taps, fs, total, centre, outer, f3, f6)
        report(name, table, fs, f3, f6)
        out.write("constexpr double k%sTaps[%d] = {\n" % (name, taps))
        for i in range(0, taps, 4):
            out.write("    " + ", ".join("%.17g" % v for v in table[i:i + 4]) + ",\n")
        out.write("};\n")


if __name__ == "__main__":
    main()
