"""Reference numbers for the surface_tension_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: np.polyfit lines (covariance from
cov='unscaled' times the residual variance) and a through-origin slope by
its closed form. Run: python3 surface_tension_gen.py [file]
"""
import sys
import numpy as np

fn = sys.argv[1] if len(sys.argv) > 1 else "tests/data/expected/surface_tension_gen/12345_67890.csv"
L = open(fn).read().splitlines()
mw = float(next(l for l in L if l.startswith("MW")).split(",")[1])
k = next(i for i, l in enumerate(L) if l.strip().startswith("T(C),gamma"))
rows = []
for l in L[k + 1:]:
    c = l.split(",")
    try:
        rows.append([float(x) for x in c[:4]])
    except ValueError:
        break
t, g, dl, dv = np.array(rows).T
T = t + 273.15

def line(x, y):
    p, cu = np.polyfit(x, y, 1, cov="unscaled")
    r = y - np.polyval(p, x)
    return p, cu * (r @ r) / (len(x) - 2)

def zero(x, y):
    p, c = line(x, y)
    gr = np.array([p[1] / p[0] ** 2, -1 / p[0]])
    return -p[1] / p[0], np.sqrt(gr @ c @ gr)

tc, utc = zero(T, (dl - dv) ** (10 / 3))
pd, cd = line(T, (dl + dv) / 2)
h = np.array([tc, 1.0])
print("Tc", repr(tc), repr(utc))
print("dc", repr(np.polyval(pd, tc)), repr(np.sqrt(h @ cd @ h + (pd[0] * utc) ** 2)))
te, ue = zero(T, g * (mw / dl) ** (2 / 3))
print("Tc(E)", repr(te + 6), repr(ue))
print("Tc(K)", *map(repr, zero(T, g * (mw / (dl - dv)) ** (2 / 3))))
x, y = dl - dv, g ** 0.25
s = (x @ y) / (x @ x)
r = y - s * x
us = np.sqrt((r @ r) / (len(x) - 1) / (x @ x))
print("K(M)", repr(s ** 4), repr(4 * s ** 4 * us / s))
