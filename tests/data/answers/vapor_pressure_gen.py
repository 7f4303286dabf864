"""Reference numbers for the routes and null answers of the vapor_pressure_gen
answer sheet (tests/analysis/vapor_pressure_answers_test.cpp), seeds 12345 67890.

Reads tests/data/expected/vapor_pressure_gen/12345_67890.csv and works every
route and null answer with numpy and scipy alone: lines by numpy.polyfit, the
Antoine plane by numpy.linalg.lstsq, the nonlinear Antoine fits by
scipy.optimize.least_squares. The expected values and their uncertainties are
in vapor_pressure_reference.py.

    /usr/bin/python3 tests/data/answers/vapor_pressure_gen.py
"""
import pathlib
import numpy as np
from scipy.optimize import least_squares

R = 8.314462618
P0 = 101325.0
HERE = pathlib.Path(__file__).resolve().parent
PATH = HERE.parent / "expected" / "vapor_pressure_gen" / "12345_67890.csv"

rows, started = [], False
for line in PATH.read_text().splitlines():
    s = line.strip()
    if s == "T(K),P(Pa)":
        started = True
    elif started and s and s[0].isdigit():
        rows.append([float(v) for v in s.split(",")])
T, P = np.array(rows).T
n = len(T)
x, y = 1 / T, np.log(P)
L0 = np.log(P0)


def slope(xs, ys):
    return np.polyfit(xs, ys, 1)[0]


def line(xs, ys):
    return np.polyfit(xs, ys, 1)


m, q = line(x, y)
dH = -R * m
Tb = m / (L0 - q)
# Antoine plane T ln P = a T - c ln P + (a c - b)
coef, *_ = np.linalg.lstsq(np.column_stack([T, y, np.ones(n)]), T * y, rcond=None)
a_pl, c_pl = coef[0], -coef[1]
b_pl = a_pl * c_pl - coef[2]
tstar = 1 / x.mean()


def dh_antoine(b, c, t):
    return R * b * t * t / ((t + c) ** 2)


def tb_antoine(a, b, c):
    return b / (a - L0) - c


fit_lnp = least_squares(lambda p: p[0] - p[1] / (T + p[2]) - y, [a_pl, b_pl, c_pl],
                        xtol=1e-15, ftol=1e-15, gtol=1e-15).x
fit_t = least_squares(lambda p: p[1] / (p[0] - y) - p[2] - T, [a_pl, b_pl, c_pl],
                      xtol=1e-15, ftol=1e-15, gtol=1e-15).x
m10 = slope(x, np.log10(P))
j = int(np.searchsorted(P, P0))  # first row above 101325 Pa
between_ln = 1 / (x[j - 1] + (L0 - y[j - 1]) * (x[j] - x[j - 1]) / (y[j] - y[j - 1]))
between_lin = T[j - 1] + (P0 - P[j - 1]) * (T[j] - T[j - 1]) / (P[j] - P[j - 1])
mu, qu = line(x[n // 2:], y[n // 2:])

print("dHvap", repr(dH), "Tb", repr(Tb))
print("dHvap routes")
print("  kPa", repr(-R * slope(x, np.log(P / 1000))))
print("  log10 2.303", repr(-2.303 * R * m10))
print("  chord", repr(-R * (y[-1] - y[0]) / (x[-1] - x[0])))
print("  without first", repr(-R * slope(x[1:], y[1:])))
print("  without last", repr(-R * slope(x[:-1], y[:-1])))
print("  Antoine at T*", repr(dh_antoine(b_pl, c_pl, tstar)))
print("  Antoine at mean T", repr(dh_antoine(b_pl, c_pl, T.mean())))
print("dHvap nulls")
print("  R b", repr(R * b_pl))
print("  log10 without ln 10", repr(-R * m10))
print("Tb routes")
print("  Antoine plane", repr(tb_antoine(a_pl, b_pl, c_pl)))
print("  Antoine nonlinear", repr(tb_antoine(*fit_lnp)))
print("  between, ln P against 1/T", repr(between_ln))
print("  between, T against P", repr(between_lin))
print("  upper half", repr(mu / (L0 - qu)))
print("Tb null: nearest row", repr(T[np.argmin(abs(P - P0))]))
print("Antoine nonlinear in ln P", [repr(v) for v in fit_lnp])
print("Antoine nonlinear in T", [repr(v) for v in fit_t])
print("c = 0 null: a", repr(q), "b", repr(-m))
