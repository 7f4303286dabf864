"""Reference numbers for tests/analysis/strong_electrolyte_gen_answers_test.cpp.

Reads tests/data/expected/strong_electrolyte_gen/12345_67890.csv and works
the sheet with numpy alone (not run by the tests): t+ = 1/slope of time
against VCF/1000I through the origin; Lambda = 1000/(rho c); intercepts of
(Lambda + 60.2 sqrt(c))/(1 - 0.229 sqrt(c)) and of
(tc Lambda + 30.1 sqrt(c))/(1 - 0.229 sqrt(c)) against c; the anion the
mean of the three, the cations by difference.

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
