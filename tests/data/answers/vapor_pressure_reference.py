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

# Antoine law multiplied out: T ln P = a T - c ln P + (a c - b), least
# squares by the normal equations.
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

X = [[t, yy, 1.0] for t, yy in zip(T, y)]
z = [t * yy for t, yy in zip(T, y)]
XtX = [[sum(X[i][u] * X[i][v] for i in range(n)) for v in range(3)] for u in range(3)]
Xtz = [sum(X[i][u] * z[i] for i in range(n)) for u in range(3)]
q = solve(XtX, Xtz)
r = [zz - sum(X[i][k] * q[k] for k in range(3)) for i, zz in enumerate(z)]
s2 = sum(rr * rr for rr in r) / (n - 3)
inv = [solve(XtX, [1.0 if i == j else 0.0 for i in range(3)]) for j in range(3)]
C = [[s2 * inv[i][j] for j in range(3)] for i in range(3)]
# a = q0, c = -q1, b = a c - q2 = -q0 q1 - q2; gradient of b: (-q1, -q0, -1)
g = [-q[1], -q[0], -1.0]
u_b = math.sqrt(sum(g[i] * C[i][j] * g[j] for i in range(3) for j in range(3)))
print("a", repr(q[0]), "u", repr(math.sqrt(C[0][0])))
print("b", repr(-q[0] * q[1] - q[2]), "u", repr(u_b))
print("c", repr(-q[1]), "u", repr(math.sqrt(C[1][1])))
