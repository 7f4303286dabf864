# Independent reference values for the vapor_pressure_gen answer sheet of
# seeds 12345 67890 (tests/data/expected/vapor_pressure_gen/12345_67890.csv).
# Pure Python: closed-form least squares for the line, Gauss-Newton with the
# analytic Jacobian and Gaussian elimination for the Antoine law.
# Run:  python3 tests/data/answers/vapor_pressure_reference.py
import math, sys, os

here = os.path.dirname(os.path.abspath(__file__))
path = os.path.join(here, "..", "expected", "vapor_pressure_gen", "12345_67890.csv")
# With an argument "edited", the fifth temperature 373.84 is read as 378.84,
# as in the test of an edited data set.
edited = len(sys.argv) > 1 and sys.argv[1] == "edited"
rows = []
started = False
for line in open(path):
    if edited:
        line = line.replace(" 373.84,", " 378.84,")
    s = line.strip()
    if s == "T(K),P(Pa)":
        started = True
        continue
    if started:
        t, p = s.split(",")
        rows.append((float(t), float(p)))
T = [r[0] for r in rows]
P = [r[1] for r in rows]
n = len(T)
x = [1 / t for t in T]
y = [math.log(p) for p in P]
mx, my = sum(x) / n, sum(y) / n
sxx = sum((a - mx) ** 2 for a in x)
sxy = sum((a - mx) * (b - my) for a, b in zip(x, y))
slope = sxy / sxx
icpt = my - slope * mx
sse = sum((b - icpt - slope * a) ** 2 for a, b in zip(x, y))
s2 = sse / (n - 2)
se_slope = math.sqrt(s2 / sxx)
var_icpt = s2 * (1 / n + mx * mx / sxx)
cov = -mx * s2 / sxx
R = 8.314462618
print("slope", repr(slope), "intercept", repr(icpt), "se_slope", repr(se_slope))
print("dHvap", repr(-R * slope), "u", repr(R * se_slope))
xb = (math.log(101325) - icpt) / slope
Tb = 1 / xb
# Tb = slope/(ln P0 - icpt): gradient wrt (icpt, slope)
L = math.log(101325)
g_i = slope / (L - icpt) ** 2
g_s = 1 / (L - icpt)
u_tb = math.sqrt(g_i * g_i * var_icpt + 2 * g_i * g_s * cov + g_s * g_s * se_slope ** 2)
print("Tb", repr(Tb), "u", repr(u_tb))

# Hidden constants (float values, as the generator's key lists them).
a, b, c = 20.966158, 3349.1509, -44.547321
tstar = 1 / mx
print("dHvap true", repr(R * b * tstar ** 2 / (tstar + c) ** 2), "T*", repr(tstar))
print("Tb true", repr(b / (a - L) - c))

# Antoine fit: ln P = A - B/(T + C), Gauss-Newton from the line (C = 0).
def solve(M, v):
    M = [row[:] + [vv] for row, vv in zip(M, v)]
    k = len(v)
    for i in range(k):
        piv = max(range(i, k), key=lambda r: abs(M[r][i]))
        M[i], M[piv] = M[piv], M[i]
        for r in range(i + 1, k):
            f = M[r][i] / M[i][i]
            for cc in range(i, k + 1):
                M[r][cc] -= f * M[i][cc]
    out = [0.0] * k
    for i in reversed(range(k)):
        out[i] = (M[i][k] - sum(M[i][j] * out[j] for j in range(i + 1, k))) / M[i][i]
    return out

p = [icpt, -slope, 0.0]
for it in range(200):
    J = [[1.0, -1 / (t + p[2]), p[1] / (t + p[2]) ** 2] for t in T]
    r = [yy - (p[0] - p[1] / (t + p[2])) for t, yy in zip(T, y)]
    JtJ = [[sum(J[i][u] * J[i][v] for i in range(n)) for v in range(3)] for u in range(3)]
    Jtr = [sum(J[i][u] * r[i] for i in range(n)) for u in range(3)]
    d = solve(JtJ, Jtr)
    p = [pp + dd for pp, dd in zip(p, d)]
    if max(abs(dd) for dd in d) < 1e-13 * max(1, max(abs(pp) for pp in p)):
        break
r = [yy - (p[0] - p[1] / (t + p[2])) for t, yy in zip(T, y)]
s2 = sum(rr * rr for rr in r) / (n - 3)
J = [[1.0, -1 / (t + p[2]), p[1] / (t + p[2]) ** 2] for t in T]
JtJ = [[sum(J[i][u] * J[i][v] for i in range(n)) for v in range(3)] for u in range(3)]
inv = [solve(JtJ, [1.0 if i == j else 0.0 for i in range(3)]) for j in range(3)]
for k, name in enumerate("abc"):
    print(name, repr(p[k]), "u", repr(math.sqrt(s2 * inv[k][k])))
