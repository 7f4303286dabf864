# Reference values of the fit tests (tests/analysis/fit_test.cpp), worked
# out in exact rational arithmetic from the normal equations: the LINEST
# numbers of the same data.   Run:  python3 tests/data/answers/fit_reference.py
from fractions import Fraction as F
import math

def lstsq(cols, y):
    p = len(cols); n = len(y)
    A = [[sum(cols[i][k] * cols[j][k] for k in range(n)) for j in range(p)] for i in range(p)]
    b = [sum(cols[i][k] * y[k] for k in range(n)) for i in range(p)]
    # Gauss-Jordan inverse, exact
    M = [row[:] + [F(int(i == j)) for j in range(p)] for i, row in enumerate(A)]
    for i in range(p):
        piv = next(r for r in range(i, p) if M[r][i] != 0)
        M[i], M[piv] = M[piv], M[i]
        f = M[i][i]
        M[i] = [v / f for v in M[i]]
        for r in range(p):
            if r != i:
                g = M[r][i]
                M[r] = [a - g * c for a, c in zip(M[r], M[i])]
    inv = [row[p:] for row in M]
    c = [sum(inv[i][j] * b[j] for j in range(p)) for i in range(p)]
    res = [y[k] - sum(c[i] * cols[i][k] for i in range(p)) for k in range(n)]
    s2 = sum(r * r for r in res) / (n - p)
    cov = [[s2 * inv[i][j] for j in range(p)] for i in range(p)]
    return c, cov, s2

x = [F(v) for v in range(1, 7)]
y = [F(s) for s in ["2.1", "3.9", "6.2", "7.8", "10.1", "12.2"]]
c, cov, s2 = lstsq([[F(1)] * 6, x], y)
ybar = sum(y) / 6
sst = sum((v - ybar) ** 2 for v in y)
sse = s2 * 4
print("line: intercept", float(c[0]), "slope", float(c[1]), "se_i", math.sqrt(cov[0][0]),
      "se_s", math.sqrt(cov[1][1]), "cov", float(cov[0][1]), "sey", math.sqrt(s2), "r2", float(1 - sse / sst))
c, cov, s2 = lstsq([x], y)
print("origin: slope", float(c[0]), "se", math.sqrt(cov[0][0]), "sey", math.sqrt(s2),
      "r2", float(1 - s2 * 5 / sum(v * v for v in y)))
xq = [F(v) for v in range(0, 6)]
yq = [F(s) for s in ["1.0", "2.2", "5.1", "9.8", "17.2", "26.1"]]
c, cov, s2 = lstsq([[F(1)] * 6, xq, [v * v for v in xq]], yq)
print("quad: c", [float(v) for v in c], "se", [math.sqrt(cov[i][i]) for i in range(3)],
      "cov01", float(cov[0][1]), "cov12", float(cov[1][2]), "sey", math.sqrt(s2))
