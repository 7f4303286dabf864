"""Reference numbers for tests/analysis/strong_electrolyte_gen_answers_test.cpp.

Reads tests/data/expected/strong_electrolyte_gen/12345_67890.csv and works
the sheet with numpy alone (not run by the tests): t+ = 1/slope of time
against VCF/1000I through the origin; Lambda = 1000/(rho c); intercepts of
(Lambda + 60.2 sqrt(c))/(1 - 0.229 sqrt(c)) and of
(tc Lambda + 30.1 sqrt(c))/(1 - 0.229 sqrt(c)) against c; the anion the
mean of the three, the cations by difference.

Then the routes and null answers: t+ from a line with an intercept, from the
mean of (VCF/1000I)/time after the first row, from the last row; the
solvent's conductance 1.2e-6 subtracted from 1/rho; Lambda0 by a quadratic
in sqrt(c); t- carried to c = 0 on a line in sqrt(c), times Lambda0; the
anion from AX alone; and the null answers, the first row's Lambda, tc Lambda
and (1 - tc) Lambda, not extrapolated.

    python3 tests/data/answers/strong_electrolyte_gen.py [DATASET.csv]
"""
import pathlib
import sys

import numpy as np

ALPHA, BETA = 0.229, 60.2
HERE = pathlib.Path(__file__).resolve().parent
PATH = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else HERE.parent / "expected" / "strong_electrolyte_gen" / "12345_67890.csv"


def rows_after(lines, i, cols):
    out = []
    for l in lines[i + 1:]:
        try:
            out.append([float(l[k]) for k in cols])
        except (ValueError, IndexError):
            break
    return np.array(out)


def line(x, y):
    X = np.column_stack([np.ones_like(x), x])
    coef, *_ = np.linalg.lstsq(X, y, rcond=None)
    r = y - X @ coef
    cov = (r @ r / (len(y) - 2)) * np.linalg.inv(X.T @ X)
    return coef[0], np.sqrt(cov[0, 0])


lines = [l.split(",") for l in PATH.read_text().splitlines()]
heads = [i for i, l in enumerate(lines) if l[0].strip() == "dist(cm)"]
for name, h in zip(("AX", "BX"), heads):
    d = rows_after(lines, h, (0, 1, 2))
    t, v = d[:, 1], d[:, 2]
    slope = (v @ t) / (v @ v)
    se = np.sqrt(((t - slope * v) @ (t - slope * v)) / (len(t) - 1) / (v @ v))
    print(f"t+({name}) {1 / slope:.10g} +- {se / slope**2:.6g}")
    print(f"   routes: intercept {1 / np.polyfit(v, t, 1)[0]:.10g}  ratio mean {np.mean(v[1:] / t[1:]):.10g}  "
          f"last row {v[-1] / t[-1]:.10g}")

l0c, l0x = {}, []
for name in ("AX", "BX", "CX"):
    i = next(k for k, l in enumerate(lines) if l[0].strip() == name)
    d = rows_after(lines, i, (0, 1, 4))
    c, rho, tm = d.T
    lam = 1000 / rho / c
    s = np.sqrt(c)
    l0c[name] = line(c, (lam + BETA * s) / (1 - ALPHA * s))
    l0x.append(line(c, (tm * lam + BETA / 2 * s) / (1 - ALPHA * s)))
    print(f"L0({name}) {l0c[name][0]:.10g} +- {l0c[name][1]:.6g}   Lambda {lam[0]:.10g} .. {lam[-1]:.10g}")
x = np.mean([e[0] for e in l0x])
ux = np.sqrt(sum(e[1] ** 2 for e in l0x)) / 3
print(f"l0(X-) {x:.10g} +- {ux:.6g}   (per compound {[round(e[0], 6) for e in l0x]})")
for name, ion in zip(("AX", "BX", "CX"), ("A+", "B+", "C+")):
    print(f"l0({ion}) {l0c[name][0] - x:.10g} +- {np.hypot(l0c[name][1], ux):.6g}")


# Routes and null answers of the conductances.
KW = 1.2e-6
solv_c, solv_x, anion, quad, t0, low, low_x = {}, [], [], {}, {}, {}, {}
for name in ("AX", "BX", "CX"):
    i = next(k for k, l in enumerate(lines) if l[0].strip() == name)
    c, rho, tm = rows_after(lines, i, (0, 1, 4)).T
    s = np.sqrt(c)
    lam = 1000 / rho / c
    lam_w = 1000 * (1 / rho - KW) / c
    solv_c[name] = line(c, (lam_w + BETA * s) / (1 - ALPHA * s))[0]
    solv_x.append(line(c, (tm * lam_w + BETA / 2 * s) / (1 - ALPHA * s))[0])
    anion.append(line(c, (tm * lam + BETA / 2 * s) / (1 - ALPHA * s))[0])
    quad[name] = np.polyfit(s, lam, 2)[2]
    t0[name] = np.polyfit(s, tm, 1)[1]
    low[name], low_x[name] = lam[0], tm[0] * lam[0]
    print(f"L0({name}) routes: solvent {solv_c[name]:.10g}  quadratic {quad[name]:.10g}  null {lam[0]:.10g}")
x_solv = np.mean(solv_x)
print(f"l0(X-) routes: solvent {x_solv:.10g}  AX alone {anion[0]:.10g}  "
      f"t0 Lambda0 {np.mean([t0[n] * l0c[n][0] for n in l0c]):.10g}  null {np.mean(list(low_x.values())):.10g}")
for name, ion in zip(("AX", "BX", "CX"), ("A+", "B+", "C+")):
    print(f"l0({ion}) routes: solvent {solv_c[name] - x_solv:.10g}  X from AX {l0c[name][0] - anion[0]:.10g}  "
          f"(1 - t0) Lambda0 {(1 - t0[name]) * l0c[name][0]:.10g}  null {low[name] - low_x[name]:.10g}")
