#!/usr/bin/env python3
"""Reference numbers for the emf_activity_gen answer sheet, seeds 12345 67890.

Worked from the numbers as the data set writes them
(tests/data/expected/emf_activity_gen/12345_67890.csv), independently of
the C++ analysis: cell Zn | ZnSO4(m), PbSO4(s) | Pb, I = 4(m + mPb),
log10 g0 = -4 A sqrt(I); E0' = E + (rtf/2) log10(m (m + mPb)),
E0'' = E0' + rtf log10 g0; straight lines by the textbook formulas, over
the five most dilute solutions (the handout's window).
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
w = 5  # the most dilute points in the lines
E0p, uE0p = line(np.sqrt(I)[:w], e0p[:w])
E0, uE0 = line(I[:w], e0pp[:w])
lg = ((E0 - E) - rtf / 2 * np.log10(m * (m + p))) / rtf
np.set_printoptions(precision=10)
print("g0 first ", repr(g01))
print("g0 second", repr(10 ** lg0))
print("mPb second", repr(p))
print("E0' %.10f u %.10f" % (E0p, uE0p))
print("E0  %.10f u %.10f" % (E0, uE0))
print("g exptl  ", repr(10 ** lg))
print("E0'' first row %.10f" % e0pp[0])
print("E0 over all eleven points %.10f (g at the most dilute %.6f)" % (line(I, e0pp)[0],
      10 ** (((line(I, e0pp)[0] - E[0]) - rtf / 2 * np.log10(m[0] * (m[0] + p[0]))) / rtf)))

# Other routes and the null answers.
print("E0' four points %.12f" % line(np.sqrt(I)[:4], e0p[:4])[0])
print("E0 against m %.12f, four points %.12f, six points %.12f" % (line(m[:w], e0pp[:w])[0], line(I[:4], e0pp[:4])[0],
      line(I[:6], e0pp[:6])[0]))
I1 = 4 * (m + p1)
e0pp1 = E + rtf / 2 * np.log10(m * (m + p1)) + rtf * (-4 * A * np.sqrt(I1))
E0first = line(I1[:w], e0pp1[:w])[0]
print("E0 with the first approximation's m(Pb) %.12f" % E0first)
print("nulls: E0' of the most dilute %.12f, mean of E0' %.12f" % (e0p[0], e0p.mean()))
gx = lambda e0, pb: 10 ** (((e0 - E) - rtf / 2 * np.log10(m * (m + pb))) / rtf)
print("g with E0 of four points", repr(gx(line(I[:4], e0pp[:4])[0], p)))
print("g with E0 of six points", repr(gx(line(I[:6], e0pp[:6])[0], p)))
print("g, first approximation", repr(gx(E0first, p1)))
