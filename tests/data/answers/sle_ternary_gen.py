"""Reference numbers for the sle_ternary_gen answer sheet, seeds 12345 67890.

Worked out from the data set as written, independently of the C++ code: for
each branch the point of the triangle's plane (side 100) that minimises the
sum of squared perpendicular distances to the lines solution -> wet
residue, from the 2x2 normal equations sum(n nT) X = sum(n nT P) solved by
numpy; its uncertainty by perturbing each of the branch's twenty written
numbers by its rounding (standard uncertainty 0.005/sqrt(3)) one at a time
(finite differences), summed in quadrature. The other constructions: the
crossing of the first and last lines, the mean of the crossings of every
two lines (numpy's 2x2 solve of the two lines' equations), the least-squares
point on a right-angled plot (%A, %B as plane coordinates); and the null
answers, the mean wet residue and the residue richest in A (or B).
Run: python3 tests/data/answers/sle_ternary_gen.py
"""
import math
import pathlib

import numpy as np

R3 = math.sqrt(3)
csv = pathlib.Path(__file__).parents[1] / "expected" / "sle_ternary_gen" / "12345_67890.csv"
lines = [l.strip() for l in csv.read_text().splitlines()]

def meet(v, right=False):
    A = np.zeros((2, 2)); b = np.zeros(2)
    for i in range(0, len(v), 4):
        P = []
        for pa, pb in ((v[i], v[i + 1]), (v[i + 2], v[i + 3])):
            P.append(np.array([pa, pb]) if right else np.array([50 - pa / 2 + pb / 2, (100 - pa - pb) * R3 / 2]))
        d = P[1] - P[0]; n = np.array([-d[1], d[0]]) / np.linalg.norm(d)
        A += np.outer(n, n); b += n * (n @ P[0])
    x, y = np.linalg.solve(A, b)
    return np.array([x, y]) if right else np.array([100 - x - y / R3, x - y / R3])


def cross(l1, l2):
    """Where two lines (solution %A, %B, residue %A, %B) cross, in %A, %B:
    the affine map to the plane keeps crossings, so solve in %A, %B."""
    M, r = [], []
    for l in (l1, l2):
        d = (l[2] - l[0], l[3] - l[1])
        M.append((-d[1], d[0])); r.append(-d[1] * l[0] + d[0] * l[1])
    return np.linalg.solve(np.array(M), np.array(r))

u = 0.005 / math.sqrt(3)
for k in (1, 2, 3):
    start = lines.index("Case %d," % k) + 4
    branches, cur = [], None
    for l in lines[start:]:
        cells = l.split(",")
        if cells[0] == "":
            break
        if cells[2] == "---":
            if cur is not None:
                branches.append(cur)
            cur = []
        else:
            cur += [float(c) for c in cells[:4]]
    for j, v in enumerate(branches):
        p = meet(v)
        g = np.array([(meet(v[:i] + [v[i] + 1e-4] + v[i + 1:]) - meet(v[:i] + [v[i] - 1e-4] + v[i + 1:])) / 2e-4
                      for i in range(len(v))])
        ua, ub = np.sqrt(np.sum((g * u) ** 2, axis=0))
        uw = math.sqrt(np.sum(((g[:, 0] + g[:, 1]) * u) ** 2))
        print("case %d branch %d: A %.8g +- %.6g  B %.8g +- %.6g  W %.8g +- %.6g" % (
            k, j + 1, p[0], ua, p[1], ub, 100 - p[0] - p[1], uw))
        L = [v[i:i + 4] for i in range(0, len(v), 4)]
        pairs = [cross(L[a], L[c]) for a in range(len(L)) for c in range(a + 1, len(L))]
        for name, q in (("first x last", cross(L[0], L[-1])), ("pairs mean", np.mean(pairs, axis=0)),
                        ("right-angled", meet(v, True))):
            print("    %-12s A %.8g  B %.8g  W %.8g" % (name, q[0], q[1], 100 - q[0] - q[1]))
        ra, rb = [l[2] for l in L], [l[3] for l in L]
        print("    residues: mean A %.8g B %.8g W %.8g, richest A %.8g, richest B %.8g" % (
            np.mean(ra), np.mean(rb), 100 - np.mean(ra) - np.mean(rb), max(ra), max(rb)))
