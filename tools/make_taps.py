#!/usr/bin/env python3
"""Designs the 4x true-peak interpolator and writes meter/interpolation_taps.cpp.

The filter runs at four times the input rate fs. Wanted: linear phase (364 symmetric taps),
flat within 0.01 dB up to 0.45 fs, at least 80 dB down from 0.5 fs to 2 fs, taps summing to
0.99945, and eight taps given outright: the first four (and so the last four) and the four
in the middle. Design: weighted least squares on a dense frequency grid over the other
taps, with their sum held exactly, then Lawson passes that re-weight the grid towards
equiripple, so the worst ripple rather than the average sets the flatness and the
attenuation. Plain Python, deterministic: running it again gives the same file byte for
byte.

    python3 tools/make_taps.py [--check] [output.cpp]
"""
import math
import struct
import sys

TAPS = 364
HALF = TAPS // 2
FLAT_EDGE = 0.45 / 4.0   # cycles per sample at the 4x rate: the promise
PASS_EDGE = FLAT_EDGE
STOP_EDGE = 0.50 / 4.0
TAP_SUM = 0.99945
PASS_TARGET = 0.9998
PASS_WEIGHT = 1.0
STOP_WEIGHT = 10.0
LAWSON_PASSES = 16
GRID = 2048
# Taps given outright, by index (their mirrors 363 - i follow).
GIVEN = {0: 7.9614460e-05, 1: 6.7462978e-05, 2: 6.3551626e-05, 3: 3.4198922e-05,
         180: 0.19078958, 181: 0.23179640}


def solve(matrix, rhs):
    """Gaussian elimination with partial pivoting (the system is small and symmetric)."""
    n = len(rhs)
    m = [row[:] + [rhs[i]] for i, row in enumerate(matrix)]
    for col in range(n):
        pivot = max(range(col, n), key=lambda r: abs(m[r][col]))
        m[col], m[pivot] = m[pivot], m[col]
        p = m[col][col]
        for r in range(col + 1, n):
            f = m[r][col] / p
            if f != 0.0:
                row, top = m[r], m[col]
                for c in range(col, n + 1):
                    row[c] -= f * top[c]
    x = [0.0] * n
    for r in range(n - 1, -1, -1):
        s = m[r][n] - sum(m[r][c] * x[c] for c in range(r + 1, n))
        x[r] = s / m[r][r]
    return x


def amplitude(a, w):
    """Zero-phase response of the half-coefficients a at w (radians per 4x sample)."""
    return sum(ak * math.cos(w * (k + 0.5)) for k, ak in enumerate(a))


def half_index(tap):
    """Index into the half-coefficients of a tap: taps = reversed(half) + half."""
    return HALF - 1 - tap if tap < HALF else tap - HALF


def design():
    """Least squares on a dense grid over the free half-coefficients, their sum held by a
    Lagrange multiplier, re-weighted by Lawson's rule towards equiripple. Works on tap
    values (amplitude = 2 x sum of half[k] cos(w (k + 1/2)))."""
    wp = 2.0 * math.pi * PASS_EDGE
    ws = 2.0 * math.pi * STOP_EDGE
    npass = GRID // 4
    nstop = GRID - npass
    grid = [wp * i / (npass - 1) for i in range(npass)]
    grid += [ws + (math.pi - ws) * i / (nstop - 1) for i in range(nstop)]
    wanted = [PASS_TARGET] * npass + [0.0] * nstop
    base = [PASS_WEIGHT] * npass + [STOP_WEIGHT] * nstop
    fixed = {half_index(t): v for t, v in GIVEN.items()}
    free = [k for k in range(HALF) if k not in fixed]
    # What the given taps contribute at each grid point, and what the free ones must sum to.
    fixed_part = [2.0 * sum(v * math.cos(w * (k + 0.5)) for k, v in fixed.items()) for w in grid]
    free_sum = TAP_SUM / 2.0 - sum(fixed.values())
    lawson = [1.0 / GRID] * GRID

    half = None
    for _ in range(LAWSON_PASSES):
        wgt = [base[i] * base[i] * lawson[i] for i in range(GRID)]
        # sum_i wgt cos(w (k + 1/2)) cos(w (l + 1/2)) = (T(k - l) + T(k + l + 1)) / 2
        t = [sum(wg * math.cos(w * m) for wg, w in zip(wgt, grid)) for m in range(2 * HALF + 1)]
        n = len(free)
        q = [[4.0 * 0.5 * (t[abs(k - l)] + t[k + l + 1]) for l in free] + [1.0] for k in free]
        q.append([1.0] * n + [0.0])
        rhs = [2.0 * sum(wg * (wanted[i] - fixed_part[i]) * math.cos(grid[i] * (k + 0.5))
                         for i, wg in enumerate(wgt)) for k in free]
        rhs.append(free_sum)
        x = solve(q, rhs)
        half = [0.0] * HALF
        for k, v in fixed.items():
            half[k] = v
        for j, k in enumerate(free):
            half[k] = x[j]
        errors = [base[i] * abs(2.0 * sum(h * math.cos(w * (k + 0.5)) for k, h in enumerate(half))
                                - wanted[i])
                  for i, w in enumerate(grid)]
        lawson = [lw * e for lw, e in zip(lawson, errors)]
        scale = sum(lawson)
        lawson = [lw / scale for lw in lawson]
    return half


def to_float(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def taps_from(half):
    taps = list(reversed(half)) + half
    return [to_float(t) for t in taps]


def report(taps):
    def response_db(f):
        w = 2.0 * math.pi * f
        re = sum(t * math.cos(w * n) for n, t in enumerate(taps))
        im = sum(t * math.sin(w * n) for n, t in enumerate(taps))
        return 10.0 * math.log10(max(re * re + im * im, 1e-300))

    flat = [response_db(FLAT_EDGE * i / 200) for i in range(201)]
    stop = [response_db(STOP_EDGE + (0.5 - STOP_EDGE) * i / 1500) for i in range(1501)]
    f3 = None
    for i in range(400):
        f = FLAT_EDGE + (STOP_EDGE - FLAT_EDGE) * i / 399
        if response_db(f) < -3.0103:
            f3 = f * 4
            break
    print("sum %.8f" % sum(taps), file=sys.stderr)
    print("passband %.5f .. %.5f dB" % (min(flat), max(flat)), file=sys.stderr)
    print("stopband worst %.2f dB" % max(stop), file=sys.stderr)
    print("-3 dB at %.4f fs" % f3, file=sys.stderr)
    print("first taps %s" % ["%.7e" % t for t in taps[:4]], file=sys.stderr)
    print("middle taps %s" % ["%.8f" % t for t in taps[180:184]], file=sys.stderr)


def literal(t):
    text = "%.9g" % t
    if "e" not in text and "." not in text:
        text += ".0"
    return text + "f,"


def write(taps, path):
    lines = [
        "// Generated by tools/make_taps.py: do not edit, run the script again.",
        "// 4x interpolation low-pass, linear phase: tap i equals tap 363 - i.",
        '#include "meter/interpolation_taps.h"',
        "",
        "namespace melp::meter {",
        "",
        "alignas(32) const float interpolationTaps[kInterpolationTapCount] = {",
    ]
    for i in range(0, TAPS, 4):
        lines.append("    " + " ".join(literal(t) for t in taps[i:i + 4]))
    lines += ["};", "", "}  // namespace melp::meter", ""]
    with open(path, "w") as out:
        out.write("\n".join(lines))


def main(argv):
    check = "--check" in argv
    paths = [a for a in argv if not a.startswith("--")]
    taps = taps_from(design())
    report(taps)
    if not check:
        write(taps, paths[0] if paths else "meter/interpolation_taps.cpp")


if __name__ == "__main__":
    main(sys.argv[1:])
