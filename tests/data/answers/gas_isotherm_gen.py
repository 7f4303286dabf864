"""Reference numbers for the gas_isotherm_gen answer sheet (seeds 12345 67890).

Worked out from the data set file alone with numpy, independently of the C++
analysis: the flat runs found by eye-equivalent rule (neighbours within
0.025 bar), the van der Waals form P = C*T/(V-B) - A/V^2 fitted to the other
points by Gauss-Newton with an analytic Jacobian, uncertainties from
s^2 (J^T J)^-1 and a numerical gradient, the coexisting volumes as the
outer real roots of the cubic by np.roots (none read where the cubic has one
real root only). Run: python3 gas_isotherm_gen.py [file]
"""
import sys
import numpy as np

R = 83.145
fn = sys.argv[1] if len(sys.argv) > 1 else "tests/data/expected/gas_isotherm_gen/12345_67890.csv"
lines = open(fn).read().splitlines()
isos = []
i = 0
while i < len(lines):
    if lines[i].startswith('"isotherm temperature:"'):
        T = float(lines[i + 1].strip().rstrip(","))
        j = i + 4
        V, P = [], []
        while j < len(lines) and lines[j].strip() not in (",", ""):
            a, b = lines[j].split(",")
            V.append(float(a)); P.append(float(b)); j += 1
        isos.append((T, np.array(V), np.array(P)))
        i = j
    else:
        i += 1

def flat_run(P):
    best = (0, 0)
    for s in range(len(P)):
        e = s + 1
        while e < len(P) and P[s:e + 1].max() - P[s:e + 1].min() <= 0.025:
            e += 1
        if e - s > best[1] - best[0]:
            best = (s, e)
    return best if best[1] - best[0] >= 2 else (0, 0)

flats = [flat_run(P) for _, _, P in isos]
T, V, P = [], [], []
for (t, v, p), (s, e) in zip(isos, flats):
    for k in range(len(v)):
        if not s <= k < e:
            T.append(t); V.append(v[k]); P.append(p[k])
T, V, P = map(np.array, (T, V, P))

# start: the equation multiplied out, P V^3 = B P V^2 + C T V^2 - A V + AB
X = np.column_stack([P * V**2, T * V**2, -V, np.ones_like(V)])
c = np.linalg.lstsq(X, P * V**3, rcond=None)[0]
q = np.array([c[2], c[0], c[1]])  # A, B, C
for _ in range(50):
    A, B, C = q
    r = P - (C * T / (V - B) - A / V**2)
    J = np.column_stack([-1 / V**2, C * T / (V - B)**2, T / (V - B)])
    q = q + np.linalg.lstsq(J, r, rcond=None)[0]
A, B, C = q
r = P - (C * T / (V - B) - A / V**2)
J = np.column_stack([-1 / V**2, C * T / (V - B)**2, T / (V - B)])
s2 = r @ r / (len(P) - 3)
cov = s2 * np.linalg.inv(J.T @ J)

def prop(f, x, cv):
    x = np.asarray(x, float)
    g = np.zeros(len(x))
    for k in range(len(x)):
        h = 1e-6 * abs(x[k]); d = np.zeros(len(x)); d[k] = h
        g[k] = (f(x + d) - f(x - d)) / (2 * h)
    return f(x), np.sqrt(g @ cv @ g)

tc = lambda x: 8 * x[0] / (27 * x[1] * x[2])
pc = lambda x: x[0] / (27 * x[1]**2)
out = {
    "Tc": prop(tc, q, cov),
    "Pc": prop(pc, q, cov),
    "Vc": prop(lambda x: 3 * x[1], q, cov),
    "Zc": prop(lambda x: pc(x) * 3 * x[1] / (R * tc(x)), q, cov),
    "a": prop(lambda x: 27 * R**2 * tc(x)**2 / (64 * pc(x)), q, cov),
    "b": prop(lambda x: R * tc(x) / (8 * pc(x)), q, cov),
}
Tc = out["Tc"][0]
for n, ((t, v, p), (s, e)) in enumerate(zip(isos, flats), 1):
    if e - s < 2 or t >= Tc:
        continue
    f = p[s:e]
    m, um = f.mean(), f.std(ddof=1) / np.sqrt(len(f))
    cv4 = np.zeros((4, 4)); cv4[:3, :3] = cov; cv4[3, 3] = um**2
    def root(x, gas):
        A_, B_, C_, ps = x
        z = np.roots([ps, -(ps * B_ + C_ * t), A_, -A_ * B_])
        z = np.sort(z[abs(z.imag) < 1e-9].real)
        return z[-1] if gas else z[0]
    out[f"Pvap({n})"] = (m, um)
    z = np.roots([m, -(m * B + C * t), A, -A * B])
    if np.sum(abs(z.imag) < 1e-9) < 3:
        print(f"# isotherm {n}: the tie line meets the fitted isotherm once")
        continue
    out[f"Vl({n})"] = prop(lambda x: root(x, False), [A, B, C, m], cv4)
    out[f"Vg({n})"] = prop(lambda x: root(x, True), [A, B, C, m], cv4)
for k, (v, u) in out.items():
    print(f'{{"{k}", {v!r}, {u!r}}},')

# Other routes and null answers, worked out here by other means than the
# analysis: the linearised start's constants; Tc midway between the
# isotherms either side of the fitted Tc; Pc on the line of ln P(vap) against
# 1/T (np.polyfit); Vc from the line of the coexisting densities' mean
# against T; the tie-line pressure of the fitted isotherm by Maxwell's equal
# areas (scipy's brentq between the loop's extrema, the area by quad); and
# what a student reports who takes the gas's Zc for the van der Waals 3/8.
from scipy.integrate import quad
from scipy.optimize import brentq

print("# routes and null answers")
q0 = np.array([c[2], c[0], c[1]])
print("linearised Tc, Pc, Vc:", repr(tc(q0)), repr(pc(q0)), repr(3 * q0[1]))
temps = [t for t, _, _ in isos]
above = next(k for k, t in enumerate(temps) if t >= Tc)
print("Tc midway:", repr((temps[above - 1] + temps[above]) / 2))
ties = [k for k in range(1, 10) if f"Pvap({k})" in out]
inv_t = [1 / isos[k - 1][0] for k in ties]
ln_p = [np.log(out[f"Pvap({k})"][0]) for k in ties]
print("Pc on the vapor-pressure line:", repr(np.exp(np.polyval(np.polyfit(inv_t, ln_p, 1), 1 / Tc))))
read = [k for k in ties if f"Vl({k})" in out]
mean_d = [(1 / out[f"Vl({k})"][0] + 1 / out[f"Vg({k})"][0]) / 2 for k in read]
print("Vc from the density diameter:", repr(1 / np.polyval(np.polyfit([isos[k - 1][0] for k in read], mean_d, 1), Tc)))


def maxwell(t):
    P = lambda v: C * t / (v - B) - A / v**2
    ext = np.sort(np.roots([C * t, -2 * A, 4 * A * B, -2 * A * B * B]).real)

    def unequal(p):
        z = np.sort(np.roots([p, -(p * B + C * t), A, -A * B]).real)
        return p * (z[2] - z[0]) - quad(P, z[0], z[2], epsabs=1e-12, epsrel=1e-13)[0]

    return brentq(unequal, P(ext[1]) + 1e-9, P(ext[2]) - 1e-9, xtol=1e-12)


for k in ties:
    print(f"Pvap({k}) median, Maxwell:", repr(np.median(isos[k - 1][2][flats[k - 1][0]:flats[k - 1][1]])),
          repr(maxwell(isos[k - 1][0])))
Vc_ = out["Vc"][0]
Pc_ = out["Pc"][0]
print("null Vc = 3R Tc/(8 Pc):", repr(3 * R * Tc / (8 * Pc_)), " b = Vc/3:", repr(Vc_ / 3), " a = 3 Pc Vc^2:",
      repr(3 * Pc_ * Vc_**2))
