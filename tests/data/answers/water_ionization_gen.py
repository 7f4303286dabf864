"""Reference numbers for tests/analysis/water_ionization_gen_answers_test.cpp.

Reads tests/data/expected/water_ionization_gen/12345_67890.csv and works the
sheet with numpy alone (not run by the tests): RT/F from the file's R, T, F;
left side = (E_A - E_B) - RT/F ln(m1 m3 (m3+m4)/m4) - RT/F 2 ln(gamma) with
ln(gamma) = -0.511 ln(10) sqrt(I), I = m3 + m4; a degree-4 polynomial of the
left side against I; Kw = exp(-c0 / (RT/F)).

Then the routes (polynomials of degree 3 and 5; a line through the 4 and the
8 most dilute rows; a quadratic through 9; A = 0.509), the null answers
(gamma = 1; the most dilute row, not extrapolated) and the route the handout
rules out: A of water at the run's temperature, interpolated in the common
table of A (0 to 60 C every 5 degrees).

    python3 tests/data/answers/water_ionization_gen.py
"""
import pathlib
import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
PATH = HERE.parent / "expected" / "water_ionization_gen" / "12345_67890.csv"

lines = [l.split(",") for l in PATH.read_text().splitlines()]
consts = {l[0].strip(): float(l[1]) for l in lines if l[0].strip() in ("F =", "T =", "R =")}
rtf = consts["R ="] * consts["T ="] / consts["F ="]
start = next(i for i, l in enumerate(lines) if l[0].strip() == "m2=m4")
rows = []
for l in lines[start + 2:]:
    try:
        rows.append([float(l[0]), float(l[1]), float(l[3]), float(l[4])])
    except (ValueError, IndexError):
        break
m24, m13, ea, eb = np.array(rows).T
I = m13 + m24
ln_gamma = -0.511 * np.log(10) * np.sqrt(I)
ms = m13 * m13 * I / m24
left = (ea - eb) - rtf * np.log(ms) - rtf * 2 * ln_gamma
X = np.vander(I, 5, increasing=True)
coef, *_ = np.linalg.lstsq(X, left, rcond=None)
res = left - X @ coef
cov = (res @ res / (len(I) - 5)) * np.linalg.inv(X.T @ X)
kw = np.exp(-coef[0] / rtf)
print(f"rows {len(I)}  RT/F {rtf:.12g}")
print(f"c0 {coef[0]:.12g} +- {np.sqrt(cov[0, 0]):.6g}")
print(f"Kw {kw:.10g} +- {kw * np.sqrt(cov[0, 0]) / rtf:.6g}")
print("ln(gamma)", ln_gamma[[0, 15]])
print("RT/F ln(m's)", (rtf * np.log(ms))[[0, 15]])
print("left side", left[[0, 7, 15]])


def kw_by(a, deg, rows):
    y = (ea - eb) - rtf * np.log(ms) + rtf * 2 * a * np.log(10) * np.sqrt(I)
    return np.exp(-np.polyfit(I[:rows], y[:rows], deg)[-1] / rtf)


table_a = [0.4918, 0.4952, 0.4989, 0.5028, 0.5070, 0.5115, 0.5161, 0.5211, 0.5262, 0.5317, 0.5373,
           0.5432, 0.5494]
a_t = np.interp(consts["T ="] - 273.15, np.arange(0, 61, 5), table_a)
for name, v in [("degree 3", kw_by(0.511, 3, 16)), ("degree 5", kw_by(0.511, 5, 16)),
                ("line 4 rows", kw_by(0.511, 1, 4)), ("line 8 rows", kw_by(0.511, 1, 8)),
                ("quadratic 9 rows", kw_by(0.511, 2, 9)), ("A = 0.509", kw_by(0.509, 4, 16)),
                ("null gamma = 1", kw_by(0.0, 4, 16)), ("null first row", np.exp(-left[0] / rtf)),
                (f"A(T) = {a_t:.5f}", kw_by(a_t, 4, 16))]:
    print(f"{name:18s} Kw {v:.10g}  ({v / kw - 1:+.4%})")
