"""Reference numbers for the lle_ternary_gen answer sheet, seeds 12345 67890.

Worked out from the data set as written, independently of the C++ code:
%A and %C at a reading from the cubic in R.I. through the four envelope
rows around it (the two whose R.I. brackets it and one more each way,
kept within the table; the R.I. rises over all 18 rows, P to Q, in this
data set), its coefficients by numpy solving the Vandermonde system in
R.I. − reading, so the constant is the value and the linear term the
slope; the plait point from numpy's least-squares quartic of the
mean tie-line R.I. against the difference of its ends over the last 8 tie
lines, covariance scaled by the residual variance; uncertainties from the
rounding of the R.I. to four decimals (0.00005/sqrt(3) each) through the
cubic's slope. True values from the generator's answer key (hidden p, q,
xp, yp, pctielc, pctierc). The other routes: lower polynomials of the mean
R.I. over fewer tie lines; the least-squares line (against the tie line's
number) through the midpoints of the last 3 tie lines in the diagram's
plane, crossed with the envelope's polyline (numpy solving each segment's
2x2 system, the crossing nearest the last midpoint); the chord and the
parabola through the nearest rows for a tie line's end; and the null
answer, the envelope's row richest in C.
Run: python3 tests/data/answers/lle_ternary_gen.py [DATASET.csv]
(another data set, e.g. seeds 2147483646 2147000001, written by the program)
"""
import math
import pathlib
import sys

import numpy as np

csv = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else \
    pathlib.Path(__file__).parents[1] / "expected" / "lle_ternary_gen" / "12345_67890.csv"
lines = [l.strip() for l in csv.read_text().splitlines()]
h = lines.index("%A,%B,%C,R.I.")
env = np.array([[float(v) for v in l.split(",")[:4]] for l in lines[h + 2:h + 20]])
t = lines.index("R.I.,,R.I,")
tie = np.array([[float(l.split(",")[0]), float(l.split(",")[2])] for l in lines[t + 1:t + 12]])

# The calibration is the longest run of rows over which the R.I. rises
# (all 18 rows for seeds 12345 67890; near the side A-B it can dip first).
runs, first = [], 0
for i in range(1, len(env) + 1):
    if i == len(env) or not env[i, 3] > env[i - 1, 3]:
        runs.append((i - first, -first)); first = i
length, first = max(runs); first = -first
env_all, env = env, env[first:first + length]
ri = env[:, 3]

def reading(col):
    """%-column read at an R.I.: the cubic (numpy's exact polynomial fit,
    centred on the reading) through the four rows around the chord that
    brackets it, clamped to the run; value and slope d%/dR.I."""
    def f(r):
        k = min(max(np.searchsorted(ri, r, side="right") - 1, 0), len(ri) - 2)
        j0 = min(max(k - 1, 0), len(ri) - 4)
        x = ri[j0:j0 + 4] - r
        c = np.linalg.solve(np.vander(x, 4, increasing=True), col[j0:j0 + 4])
        return c[0], c[1]
    return f

fA, fC = reading(env[:, 0]), reading(env[:, 2])
u_ri = 0.00005 / math.sqrt(3)
print("B in A", env_all[0, 1], " A in B", env_all[-1, 0])

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

R3 = math.sqrt(3)
d_all = tie[:, 1] - tie[:, 0]; s_all = (tie[:, 1] + tie[:, 0]) / 2
for n, deg in ((4, 1), (5, 2), (6, 3)):
    r0 = np.polyval(np.polyfit(d_all[-n:], s_all[-n:], deg), 0)
    a, c = fA(r0)[0], fC(r0)[0]
    print("plait by degree %d over %d: A %.8g B %.8g C %.8g" % (deg, n, a, 100 - a - c, c))


def plane(b, c):
    return np.array([b + c / 2, c * R3 / 2])


mids = []
for k in (8, 9, 10):
    ends = [(fA(r)[0], fC(r)[0]) for r in tie[k]]
    mids.append(np.mean([plane(100 - a - c, c) for a, c in ends], axis=0))
mids = np.array(mids)
t = np.arange(3)
fx, fy = np.polyfit(t, mids[:, 0], 1), np.polyfit(t, mids[:, 1], 1)
o, dvec = np.array([np.polyval(fx, 2), np.polyval(fy, 2)]), np.array([fx[0], fy[0]])
best = None
E = [plane(b, c) for b, c in env_all[:, 1:3]]
for i in range(len(E) - 1):
    sr = np.linalg.solve(np.array([dvec, E[i] - E[i + 1]]).T, E[i] - o)
    if 0 <= sr[1] <= 1:
        pt = o + sr[0] * dvec
        if best is None or np.linalg.norm(pt - mids[-1]) < np.linalg.norm(best - mids[-1]):
            best = pt
c = 2 * best[1] / R3; b = best[0] - c / 2
print("plait by the midpoints of the last 3 tie lines: A %.8g B %.8g C %.8g" % (100 - b - c, b, c))
top = env_all[np.argmax(env_all[:, 2])]
print("top of the envelope: A %.8g B %.8g C %.8g" % tuple(top[:3]))
for k in (8, 11):
    for side in (0, 1):
        r = tie[k - 1, side]
        j = min(max(np.searchsorted(ri, r, side="right") - 1, 0), len(ri) - 2)
        chord = env[j, 2] + (env[j + 1, 2] - env[j, 2]) * (r - ri[j]) / (ri[j + 1] - ri[j])
        lo = j - 1 if j > 0 and (j + 2 >= len(ri) or abs(r - ri[j - 1]) < abs(ri[j + 2] - r)) else j
        par = np.polyval(np.polyfit(ri[lo:lo + 3] - r, env[lo:lo + 3, 2], 2), 0)
        print("tie %d %s: chord %.8g parabola %.8g" % (k, "left" if side == 0 else "right", chord, par))
