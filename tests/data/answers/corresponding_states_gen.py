"""Reference numbers for the corresponding_states_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: np.polyfit lines over all rows for
the rectilinear diameters, and Guggenheim's curve fitted to the eight
hottest rows by Gauss-Newton with an analytic Jacobian, a hundred steps
(numpy's least-squares solve of each step; the answer sheet takes eight,
each by Cramer's rule, as its workbook writes them out). The data carry no
scatter, so each uncertainty is the one the written digits give: a
numerical Jacobian of the whole computation with respect to every written
number, each with the variance of its rounding (t to 0.01, densities to
1e-6: digit^2/12). Then the other routes and the null answers, and the fit
over every row that the sheet no longer grades (dc 3 % high).
Run: python3 corresponding_states_gen.py [file]
"""
import sys
import numpy as np

fn = sys.argv[1] if len(sys.argv) > 1 else "tests/data/expected/corresponding_states_gen/12345_67890.csv"
L = open(fn).read().splitlines()
k = next(i for i, l in enumerate(L) if l.strip().startswith("Temp(C)"))
rows = []
for l in L[k + 1:]:
    c = l.split(",")
    try:
        rows.append([float(c[0]), float(c[1]), float(c[2])])
    except ValueError:
        break
t, dl, dv = np.array(rows).T
n = len(t)


def guggenheim(T, dl, dv, p):
    y = np.concatenate([dl, dv])
    Tt = np.concatenate([T, T])
    s = np.concatenate([np.ones_like(T), -np.ones_like(T)])
    p = np.array(p, float)
    for _ in range(100):
        tau = 1 - Tt / p[0]
        g = 1 + 0.75 * tau + s * 1.75 * np.cbrt(tau)
        J = np.column_stack([p[1] * (0.75 + s * 1.75 / 3 * np.cbrt(tau) ** -2) * Tt / p[0] ** 2, g])
        p = p + np.linalg.lstsq(J, y - p[1] * g, rcond=None)[0]
    return p


def results(t, dl, dv, offset=273.15, hottest=8):
    T = t + offset
    pw = np.polyfit(T, (dl - dv) ** 3, 1)
    tc = -pw[1] / pw[0]
    dc = np.polyval(np.polyfit(T, (dl + dv) / 2, 1), tc)
    m = slice(len(T) - hottest, len(T))
    return np.array([tc, dc, *guggenheim(T[m], dl[m], dv[m], [tc, dc])])


names = ["Tc(rd)", "dc(rd)", "Tc(cs)", "dc(cs)"]
p = np.concatenate([t, dl, dv])
var = np.concatenate([[0.01**2 / 12] * n, [1e-6**2 / 12] * (2 * n)])
f = lambda q: results(q[:n], q[n:2 * n], q[2 * n:])
J = np.zeros((4, len(p)))
for i in range(len(p)):
    h = np.zeros(len(p)); h[i] = 1e-3 * np.sqrt(12 * var[i])
    J[:, i] = (f(p + h) - f(p - h)) / (2 * h[i])
u = np.sqrt((J**2) @ var)
for name, v, uv in zip(names, f(p), u):
    print(f'{{"{name}", {v!r}, {uv!r}}},')

r = f(p)
T = t + 273.15
print("T = t + 273:", *map(repr, results(t, dl, dv, 273.0)))
print("seven hottest rows:", *map(repr, results(t, dl, dv, hottest=7)[2:]))
print("nine hottest rows:", *map(repr, results(t, dl, dv, hottest=9)[2:]))
print("diameter read at Tc(cs):", repr(np.polyval(np.polyfit(T, (dl + dv) / 2, 1), r[2])))
print("null: the hottest row's T and mean density:", repr(T[-1]), repr((dl[-1] + dv[-1]) / 2))
print("every row (not graded):", *map(repr, results(t, dl, dv, hottest=n)[2:]))
