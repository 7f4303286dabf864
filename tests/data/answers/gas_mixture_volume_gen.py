"""Reference numbers for the gas_mixture_volume_gen answer sheet.

From the data set file alone with numpy: at 30, 50 and 75 bar np.polyfit of
V against x1 (degree 3); V1 - V1deg = V + (1 - x)V' - V(1), V2 - V2deg =
V - xV' - V(0) and VE = V(0.5) - (V(0) + V(1))/2 at x = 0.5. Their
uncertainties by a numerical Jacobian of the whole computation with respect
to every written number: the inner mole fractions with the variance of
their rounding to 0.001 (0.001^2/12), the volumes with the larger of the
cubic's residual variance (7 - 4 degrees of freedom) and the measurement's,
a scatter of +-0.01 and the rounding to 0.01 ((0.02^2 + 0.01^2)/12). Other
routes: the two-term Redlich-Kister excess fitted to the five mixtures'
excess over the line between the written pure gases (np.linalg.lstsq), a
quartic, the pure gases' volumes as written. True values from the key by
another route than the analysis: the total volume of n1 + n2 moles of the
van der Waals mixture (np.roots of the cubic) differentiated numerically
with respect to n1 and n2.

Run: python3 gas_mixture_volume_gen.py [DATASET.csv [KEY.csv]], KEY.csv from
`lab_instructor key gas_mixture_volume_gen S1 S2 --csv`; without them seeds
12345 67890.
"""
import sys
import numpy as np

fn = sys.argv[1] if len(sys.argv) > 1 else "tests/data/expected/gas_mixture_volume_gen/12345_67890.csv"
L = open(fn).read().splitlines()
k = next(i for i, l in enumerate(L) if l.strip().startswith("P(bar)"))
x = np.array([float(c) for c in L[k].split(",")[1:]])
table = {}
for l in L[k + 1:]:
    c = l.split(",")
    table[float(c[0])] = np.array([float(v) for v in c[1:]])

R = 83.145
if len(sys.argv) > 2:
    # the key's single-precision values, each read back as the float it was
    key = dict(l.split(",") for l in open(sys.argv[2]).read().splitlines()[1:])
    h = {n: float(np.float32(v)) for n, v in key.items()}
    a1, a2, a12, b1, b2, T = h["a(1)"], h["a(2)"], h["a12"], h["b(1)"], h["b(2)"], h["t"]
else:  # seeds 12345 67890 (the generator's key, floats held exactly)
    a1, a2, a12 = 2565102.5, 858124.0625, 1511584.875
    b1, b2 = 37.844821929931641, 25.065078735351562
    T = 295.01437377929688


def total_volume(n1, n2, P):
    n = n1 + n2
    A = n1 * n1 * a1 + 2 * n1 * n2 * a12 + n2 * n2 * a2  # n^2 a_mix
    B = n1 * b1 + n2 * b2  # n b_mix
    # P V^3 - (P B + n R T) V^2 + A V - A B = 0 for the total volume V
    z = np.roots([P, -(P * B + n * R * T), A, -A * B])
    return z[abs(z.imag) < 1e-9 * abs(z)].real.max()


def true_values(P, h=1e-5):
    v1 = (total_volume(0.5 + h, 0.5, P) - total_volume(0.5 - h, 0.5, P)) / (2 * h)
    v2 = (total_volume(0.5, 0.5 + h, P) - total_volume(0.5, 0.5 - h, P)) / (2 * h)
    return v1 - total_volume(1, 0, P), v2 - total_volume(0, 1, P), \
        total_volume(0.5, 0.5, P) - (total_volume(1, 0, P) + total_volume(0, 1, P)) / 2


def graded(xs, V, deg=3):
    c = np.polyfit(xs, V, deg)
    d = np.polyder(c)
    v, s = np.polyval(c, 0.5), np.polyval(d, 0.5)
    v0, v1 = np.polyval(c, 0.0), np.polyval(c, 1.0)
    return np.array([v + 0.5 * s - v1, v - 0.5 * s - v0, v - (v0 + v1) / 2])


names = ("V1E", "V2E", "VE")
for P in (30.0, 50.0, 75.0):
    V = table[P]
    c = np.polyfit(x, V, 3)
    r = V - np.polyval(c, x)
    var_v = max(r @ r / (len(x) - 4), (0.02**2 + 0.01**2) / 12)
    p = np.concatenate([x, V])
    var = np.concatenate([[0] + [0.001**2 / 12] * (len(x) - 2) + [0], [var_v] * len(V)])
    f = lambda q: graded(q[:len(x)], q[len(x):])
    J = np.zeros((3, len(p)))
    for i in range(len(p)):
        if var[i] == 0:
            continue
        d = np.zeros(len(p)); d[i] = 1e-4 if i < len(x) else 1e-2  # both exact: the results are smooth
        J[:, i] = (f(p + d) - f(p - d)) / (2 * d[i])
    u = np.sqrt((J**2) @ var)
    for name, g, ug, tv in zip(names, f(p), u, true_values(P)):
        print(f'{{"{name}({P:.0f})", {g!r}, {ug!r}, {tv!r}}},')
    # the routes
    ve_line = V - (V[0] + (V[-1] - V[0]) * (x - x[0]) / (x[-1] - x[0]))
    xi = x[1:-1]
    kk = np.linalg.lstsq(np.column_stack([xi * (1 - xi), xi * (1 - xi) * (2 * xi - 1)]), ve_line[1:-1], rcond=None)[0]
    rk = [(kk[0] + kk[1]) / 4, (kk[0] - kk[1]) / 4, kk[0] / 4]
    c3 = np.polyfit(x, V, 3)
    v, s = np.polyval(c3, 0.5), np.polyval(np.polyder(c3), 0.5)
    written = [v + 0.5 * s - V[-1], v - 0.5 * s - V[0], v - (V[0] + V[-1]) / 2]
    print(f"  routes at {P:.0f} bar: Redlich-Kister {rk!r}, quartic {list(graded(x, V, 4))!r}, written ends {written!r}")

# The fit is linear in the volumes: the change of each result when one
# written volume is raised by 1 cm3/mol (the mixture x1 = 0.569, then pure
# gas 2 at x1 = 0), the same at every pressure.
for i in (3, 0):
    e = np.zeros(len(x))
    e[i] = 1.0
    print(f"x1 = {x[i]:.3f}:", dict(zip(names, map(repr, graded(x, e)))))
