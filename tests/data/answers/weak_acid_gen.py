"""Reference numbers for tests/analysis/weak_acid_gen_answers_test.cpp.

Reads tests/data/expected/weak_acid_gen/12345_67890.csv and works the sheet
with numpy alone (not run by the tests): each strong table fitted with
Lambda + beta*sqrt(c) = L0*(1 - alpha*sqrt(c)) + B*c*(1 - alpha*sqrt(c)),
Kohlrausch for HY, the degree of dissociation iterated, Debye-Hueckel and
Davies corrections, Ka the mean of the Debye-Hueckel values.

Then the routes and null answers: Lambda0 of each strong table by
Kohlrausch's square-root line over every row and over the 5 most dilute, by a
quadratic in sqrt(c), and the most dilute Lambda itself (null); HY's own
Lambda extrapolated (null); Ka from the Davies table, from delta after one
step, from log K' against sqrt(c') to c' = 0, from the Shedlovsky line
1/delta = 1 + c delta gamma^2/Ka, from the rows without the 3 most
concentrated, and the null answers gamma = 1 and delta = Lambda/Lambda0.

    python3 tests/data/answers/weak_acid_gen.py
"""
import pathlib
import numpy as np

ALPHA, BETA, A_DH = 0.229, 60.2, 0.511
HERE = pathlib.Path(__file__).resolve().parent
PATH = HERE.parent / "expected" / "weak_acid_gen" / "12345_67890.csv"


def tables(text):
    out, cur = [], None
    for line in text.splitlines():
        s = line.strip()
        if s.startswith("conc,Lambda_c"):
            cur = []
            out.append(cur)
            continue
        if cur is not None:
            cells = s.split(",")
            try:
                cur.append((float(cells[0]), float(cells[1])))
            except (ValueError, IndexError):
                cur = None
    return [np.array(t) for t in out if t]


def fit_law(c, lam):
    s = np.sqrt(c)
    X = np.column_stack([1 - ALPHA * s, c * (1 - ALPHA * s)])
    y = lam + BETA * s
    coef, *_ = np.linalg.lstsq(X, y, rcond=None)
    r = y - X @ coef
    cov = (r @ r / (len(y) - 2)) * np.linalg.inv(X.T @ X)
    return coef, np.sqrt(np.diag(cov))


hx, mx, my, hy = tables(PATH.read_text())[:4]
(l_hx, b_hx), (u_hx, _) = fit_law(*hx.T)
(l_mx, b_mx), (u_mx, _) = fit_law(*mx.T)
(l_my, b_my), (u_my, _) = fit_law(*my.T)
l_hy = l_hx + l_my - l_mx
b_hy = b_hx + b_my - b_mx
u_hy = np.sqrt(u_hx**2 + u_mx**2 + u_my**2)

c, lam = hy.T
delta = lam / l_hy
for _ in range(200):
    cp = c * delta
    r = np.sqrt(cp)
    lam_h = l_hy - (ALPHA * l_hy + BETA) * r + b_hy * cp * (1 - ALPHA * r)
    delta = lam / lam_h
cp = c * delta
r = np.sqrt(cp)
kprime = c * delta**2 / (1 - delta)
k_dh = kprime * 10 ** (-2 * A_DH * r)
k_dv = kprime * 10 ** (-2 * A_DH * (r / (1 + r) - 0.3 * cp))

np.set_printoptions(precision=12)
print(f"L0(HX) {l_hx:.10g} +- {u_hx:.6g}")
print(f"L0(MX) {l_mx:.10g} +- {u_mx:.6g}")
print(f"L0(MY) {l_my:.10g} +- {u_my:.6g}")
print(f"L0(HY) {l_hy:.10g} +- {u_hy:.6g}")
print(f"B(HY)  {b_hy:.10g}")
print(f"Ka     {k_dh.mean():.10g} +- {k_dh.std(ddof=1) / np.sqrt(len(k_dh)):.6g}")
print("delta   ", delta[[0, 7, 14]])
print("Lambda_h", lam_h[[0, 7, 14]])
print("Keq DH  ", k_dh[[0, 7, 14]])
print("Keq Dav ", k_dv[[0, 7, 14]])


def others(c, lam):
    s = np.sqrt(c)
    return [np.polyfit(s, lam, 1)[1], np.polyfit(s[:5], lam[:5], 1)[1], np.polyfit(s, lam, 2)[2], lam[0]]


names = ["line every row", "line 5 rows", "quadratic", "null: most dilute"]
o = {k: others(*t.T) for k, t in (("HX", hx), ("MX", mx), ("MY", my))}
o["HY"] = [a + b - d for a, b, d in zip(o["HX"], o["MY"], o["MX"])]
for k, v in o.items():
    print(k, "  ".join(f"{n} {x:.10g}" for n, x in zip(names, v)))
print(f"HY null: own Lambda extrapolated {np.polyfit(np.sqrt(c[:5]), lam[:5], 1)[1]:.10g}")


def k_dh_of(delta):
    return c * delta**2 / (1 - delta) * 10 ** (-2 * A_DH * np.sqrt(c * delta))


d1 = lam / l_hy
cp1 = c * d1
d1 = lam / (l_hy - (ALPHA * l_hy + BETA) * np.sqrt(cp1) + b_hy * cp1 * (1 - ALPHA * np.sqrt(cp1)))
g2 = 10 ** (-2 * A_DH * r)
ka = {
    "Davies": k_dv.mean(),
    "one step": k_dh_of(d1).mean(),
    "log K' line": 10 ** np.polyfit(r, np.log10(kprime), 1)[1],
    "Shedlovsky": 1 / np.polyfit(c * delta * g2, 1 / delta, 1)[0],
    "without 3 rows": k_dh[:-3].mean(),
    "null gamma = 1": kprime.mean(),
    "null Lambda/Lambda0": k_dh_of(lam / l_hy).mean(),
}
for k, v in ka.items():
    print(f"Ka {k:20s} {v:.10g}  ({v / k_dh.mean() - 1:+.4%})")
