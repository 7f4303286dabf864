"""Reference numbers for the lle_ternary_gen answer sheet, seeds 12345 67890.

Worked out from the data set as written, independently of the C++ code:
natural cubic splines written out here (tridiagonal system for the knot
second derivatives, solved by numpy) of %A, %C and R.I. against the
distance along the envelope (chords between its 18 rows, P to Q, in the
triangle's plane), a reading placed by bisection on the R.I. spline (the
R.I. rises over all rows in this data set); the plait point from numpy's least-squares quartic of the
mean tie-line R.I. against the difference of its ends over the last 8 tie
lines, covariance scaled by the residual variance; uncertainties from the
rounding of the R.I. to four decimals (0.00005/sqrt(3) each) through the
spline's slope. True values from the generator's answer key (hidden p, q,
xp, yp, pctielc, pctierc).
Run: python3 tests/data/answers/lle_ternary_gen.py
"""
import math
import pathlib

import numpy as np

csv = pathlib.Path(__file__).parents[1] / "expected" / "lle_ternary_gen" / "12345_67890.csv"
lines = [l.strip() for l in csv.read_text().splitlines()]
h = lines.index("%A,%B,%C,R.I.")
env = np.array([[float(v) for v in l.split(",")[:4]] for l in lines[h + 2:h + 20]])
t = lines.index("R.I.,,R.I,")
tie = np.array([[float(l.split(",")[0]), float(l.split(",")[2])] for l in lines[t + 1:t + 12]])

def spline(x, y):
    n = len(x); hh = np.diff(x)
    M = np.zeros((n, n)); r = np.zeros(n); M[0, 0] = M[-1, -1] = 1
    for i in range(1, n - 1):
        M[i, i - 1] = hh[i - 1]; M[i, i] = 2 * (hh[i - 1] + hh[i]); M[i, i + 1] = hh[i]
        r[i] = 6 * ((y[i + 1] - y[i]) / hh[i] - (y[i] - y[i - 1]) / hh[i - 1])
    m = np.linalg.solve(M, r)
    def f(tq):
        i = min(max(np.searchsorted(x, tq) - 1, 0), n - 2)
        A = (x[i + 1] - tq) / hh[i]; B = (tq - x[i]) / hh[i]
        val = A * y[i] + B * y[i + 1] + ((A**3 - A) * m[i] + (B**3 - B) * m[i + 1]) * hh[i] ** 2 / 6
        der = (y[i + 1] - y[i]) / hh[i] - (3 * A * A - 1) / 6 * hh[i] * m[i] + (3 * B * B - 1) / 6 * hh[i] * m[i + 1]
        return val, der
    return f

ri = env[:, 3]
assert np.all(np.diff(ri) > 0)
px = 100 - env[:, 0] - env[:, 2] / 2; py = env[:, 2] * math.sqrt(3) / 2
S = np.concatenate([[0], np.cumsum(np.hypot(np.diff(px), np.diff(py)))])
sR, sA, sC = spline(S, ri), spline(S, env[:, 0]), spline(S, env[:, 2])

def place(r):
    k = np.searchsorted(ri, r) - 1
    lo, hi = S[k], S[k + 1]
    for _ in range(100):
        mid = (lo + hi) / 2
        if sR(mid)[0] < r: lo = mid
        else: hi = mid
    return (lo + hi) / 2

def reading(sp):
    def f(r):
        t = place(r)
        v, d = sp(t)
        return v, d / sR(t)[1]
    return f

fA, fC = reading(sA), reading(sC)
u_ri = 0.00005 / math.sqrt(3)
print("B in A", env[0, 1], " A in B", env[-1, 0])

d = tie[-8:, 1] - tie[-8:, 0]; s = (tie[-8:, 1] + tie[-8:, 0]) / 2
X = np.vander(d, 5, increasing=True)
coef, res, *_ = np.linalg.lstsq(X, s, rcond=None)
s2 = np.sum((s - X @ coef) ** 2) / (8 - 5)
cov = s2 * np.linalg.inv(X.T @ X)
rip = coef[0]; u_rip = math.hypot(math.sqrt(cov[0, 0]), u_ri)
(a, da), (c, dc) = fA(rip), fC(rip)
print("plait RI %.10g  A %.8g +- %.6g  B %.8g +- %.6g  C %.8g +- %.6g" % (
    rip, a, abs(da) * u_rip, 100 - a - c, math.hypot(da, dc) * u_rip, c, abs(dc) * u_rip))
for k in (8, 9, 10, 11):
    (cl, dl), (cr, dr) = fC(tie[k - 1, 0]), fC(tie[k - 1, 1])
    u = math.sqrt(2) * u_ri
    print("tie %d  C left %.8g +- %.6g  C right %.8g +- %.6g" % (k, cl, abs(dl) * u, cr, abs(dr) * u))
