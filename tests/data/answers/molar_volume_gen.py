#!/usr/bin/env python3
"""Reference numbers for the molar_volume_gen answer sheet, seeds 12345 67890.

From the numbers as the data set writes them
(tests/data/expected/molar_volume_gen/12345_67890.csv), independently of
the C++ analysis (numpy least squares):
electrolyte: m = 1000 w/((100-w) M2), c = 10 w rho/M2,
phiv = ((1000 + m M2)/rho - 1000/rho0)/m, Masson's straight line of phiv
against sqrt(c) weighted by 1/u^2 (u: rounding of w to 0.1 and rho to
1e-4, half a unit spread evenly, i.e. 0.05/sqrt(3) and 0.5e-4/sqrt(3), the
change of phiv taken across the whole half-unit interval); V2 of the last
solution by differentiating V = 1000/rho0 + m phiv with c = 1000 m/V
numerically (not by the closed form the analysis uses),
V1 = (M1/1000)(V - m V2); the rounding of every input carried through the
fit by numerical derivatives and combined with the fit's own standard
errors in quadrature;
nonelectrolyte: mole fractions, ideal/expt/excess molar volumes, a 4-term
Redlich-Kister fit of VE and the partial molar volumes from it, a 5-term
fit and the tangent of a quadratic through the five nearest mixtures.
Run: python3 molar_volume_gen.py [DATASET.csv] (needs numpy); not run by the
tests. Another data set, say seeds 2147483646 2147000001 (the one whose
cubic turned the limiting slope's sign), is written by running the program.
"""
import math
import os
import sys
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "expected", "molar_volume_gen", "12345_67890.csv")
rows = open(path).read().splitlines()
cells = [r.split(",") for r in rows]


def block(title):
    b = next(i for i, r in enumerate(rows) if r.strip() == title)
    rho0 = float(next(c for c in cells[b:] if c[0].startswith("dens water"))[1])
    wat = next(c for c in cells[b:] if c[0].startswith("MW water"))
    sol = next(c for c in cells[b + 1:] if c[0].startswith("MW ") and not c[0].startswith("MW water"))
    h = next(i for i in range(b, len(rows)) if rows[i].startswith("% by wt"))
    w, rho = [], []
    for c in cells[h + 1:]:
        try:
            w.append(float(c[0])), rho.append(float(c[3]))
        except (ValueError, IndexError):
            break
    return rho0, float(wat[1]), float(wat[4]), float(sol[1]), (float(sol[4]) if len(sol) > 4 and sol[4].strip() else None), np.array(w), np.array(rho)


uw, ur = 0.05 / math.sqrt(3), 0.5e-4 / math.sqrt(3)
np.set_printoptions(precision=10)

# ---- electrolyte
rho0, M1, V1o, M2, _, w, rho = block("Electrolyte,")
n = len(w)
mol = lambda w: 1000 * w / ((100 - w) * M2)
phiv = lambda w, r, r0: ((1000 + mol(w) * M2) / r - 1000 / r0) / mol(w)
m = mol(w)
ph = phiv(w, rho, rho0)
# rounding uncertainties: the change of phiv across the whole rounding
# interval (secant over +-half a unit), times u/half
hw, hr = 0.05, 0.5e-4
dw = (phiv(w + hw, rho, rho0) - phiv(w - hw, rho, rho0)) / (2 * hw)
dr = (phiv(w, rho + hr, rho0) - phiv(w, rho - hr, rho0)) / (2 * hr)
d0 = (phiv(w, rho, rho0 + hr) - phiv(w, rho, rho0 - hr)) / (2 * hr)
urow = np.sqrt((dw * uw) ** 2 + (dr * ur) ** 2)
uphi = np.sqrt(urow ** 2 + (d0 * ur) ** 2)
um = (mol(w + hw) - mol(w - hw)) / (2 * hw) * uw


def fit(w, rho, rho0):
    x = np.sqrt(10 * w * rho / M2)
    X = np.vstack([x ** k for k in range(2)]).T / urow[:, None]
    y = phiv(w, rho, rho0) / urow
    b, res, *_ = np.linalg.lstsq(X, y, rcond=None)
    s2 = np.sum((y - X @ b) ** 2) / (len(y) - 2)
    return b, s2 * np.linalg.inv(X.T @ X)


b, cov = fit(w, rho, rho0)
ml, phl = m[-1], ph[-1]


def v2_minus_phiv(b):
    """V2 - phiv at the last solution: V(m) = 1000/rho0 + m phiv(c(m)) with
    phiv on the line through the row's own phiv, c = 1000 m/V solved by
    iteration; dV/dm by the five-point central difference."""
    def volume(mm):
        v = 1000 / rho0 + mm * phl
        for _ in range(200):
            c = 1000 * mm / v
            v = 1000 / rho0 + mm * (phl + b[1] * (math.sqrt(c) - math.sqrt(c_row)))
        return v
    c_row = 10 * w[-1] * rho[-1] / M2
    h = 1e-3 * ml
    return (8 * (volume(ml + h) - volume(ml - h)) - (volume(ml + 2 * h) - volume(ml - 2 * h))) / (12 * h) - phl


results = {
    "slope": lambda b: b[1],
    "phiv0": lambda b: b[0],
    "V2-phiv": v2_minus_phiv,
}
print("m", repr(m))
print("phiv", repr(ph))
print("u(m) first", um[0], "u(phiv) first", uphi[0], "last", uphi[-1])
print("line", repr(b))
est = {}
for k, f in results.items():
    g = np.array([(f(b + e) - f(b - e)) / (2e-6) for e in np.eye(2) * 1e-6])
    own = math.sqrt(g @ cov @ g)
    # every written number's rounding through the refit
    var = 0.0
    for i in range(n):
        for arr, u, step in ((w, uw, 1e-6), (rho, ur, 1e-9)):
            a1, a2 = arr.copy(), arr.copy()
            a1[i] += step
            a2[i] -= step
            args1 = (a1, rho, rho0) if arr is w else (w, a1, rho0)
            args2 = (a2, rho, rho0) if arr is w else (w, a2, rho0)
            var += ((f(fit(*args1)[0]) - f(fit(*args2)[0])) / (2 * step) * u) ** 2
    var += ((f(fit(w, rho, rho0 + 1e-9)[0]) - f(fit(w, rho, rho0 - 1e-9)[0])) / 2e-9 * ur) ** 2
    est[k] = (f(b), math.hypot(own, math.sqrt(var)))
    print(k, "%.10g" % f(b), "u own %.6g rounding %.6g combined %.8g" % (own, math.sqrt(var), est[k][1]))
d, ud = est["V2-phiv"]
print("V2(last) %.10g u %.8g" % (phl + d, math.hypot(uphi[-1], ud)))
print("V1(last) %.10g u %.8g" % (V1o - M1 / 1000 * ml * d, M1 / 1000 * ml * ud))

# ---- nonelectrolyte
rho0, M1, V1o, M2, V2o, w, rho = block("Nonelectrolyte,")
n2 = w / M2
n1 = (100 - w) / M1
x = n2 / (n1 + n2)
vid = (1 - x) * V1o + x * V2o
vexp = ((1 - x) * M1 + x * M2) / rho
ve = vexp - vid
def rk_fit(terms):
    X = np.vstack([x * (1 - x) * (2 * x - 1) ** k for k in range(terms)]).T
    return np.linalg.lstsq(X, ve, rcond=None)[0]


a, a5 = rk_fit(4), rk_fit(5)
print("x", repr(x))
print("Vid", repr(vid))
print("Vexp", repr(vexp))
print("VE", repr(ve))
print("RK", repr(a))


def ve_fn(a, x):
    t = 2 * x - 1
    return x * (1 - x) * sum(a[k] * t ** k for k in range(len(a)))


for xx in (0.25, 0.5, 0.75):
    for name, coef in (("4 terms", a), ("5 terms", a5)):
        d = (ve_fn(coef, xx + 1e-6) - ve_fn(coef, xx - 1e-6)) / 2e-6
        print("x=%.2f %s V1 %.10f V2 %.10f" % (xx, name, V1o + ve_fn(coef, xx) - xx * d,
                                              V2o + ve_fn(coef, xx) + (1 - xx) * d))
    near = np.argsort(abs(x - xx))[:5]
    q = np.polyfit(x[near] - xx, ve[near], 2)  # q[2] = VE at xx, q[1] = slope
    print("x=%.2f tangent V1 %.10f V2 %.10f" % (xx, V1o + q[2] - xx * q[1], V2o + q[2] + (1 - xx) * q[1]))
