#!/usr/bin/env python3
"""Reference numbers for the emf_activity_gen answer sheet, seeds 12345 67890.

Worked from the numbers as the data set writes them
(tests/data/expected/emf_activity_gen/12345_67890.csv), independently of
the C++ analysis: cell Zn | ZnSO4(m), PbSO4(s) | Pb, I = 4(m + mPb),
log10 g0 = -4 A sqrt(I); E0' = E + (rtf/2) log10(m (m + mPb)),
E0'' = E0' + rtf log10 g0; straight lines by the textbook formulas.
Run: python3 emf_activity_gen.py (needs numpy); not run by the tests.
"""
import math
import os
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
rows = open(os.path.join(here, "..", "expected", "emf_activity_gen", "12345_67890.csv")).read().splitlines()
A = float(rows[10].split(",")[1])
ksp = float(rows[11].split(",")[1])
rtf = float(rows[12].split(",")[1])
start = rows.index("m,E(volt),m(Pb),Sum(mi),I,root(I),log10(g0),log10(g0^2),g0,g0^2,m(Pb)xm(SO4),") + 1
m = np.array([float(r.split(",")[0]) for r in rows[start:start + 11]])
E = np.array([float(r.split(",")[1]) for r in rows[start:start + 11]])


def line(x, y):
    """Intercept and its standard error, LINEST style (n - 2 d.o.f.)."""
    n = len(x)
    sxx = np.sum((x - x.mean()) ** 2)
    b = np.sum((x - x.mean()) * (y - y.mean())) / sxx
    a = y.mean() - b * x.mean()
    s2 = np.sum((y - a - b * x) ** 2) / (n - 2)
    return a, math.sqrt(s2 * (1.0 / n + x.mean() ** 2 / sxx))


# first approximation: quadratic in mPb with g = 1
p1 = (-m + np.sqrt(m * m + 4 * ksp)) / 2
g01 = 10 ** (-4 * A * np.sqrt(4 * (m + p1)))
# second: fixed-point iteration
p = p1.copy()
for _ in range(500):
    g2 = 10 ** (2 * (-4 * A * np.sqrt(4 * (m + p))))
    p = (-m + np.sqrt(m * m + 4 * ksp / g2)) / 2
I = 4 * (m + p)
lg0 = -4 * A * np.sqrt(I)
e0p = E + rtf / 2 * np.log10(m * (m + p))
e0pp = e0p + rtf * lg0
E0p, uE0p = line(np.sqrt(I), e0p)
E0, uE0 = line(I, e0pp)
lg = ((E0 - E) - rtf / 2 * np.log10(m * (m + p))) / rtf
np.set_printoptions(precision=10)
print("g0 first ", repr(g01))
print("g0 second", repr(10 ** lg0))
print("mPb second", repr(p))
print("E0' %.10f u %.10f" % (E0p, uE0p))
print("E0  %.10f u %.10f" % (E0, uE0))
print("g exptl  ", repr(10 ** lg))
print("E0'' first row %.10f" % e0pp[0])
