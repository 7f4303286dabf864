"""Reference numbers for tests/analysis/ammonia_equilibrium_gen_answers_test.cpp.

Reads tests/data/expected/ammonia_equilibrium_gen/12345_67890.csv and works
the sheet with numpy alone (not run by the tests): alpha = V - RT/P with
R = 82.05746; numpy.polyfit of degree 4 of alpha against P, integrated from
0 (numpy.polyint); gamma = exp(integral/RT); Keq = Kp gC^2/(gA gB^2), mean
per temperature; dH = 8.314462 ln(K2/K1)/(1/T1 - 1/T2).

    python3 tests/data/answers/ammonia_equilibrium_gen.py [DATASET.csv]
"""
import pathlib
import sys

import numpy as np

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
