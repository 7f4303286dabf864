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

ri = env[:, 3]
assert np.all(np.diff(ri) > 0)

def reading(col):
    """%-column read at an R.I.: the cubic (numpy's exact polynomial fit,
    centred on the reading) through the four rows around the chord that
    brackets it, clamped to the table; value and slope d%/dR.I."""
    def f(r):
        k = min(max(np.searchsorted(ri, r, side="right") - 1, 0), len(ri) - 2)
        j0 = min(max(k - 1, 0), len(ri) - 4)
        x = ri[j0:j0 + 4] - r
        c = np.linalg.solve(np.vander(x, 4, increasing=True), col[j0:j0 + 4])
        return c[0], c[1]
    return f

fA, fC = reading(env[:, 0]), reading(env[:, 2])
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
