"""Reference numbers for the surface_tension_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: np.polyfit lines over all rows, a
through-origin slope by its closed form. The data carry no scatter, so each
uncertainty is the one the written digits give: a numerical Jacobian of the
whole computation with respect to every written number, each with the
variance of its rounding (t and M to 0.01, gamma and the densities to 1e-6:
digit^2/12). Then the other routes and the null answers.
Run: python3 surface_tension_gen.py [file]
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
n = len(t)


def zero(x, y):
    p = np.polyfit(x, y, 1)
    return -p[1] / p[0]


def results(t, g, dl, dv, mw, offset=273.15):
    T = t + offset
    D = dl - dv
    tc = zero(T, D ** (10 / 3))
    dc = np.polyval(np.polyfit(T, (dl + dv) / 2, 1), tc)
    E = g * (mw / dl) ** (2 / 3)
    tce = zero(T, E) + 6
    tck = zero(T, g * (mw / D) ** (2 / 3))
    s = (D @ g ** 0.25) / (D @ D)
    return np.array([tc, dc, tce, tck, s ** 4, mw * s, -np.polyfit(T, E, 1)[0]])


names = ["Tc", "dc", "Tc(E)", "Tc(K)", "K(M)", "parachor", "kE"]
p = np.concatenate([t, g, dl, dv, [mw]])
var = np.concatenate([[0.01**2 / 12] * n, [1e-6**2 / 12] * (3 * n), [0.01**2 / 12]])
f = lambda q: results(q[:n], q[n:2 * n], q[2 * n:3 * n], q[3 * n:4 * n], q[4 * n])
J = np.zeros((len(names), len(p)))
for i in range(len(p)):
    h = np.zeros(len(p)); h[i] = 1e-4 * np.sqrt(12 * var[i])
    J[:, i] = (f(p + h) - f(p - h)) / (2 * h[i])
u = np.sqrt((J**2) @ var)
for name, v, uv in zip(names, f(p), u):
    print(f'{{"{name}", {v!r}, {uv!r}}},')

# Other routes and null answers.
D = dl - dv
r273 = results(t, g, dl, dv, mw, 273.0)
print("T = t + 273: Tc, dc, Tc(E):", *map(repr, r273[:3]))
print("K(M): mean of the Macleod column^4", repr(np.mean(g**0.25 / D) ** 4),
      " exp mean ln:", repr(np.exp(np.mean(np.log(g) - 4 * np.log(D)))),
      " null, dl alone:", repr(((dl @ g**0.25) / (dl @ dl)) ** 4))
print("parachor: mean of M g^1/4/(dl - dv)", repr(np.mean(mw * g**0.25 / D)),
      " null, M g^1/4/dl:", repr(np.mean(mw * g**0.25 / dl)))
print("null: the hottest row's T and mean density", repr(t[-1] + 273.15), repr((dl[-1] + dv[-1]) / 2))
