"""Reference numbers for tests/analysis/ammonia_equilibrium_gen_answers_test.cpp.

Reads tests/data/expected/ammonia_equilibrium_gen/12345_67890.csv and works
the sheet with numpy alone (not run by the tests): alpha = V - RT/P with
R = 82.05746; numpy.polyfit of degree 4 of alpha against P, integrated from
0 (numpy.polyint); gamma = exp(integral/RT); Keq = Kp gC^2/(gA gB^2), mean
per temperature; dH = 8.314462 ln(K2/K1)/(1/T1 - 1/T2).

Then the other routes to K a careful student may take, each carried through
van 't Hoff: the integral of alpha by polynomials of degree 3 and 5, by the
trapezoid rule (alpha at P = 0 on the line through the first two rows), by
the van der Waals equation fitted to each table (scipy least_squares of
Z = V/(V - b) - a'/V, ln phi in closed form), R = 82.06, T = t + 273, and
K as the P = 0 limit of a quadratic in P through Kp up to 100 atm; and the
null answer, the mean of Kp.

    python3 tests/data/answers/ammonia_equilibrium_gen.py [DATASET.csv]
"""
import pathlib
import sys

import numpy as np
from scipy.optimize import least_squares

R, RSI, T0 = 82.05746, 8.314462, 273.15
HERE = pathlib.Path(__file__).resolve().parent
DEFAULT = HERE.parent / "expected" / "ammonia_equilibrium_gen" / "12345_67890.csv"
PATH = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT

lines = [l.split(",") for l in PATH.read_text().splitlines()]
blocks = []
i = 0
while i < len(lines):
    head = lines[i][0].strip()
    if head == "Temperature":
        blocks.append({"t": float(lines[i][1]), "tables": []})
    elif head.startswith("P(atm)"):
        rows = []
        for l in lines[i + 1:]:
            try:
                rows.append([float(l[0]), float(l[1])])
            except (ValueError, IndexError):
                break
        blocks[-1]["tables"].append(np.array(rows))
        i += len(rows)
    i += 1

ks, ts = [], []
for b in blocks:
    T = b["t"] + T0
    gam = []
    for P, V in (t.T for t in b["tables"][:3]):
        a = V - R * T / P
        integ = np.polyval(np.polyint(np.polyfit(P, a, 4)), P)
        gam.append(np.exp(integ / (R * T)))
        print(f"T {b['t']}: alpha[0] {a[0]:.6f} integ[0] {integ[0]:.6f} integ[-1] {integ[-1]:.6f} "
              f"gamma[-1] {gam[-1][-1]:.10f}")
    P, kp = b["tables"][3].T
    keq = kp * gam[2] ** 2 / (gam[0] * gam[1] ** 2)
    u = keq.std(ddof=1) / np.sqrt(len(keq))
    print(f"Keq at {b['t']} C: {keq.mean():.10g} +- {u:.6g}   (10 atm {keq[0]:.10g}, 500 atm {keq[-1]:.10g})")
    ks.append((keq.mean(), u))
    ts.append(T)
(k1, u1), (k2, u2) = ks
d = 1 / ts[0] - 1 / ts[1]
dh = RSI * np.log(k2 / k1) / d
udh = RSI / d * np.hypot(u1 / k1, u2 / k2)
print(f"dH {dh:.10g} +- {udh:.6g}")


def ln_phi_poly(P, V, rt, deg):
    a = V - rt / P
    return np.polyval(np.polyint(np.polyfit(P, a, deg)), P) / rt


def ln_phi_trap(P, V, rt):
    a = V - rt / P
    a0 = a[0] - (a[1] - a[0]) / (P[1] - P[0]) * P[0]
    pp, aa = np.concatenate([[0], P]), np.concatenate([[a0], a])
    return np.cumsum((aa[1:] + aa[:-1]) / 2 * np.diff(pp)) / rt


def ln_phi_vdw(P, V, rt):
    z = P * V / rt
    b0 = V.min() / 3
    fit = least_squares(lambda q: V / (V - q[1]) - q[0] / V - z, [b0 - (V[0] - rt / P[0]), b0],
                        xtol=1e-15, ftol=1e-15, gtol=1e-15)
    a, b = fit.x
    return b / (V - b) - 2 * a / V - np.log(P * (V - b) / rt)


def keq_route(b, ln_phi, r=R, zero=T0):
    rt = r * (b["t"] + zero)
    lp = [ln_phi(P, V, rt) for P, V in (t.T for t in b["tables"][:3])]
    kp = b["tables"][3][:, 1]
    return np.mean(kp * np.exp(2 * lp[2] - lp[0] - 2 * lp[1]))


def kp_limit(b):
    P, kp = b["tables"][3].T
    low = P <= 100
    return np.polyfit(P[low], kp[low], 2)[-1]


routes = {
    "degree 3": (lambda b: keq_route(b, lambda P, V, rt: ln_phi_poly(P, V, rt, 3)), T0),
    "degree 5": (lambda b: keq_route(b, lambda P, V, rt: ln_phi_poly(P, V, rt, 5)), T0),
    "trapezoid": (lambda b: keq_route(b, ln_phi_trap), T0),
    "van der Waals": (lambda b: keq_route(b, ln_phi_vdw), T0),
    "R = 82.06": (lambda b: keq_route(b, lambda P, V, rt: ln_phi_poly(P, V, rt, 4), r=82.06), T0),
    "T + 273": (lambda b: keq_route(b, lambda P, V, rt: ln_phi_poly(P, V, rt, 4), zero=273.0), 273.0),
    "Kp at P = 0": (kp_limit, T0),
    "null: mean Kp": (lambda b: b["tables"][3][:, 1].mean(), T0),
}
for name, (route, zero) in routes.items():
    r1, r2 = route(blocks[0]), route(blocks[1])
    d = 1 / (blocks[0]["t"] + zero) - 1 / (blocks[1]["t"] + zero)
    print(f"{name:15s} K1 {r1:.10g}  K2 {r2:.10g}  dH {RSI * np.log(r2 / r1) / d:.10g}")
print(f"dH tolerance floor 0.001 R/(1/T1 - 1/T2) = {1e-3 * RSI / d:.6g}")
