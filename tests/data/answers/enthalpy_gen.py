"""Reference numbers for the enthalpy_gen answer sheet, seeds 12345 67890.

Worked out from the data set as written, independently of the C++ code:
numpy's least squares on the rows scaled by 1/u(fs) (weighted line of the
Shomate function against 1/T), covariance (AᵀWA)⁻¹ from the known weights.
The other routes (numpy's lstsq each): the line unweighted, least squares
of H − Cp(298)(T − T0) on (T − T0)² and (T − T0)²/T, and the weighted line
without the lowest temperature; each gives b and c/T0², and from them
a, c, d and Cp at 500 and 1000 K.
Run: python3 tests/data/answers/enthalpy_gen.py
"""
import math
import pathlib

import numpy as np

T0 = 298.15
csv = pathlib.Path(__file__).parents[1] / "expected" / "enthalpy_gen" / "12345_67890.csv"
lines = csv.read_text().splitlines()
cp298 = float([l for l in lines if "Cp(298) = ," in l][0].split(",")[1])
start = [i for i, l in enumerate(lines) if l.strip().startswith("T(K),H(T)")][0] + 1
T, H = [], []
for l in lines[start:]:
    cells = l.split(",")
    try:
        T.append(float(cells[0])); H.append(float(cells[1]))
    except ValueError:
        break
T = np.array(T); H = np.array(H)
tau = T - T0
fs = (H - cp298 * tau) / tau**2
u = (0.005 / math.sqrt(3)) * H / tau**2
A = np.vstack([np.ones_like(T), 1 / T]).T
Aw = A / u[:, None]
coef, *_ = np.linalg.lstsq(Aw, fs / u, rcond=None)
cov = np.linalg.inv(Aw.T @ Aw)
b, s = coef
c = s * T0**2
a = cp298 - 2 * b * T0 + s
d = -(a * T0 + b * T0**2 + c / T0)
Ja = np.array([-2 * T0, 1.0])
Jd = -(T0 * Ja + np.array([T0**2, T0]))
print("b = %.10g +- %.6g" % (b, math.sqrt(cov[0, 0])))
print("c = %.10g +- %.6g" % (c, math.sqrt(cov[1, 1]) * T0**2))
print("a = %.10g +- %.6g" % (a, math.sqrt(Ja @ cov @ Ja)))
print("d = %.10g +- %.6g" % (d, math.sqrt(Jd @ cov @ Jd)))
for Tc in (500.0, 1000.0):
    J = Ja + np.array([2 * Tc, -T0**2 / Tc**2])
    print("Cp(%g) = %.10g +- %.6g" % (Tc, a + 2 * b * Tc - c / Tc**2, math.sqrt(J @ cov @ J)))
print("fs =", " ".join("%.10g" % v for v in fs))
hc = a * T + b * T**2 + c / T + d
print("dev% =", " ".join("%.8g" % v for v in 100 * (H - hc) / H))
# The weighted sums of the solution workbook's closed-form line, w = 1/u².
w = 1 / u**2
x = 1 / T
print("sums: w %.12g  w/T %.12g  w fs %.12g  w/T² %.12g  w fs/T %.12g  Delta %.12g" % (
    w.sum(), (w * x).sum(), (w * fs).sum(), (w * x * x).sum(), (w * x * fs).sum(),
    w.sum() * (w * x * x).sum() - (w * x).sum() ** 2))


def derived(q):
    b, s = q
    a = cp298 - 2 * b * T0 + s
    return {"b": b, "c": s * T0**2, "a": a, "d": -(a * T0 + b * T0**2 + s * T0),
            "Cp(500)": a + 1000 * b - s * T0**2 / 500**2, "Cp(1000)": a + 2000 * b - s * T0**2 / 1000**2}


routes = {
    "unweighted": np.linalg.lstsq(A, fs, rcond=None)[0],
    "H itself": np.linalg.lstsq(np.vstack([tau**2, tau**2 / T]).T, H - cp298 * tau, rcond=None)[0],
    "no lowest T": np.linalg.lstsq(Aw[1:], (fs / u)[1:], rcond=None)[0],
}
for name, q in routes.items():
    print(name + ":", "  ".join("%s %.10g" % kv for kv in derived(q).items()))
