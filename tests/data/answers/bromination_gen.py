"""Reference numbers for the bromination_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: np.polyfit lines with
cov='unscaled' times the residual variance, epsilon*l = 160 L/mol assumed,
and the shared bromine order from the pooled design (16 lines and the order)
by its normal equations solved exactly in rational numbers (the readings'
decimals taken as written): the order is a small difference of large
numbers, which a floating-point solve of the pooled design (np.linalg.lstsq)
gets only to about 1e-13, some 4e-9 of its value.
Run: python3 bromination_gen.py [file]
"""
import sys
import numpy as np

fn = sys.argv[1] if len(sys.argv) > 1 else "tests/data/expected/bromination_gen/12345_67890.csv"
L = [l.strip() for l in open(fn).read().splitlines()]
vol = 50.0
recipe = [list(map(float, L[i].split(",")[:4])) for i in range(L.index("Run#,Br2,H+,ketone,Run#,Br2,H+,ketone,") + 1, L.index("Run#,Br2,H+,ketone,Run#,Br2,H+,ketone,") + 9)]
h = np.array([r[2] * 1 / vol for r in recipe])
ket = np.array([r[3] * 4 / vol for r in recipe])
ti = next(i for i, l in enumerate(L) if l.startswith("abs,run,"))
times = np.array([float(x) for x in L[ti].split(",")[2:] if x.strip()])
A = [np.array([float(x) for x in L[ti + 1 + i].split(",")[2:] if x.strip()]) for i in range(8)]

rates, us = [], []
for a in A:
    t = times[:len(a)]
    p, c = np.polyfit(t, a, 1, cov="unscaled")
    r = a - np.polyval(p, t)
    rates.append(-p[0] / 160); us.append(np.sqrt(c[0, 0] * (r @ r) / (len(a) - 2)) / 160)
rates = np.array(rates)
for i in range(8):
    print(f'{{"rate({i+1})", {rates[i]!r}, {us[i]!r}}},')

def order(x, y):
    p, c = np.polyfit(np.log(x), np.log(y), 1, cov="unscaled")
    r = np.log(y) - np.polyval(p, np.log(x))
    return p[0], np.sqrt(c[0, 0] * (r @ r) / 2)

print('{"order(H+)", %r, %r},' % order(h[:4], rates[:4]))
print('{"order(ketone)", %r, %r},' % order(ket[4:], rates[4:]))

from fractions import Fraction as F
ft = [F(x.strip()) for x in L[ti].split(",")[2:] if x.strip()]
fA = [[F(x.strip()) for x in L[ti + 1 + i].split(",")[2:] if x.strip()] for i in range(8)]
rows, y = [], []
for i, a in enumerate(fA):
    t = ft[:len(a)]
    n, mt, ma = len(a), sum(t) / len(a), sum(a) / len(a)
    slope = sum((x - mt) * (v - ma) for x, v in zip(t, a)) / sum((x - mt) ** 2 for x in t)
    for j in range(n):
        z = [F(0)] * 17; z[2 * i] = F(1); z[2 * i + 1] = t[j]; z[16] = slope * slope / (2 * ma) * t[j] ** 2
        rows.append(z); y.append(a[j])
M = [[sum(r[p] * r[q] for r in rows) for q in range(17)] + [sum(r[p] * v for r, v in zip(rows, y))] for p in range(17)]
inv = [[F(int(p == q)) for q in range(17)] for p in range(17)]
for c in range(17):  # Gauss-Jordan on [M | b | I]
    piv = next(r for r in range(c, 17) if M[r][c] != 0)
    M[c], M[piv], inv[c], inv[piv] = M[piv], M[c], inv[piv], inv[c]
    for r in range(17):
        if r != c and M[r][c] != 0:
            f = M[r][c] / M[c][c]
            M[r] = [x - f * z for x, z in zip(M[r], M[c])]
            inv[r] = [x - f * z for x, z in zip(inv[r], inv[c])]
coef = [M[p][17] / M[p][p] for p in range(17)]
res = [v - sum(a * b for a, b in zip(r, coef)) for r, v in zip(rows, y)]
var16 = sum(e * e for e in res) / (len(y) - 17) * inv[16][16] / M[16][16]
print('{"order(Br2)", %r, %r},' % (float(coef[16]), float(var16) ** 0.5))
k = rates / (h * ket)
print('{"k", %r, %r},' % (k.mean(), k.std(ddof=1) / np.sqrt(8)))

# Other routes and null answers, each from its textbook definition.
br2 = np.array([r[1] * 0.02 / vol for r in recipe])
for i, a in enumerate(A):
    t = times[:len(a)]
    two = -(a[-1] - a[0]) / (t[-1] - t[0]) / 160
    first = -np.polyfit(t, np.log(a), 1)[0] * br2[i]
    print(f"rate({i+1}) first and last reading {two!r}, first-order null {first!r}")
for name, c, s in (("H+", h, 0), ("ketone", ket, 4)):
    o = lambda j, i=s: np.log(rates[j] / rates[i]) / np.log(c[j] / c[i])
    print(f"order({name}) ends {o(s + 3)!r}, pairwise mean {np.mean([o(s + j) for j in (1, 2, 3)])!r}")
halves = []
for a in A:
    t = times[:len(a)]; m = len(a) // 2
    s1 = np.polyfit(t[:m + 1], a[:m + 1], 1)[0]; s2 = np.polyfit(t[m:], a[m:], 1)[0]
    halves.append(np.log(s1 / s2) / np.log(a[:m + 1].mean() / a[m:].mean()))
print("order(Br2) halves", repr(np.mean(halves)))
x = h * ket
print("k origin", repr(np.sum(x * rates) / np.sum(x * x)), "acid left out", repr(np.mean(rates / ket)),
      "stock molarities", repr(np.mean(rates / 4.0)))
