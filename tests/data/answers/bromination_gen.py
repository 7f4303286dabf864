"""Reference numbers for the bromination_gen answer sheet (seeds 12345 67890).

From the data set file alone with numpy: np.polyfit lines with
cov='unscaled' times the residual variance, epsilon*l = 160 L/mol assumed,
and the shared bromine order by np.linalg.lstsq on the pooled design.
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

rows, y = [], []
for i, a in enumerate(A):
    t = times[:len(a)]
    rr, m = rates[i] * 160, a.mean()
    for j in range(len(a)):
        z = np.zeros(17); z[2 * i] = 1; z[2 * i + 1] = t[j]; z[16] = rr * rr / (2 * m) * t[j] ** 2
        rows.append(z); y.append(a[j])
X, y = np.array(rows), np.array(y)
c = np.linalg.lstsq(X, y, rcond=None)[0]
r = y - X @ c
cov = (r @ r) / (len(y) - 17) * np.linalg.inv(X.T @ X)
print('{"order(Br2)", %r, %r},' % (c[16], np.sqrt(cov[16, 16])))
k = rates / (h * ket)
print('{"k", %r, %r},' % (k.mean(), k.std(ddof=1) / np.sqrt(8)))
