# Independent reference values for the first_order_gen answer sheet of
# seeds 12345 67890 (tests/data/expected/first_order_gen/12345_67890.csv).
# Pure Python: the quadratics by the ordinary formula, the lines by the
# closed-form least-squares sums.
# Run:  python3 tests/data/answers/first_order_reference.py
import math, os

here = os.path.dirname(os.path.abspath(__file__))
path = os.path.join(here, "..", "expected", "first_order_gen", "12345_67890.csv")
runs = []
table = None
for line in open(path):
    s = line.strip()
    cells = [c.strip().strip('"') for c in s.split(",")]
    if s.startswith('"temp = "'):
        runs.append({"temp": float(cells[1]), "rows": []})
    elif s.startswith('" Kp = "'):
        runs[-1]["kp"] = float(cells[1])
    elif s.startswith('"final pressure = "'):
        runs[-1]["pf"] = float(cells[1])
    elif s.startswith("time(min)"):
        table = runs[-1]["rows"]
    elif table is not None:
        try:
            table.append((float(cells[0]), float(cells[1])))
        except ValueError:
            table = None

def root(a, b, c):  # larger root of a x^2 + b x + c
    return (-b + math.sqrt(b * b - 4 * a * c)) / (2 * a)

R = 8.314462618


def origin_slope(tt, yy):
    return sum(t * y for t, y in zip(tt, yy)) / sum(t * t for t in tt)


def line_slope(tt, yy):
    n = len(tt)
    mt, my = sum(tt) / n, sum(yy) / n
    return sum((t - mt) * (y - my) for t, y in zip(tt, yy)) / sum((t - mt) ** 2 for t in tt)


xs, ys, temps, ks = [], [], [], []
for i, r in enumerate(runs, 1):
    kp, pf = r["kp"], r["pf"]
    bf = root(4 * pf + kp, kp / 2, -1.5 * kp)
    p0 = pf / (1.5 + bf)
    tt, yy = [], []
    for t, ptot in r["rows"]:
        d = ptot - p0
        beta = root(4 * d + kp, -kp / 2, -kp / 2) if d > 0 else 1.0
        p = p0 - d / (0.5 + beta) if d > 0 else p0
        if p >= 0.02 * p0:
            tt.append(t)
            yy.append(math.log(p / p0))
        r.setdefault("p", []).append((t, p, ptot))
    sxx = sum(t * t for t in tt)
    slope = sum(t * y for t, y in zip(tt, yy)) / sxx
    sse = sum((y - slope * t) ** 2 for t, y in zip(tt, yy))
    se = math.sqrt(sse / (len(tt) - 1) / sxx)
    print(f"k({i})", repr(-slope), "u", repr(se), "p0", repr(p0), "rows", len(tt), "of", len(r["rows"]))
    xs.append(1 / (r["temp"] + 273.15))
    ys.append(math.log(-slope))
    temps.append(r["temp"])
    ks.append(-slope)
    # Other routes: other cut-offs, a line with an intercept; the null
    # answer: the equilibrium left out, ln(Pf - Ptot) against t on the same rows.
    rows = lambda c: [(t, p, pt) for t, p, pt in r["p"] if p >= c * p0]
    k5 = -origin_slope([t for t, p, _ in rows(0.05)], [math.log(p / p0) for t, p, _ in rows(0.05)])
    k10 = -origin_slope([t for t, p, _ in rows(0.10)], [math.log(p / p0) for t, p, _ in rows(0.10)])
    ki = -line_slope(tt, yy)
    kn = -line_slope([t for t, _, _ in rows(0.02)], [math.log(pf - pt) for _, _, pt in rows(0.02)])
    print(f"  k({i}) routes 5 % {k5!r} 10 % {k10!r} intercept {ki!r}; null {kn!r}")
n = len(xs)
mx, my = sum(xs) / n, sum(ys) / n
sxx = sum((x - mx) ** 2 for x in xs)
slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx
icpt = my - slope * mx
s2 = sum((y - icpt - slope * x) ** 2 for x, y in zip(xs, ys)) / (n - 2)
print("Ea", repr(-R * slope), "u", repr(R * math.sqrt(s2 / sxx)))
print("A", repr(math.exp(icpt)), "u", repr(math.exp(icpt) * math.sqrt(s2 * (1 / n + mx * mx / sxx))))


def arrhenius(offset, ends=False):
    idx = [0, len(ks) - 1] if ends else range(len(ks))
    x = [1 / (temps[j] + offset) for j in idx]
    y = [math.log(ks[j]) for j in idx]
    b = line_slope(x, y)
    a = sum(y) / len(y) - b * sum(x) / len(x)
    return -R * b, math.exp(a)


print("273.0", arrhenius(273.0), "ends", arrhenius(273.15, True), "celsius", arrhenius(0.0))
