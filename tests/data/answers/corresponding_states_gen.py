"""Reference numbers for the corresponding_states_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: np.polyfit lines (covariance from
np.polyfit(cov='unscaled') times the residual variance), and Guggenheim's
curve fitted by Gauss-Newton with an analytic Jacobian.
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
T = t + 273.15

def line(x, y):
    p, cu = np.polyfit(x, y, 1, cov="unscaled")
    r = y - np.polyval(p, x)
    return p, cu * (r @ r) / (len(x) - 2)

pw, cw = line(T, (dl - dv) ** 3)
tc = -pw[1] / pw[0]
g = np.array([pw[1] / pw[0] ** 2, -1 / pw[0]])  # d tc / d(slope, intercept)
utc = np.sqrt(g @ cw @ g)
pd, cd = line(T, (dl + dv) / 2)
dc = np.polyval(pd, tc)
h = np.array([tc, 1.0])
udc = np.sqrt(h @ cd @ h + (pd[0] * utc) ** 2)
print("Tc(rd)", repr(tc), repr(utc))
print("dc(rd)", repr(dc), repr(udc))

y = np.concatenate([dl, dv])
Tt = np.concatenate([T, T])
s = np.concatenate([np.ones_like(T), -np.ones_like(T)])
p = np.array([tc, dc])
for _ in range(100):
    tau = 1 - Tt / p[0]
    f = p[1] * (1 + 0.75 * tau + s * 1.75 * np.cbrt(tau))
    dtau = Tt / p[0] ** 2
    J = np.column_stack([p[1] * (0.75 + s * 1.75 / 3 * np.cbrt(tau) ** -2) * dtau, 1 + 0.75 * tau + s * 1.75 * np.cbrt(tau)])
    p = p + np.linalg.lstsq(J, y - f, rcond=None)[0]
r = y - f
cov = (r @ r) / (len(y) - 2) * np.linalg.inv(J.T @ J)
print("Tc(cs)", repr(p[0]), repr(np.sqrt(cov[0, 0])))
print("dc(cs)", repr(p[1]), repr(np.sqrt(cov[1, 1])))
