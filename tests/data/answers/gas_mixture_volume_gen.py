"""Reference numbers for the gas_mixture_volume_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: at 30, 75 and 125 bar np.polyfit of
V against x1 (degree 3, cov='unscaled' times the residual variance over
7 - 4 degrees of freedom); V1 = V + (1 - x)V', V2 = V - xV' and
VE = V(0.5) - (V(0) + V(1))/2 are linear in the coefficients, so their
variances are g C g^T exactly. True values from the key of the same seeds
by another route than the analysis: the total volume of n1 + n2 moles of the
van der Waals mixture (np.roots of the cubic) differentiated numerically with
respect to n1 and n2. Run: python3 gas_mixture_volume_gen.py [file]
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

# hidden values of seeds 12345 67890 (the generator's key, floats held exactly)
R = 83.145
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
    ve = total_volume(0.5, 0.5, P) - (total_volume(1, 0, P) + total_volume(0, 1, P)) / 2
    return v1, v2, ve


for P in (30.0, 75.0, 125.0):
    V = table[P]
    c, cu = np.polyfit(x, V, 3, cov="unscaled")  # highest power first
    r = V - np.polyval(c, x)
    cov = cu * (r @ r) / (len(x) - 4)
    xs = 0.5
    pw = np.array([xs**3, xs**2, xs, 1.0])
    dpw = np.array([3 * xs**2, 2 * xs, 1.0, 0.0])
    g = {
        "V1": pw + (1 - xs) * dpw,
        "V2": pw - xs * dpw,
        "VE": pw - 0.5 * (np.array([0, 0, 0, 1.0]) + np.ones(4)),
    }
    for (name, gv), tv in zip(g.items(), true_values(P)):
        print(f'{{"{name}({P:.0f})", {gv @ c!r}, {np.sqrt(gv @ cov @ gv)!r}, {tv!r}}},')

# The fit is linear in the volumes: the change of each result when one
# written volume is raised by 1 cm3/mol (the mixture x1 = 0.569, then pure
# gas 2 at x1 = 0), the same at every pressure.
H = np.linalg.pinv(np.vander(x, 4))
for i in (3, 0):
    e = np.zeros(len(x))
    e[i] = 1.0
    print(f"x1 = {x[i]:.3f}:", {name: repr(gv @ H @ e) for name, gv in g.items()})
