#!/usr/bin/env python3
"""Reference numbers for the vapor_activity_gen answer sheet, seeds 12345 67890.

From the numbers as the data set writes them
(tests/data/expected/vapor_activity_gen/12345_67890.csv), independently of
the C++ analysis: as = 1 - mR, phi = -ln(as)/(2 m 0.018015),
(phi-1)/sqrt(m) fitted by a quartic in sqrt(m) (numpy.polyfit), ln g =
(phi - 1) + 2 * integral of the quartic from 0 (numpy.polyint).
Run: python3 vapor_activity_gen.py (needs numpy); not run by the tests.
"""
import os
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
rows = open(os.path.join(here, "..", "expected", "vapor_activity_gen", "12345_67890.csv")).read().splitlines()
start = next(i for i, r in enumerate(rows) if r.startswith("m,sqrt(m),R,")) + 1
m = np.array([float(r.split(",")[0]) for r in rows[start:start + 10]])
R = np.array([float(r.split(",")[2]) for r in rows[start:start + 10]])
x = np.sqrt(m)
a_s = 1 - m * R
phi = -np.log(a_s) / (2 * m * 0.018015)
y = (phi - 1) / x
p = np.polyfit(x, y, 4)
integ = np.polyval(np.polyint(p), x)
lng = (phi - 1) + 2 * integ
np.set_printoptions(precision=10)
print("as ", repr(a_s))
print("phi", repr(phi))
print("quartic (m^2 .. const)", repr(p))
print("integ", repr(integ))
print("g  ", repr(np.exp(lng)))
A = 0.511
print("g DH", repr(10 ** (-A * x)), "ext", repr(10 ** (-A * x / (1 + x))), "Davies", repr(10 ** (-A * (x / (1 + x) - 0.3 * m))))

# Other routes and null answers, from their textbook definitions.
print("phi with M1 = 0.018", repr(-np.log(a_s) / (2 * m * 0.018)))
for deg in (3, 5):
    q = np.polyfit(x, y, deg)
    print("g, fit of degree", deg, repr(np.exp((phi - 1) + 2 * np.polyval(np.polyint(q), x))))
# trapezoid over the points, y extrapolated to x = 0 along the two lowest points
y0 = y[0] - (y[1] - y[0]) / (x[1] - x[0]) * x[0]
xx, yy = np.concatenate([[0.0], x]), np.concatenate([[y0], y])
cum = np.cumsum(np.diff(xx) * (yy[1:] + yy[:-1]) / 2)
print("g, trapezoid", repr(np.exp((phi - 1) + 2 * cum)))
print("null exp(phi - 1)", repr(np.exp(phi - 1)))
print("tolerance of as: 2 % of 1 - as", repr(0.02 * m * R))
