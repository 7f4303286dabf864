#!/usr/bin/python3
"""Writes labcore/elementary_tables.inc: the constants and tables of the
elementary functions (labcore/elementary.cpp), each a double or a pair of
doubles (hi + lo, |lo| <= half an ulp of hi) rounded from 400-bit values.

    /usr/bin/python3 scripts/elementary_tables.py > labcore/elementary_tables.inc

Needs mpmath (Debian python3-mpmath); the written file is committed, so the
build does not."""
from fractions import Fraction
import math
import mpmath

mpmath.mp.prec = 400


def rn(v):
    """The double nearest to the mpmath or Fraction value v."""
    if isinstance(v, Fraction):
        return float(v)  # Python rounds a Fraction to nearest
    m, e = mpmath.frexp(v)
    return float(mpmath.ldexp(mpmath.nint(mpmath.ldexp(m, 53)), e - 53))


def split(v):
    hi = rn(v)
    lo = rn(v - (Fraction(hi) if isinstance(v, Fraction) else mpmath.mpf(hi)))
    return hi, lo


def hexd(x):
    return "0.0" if x == 0 else float.hex(x)


def dd(v):
    hi, lo = split(v)
    return "{%s, %s}" % (hexd(hi), hexd(lo))


def truncated(v, bits):
    """v cut to its leading `bits` significant bits (toward zero)."""
    m, e = mpmath.frexp(v)
    return float(mpmath.ldexp(mpmath.floor(mpmath.ldexp(m, bits)), e - bits))


out = []
w = out.append
w("// Written by scripts/elementary_tables.py; do not edit.")
w("// Pairs are {hi, lo}: the value rounded to a double and the rounded rest.")
w("")
pi = mpmath.pi
ln2 = mpmath.log(2)
w("constexpr DD kPi = %s;" % dd(pi))
w("constexpr DD kPiHalf = %s;" % dd(pi / 2))
w("constexpr DD kLn2 = %s;" % dd(ln2))
w("constexpr DD kInvLn10 = %s;" % dd(1 / mpmath.log(10)))
# ln 2 with its first part cut to 42 bits, so that e * kLn2Hi is exact for
# any exponent e of a double.
l1 = truncated(ln2, 42)
w("constexpr double kLn2Hi = %s, kLn2Lo = %s;  // ln 2, the first part 42 bits" % (hexd(l1), hexd(rn(ln2 - l1))))
# pi/2 in three parts for k < 2^20: the first two of 33 bits, so k times
# them is exact.
p1 = truncated(pi / 2, 33)
p2 = truncated(pi / 2 - mpmath.mpf(p1), 33)
p3 = rn(pi / 2 - mpmath.mpf(p1) - mpmath.mpf(p2))
w("constexpr double kTwoOverPi = %s;" % hexd(rn(2 / pi)))
w("constexpr double kPiHalf1 = %s, kPiHalf2 = %s, kPiHalf3 = %s;  // pi/2 in three parts" %
  (hexd(p1), hexd(p2), hexd(p3)))
# exp: k = nearest integer of x * 64/ln2 (|k| < 2^17), so that k * kExpC1
# is exact with kExpC1 cut to 36 bits.
c = ln2 / 64
c1 = truncated(c, 36)
c2 = rn(c - c1)
c3 = rn(c - c1 - c2)
w("constexpr double kExpInvStep = %s;  // 64/ln 2" % hexd(rn(64 / ln2)))
w("constexpr double kExpC1 = %s, kExpC2 = %s, kExpC3 = %s;  // ln 2/64 in three parts" %
  (hexd(c1), hexd(c2), hexd(c3)))
w("")
w("// 2^(j/64), j = 0..63.")
w("constexpr DD kExp2Table[64] = {")
for j in range(64):
    w("    %s," % dd(mpmath.power(2, mpmath.mpf(j) / 64)))
w("};")
w("")
w("// exp(r) = sum of r^k/k!, k = 0..9: the first five as pairs, the rest as doubles.")
w("constexpr DD kExpHead[5] = {%s};" % ", ".join(dd(Fraction(1, math.factorial(k))) for k in range(5)))
w("constexpr double kExpTail[5] = {%s};" % ", ".join(hexd(rn(Fraction(1, math.factorial(k)))) for k in range(5, 10)))
w("")
w("// log: for i = 90..181, c = 128/i rounded to 20 bits (so that m c is exact")
w("// for a float m) and -log(c).")
w("constexpr int kLogFirst = 90, kLogLast = 181;")
w("struct LogEntry {")
w("  double c;")
w("  DD minus_log_c;")
w("};")
w("constexpr LogEntry kLogTable[kLogLast - kLogFirst + 1] = {")
for i in range(90, 182):
    m, e = mpmath.frexp(mpmath.mpf(128) / i)
    ci = float(mpmath.ldexp(mpmath.nint(mpmath.ldexp(m, 20)), e - 20))
    w("    {%s, %s}," % (hexd(ci), dd(-mpmath.log(mpmath.mpf(ci)))))
w("};")
w("// log(1 + r) = r * sum of (-1)^k r^k/(k+1), k = 0..11.")
w("constexpr DD kLogHead[5] = {%s};" % ", ".join(dd(Fraction((-1) ** k, k + 1)) for k in range(5)))
w("constexpr double kLogTail[7] = {%s};" % ", ".join(hexd(rn(Fraction((-1) ** k, k + 1))) for k in range(5, 12)))
w("")
w("// atan(j/64), j = 0..64.")
w("constexpr DD kAtanTable[65] = {")
for j in range(65):
    w("    %s," % dd(mpmath.atan(mpmath.mpf(j) / 64)))
w("};")
w("// atan(d) = d * sum of (-1)^k d^(2k)/(2k+1), k = 0..5.")
w("constexpr DD kAtanHead[3] = {%s};" % ", ".join(dd(Fraction((-1) ** k, 2 * k + 1)) for k in range(3)))
w("constexpr double kAtanTail[3] = {%s};" % ", ".join(hexd(rn(Fraction((-1) ** k, 2 * k + 1))) for k in range(3, 6)))
w("")
w("// sin(r) = r * sum of (-1)^k r^(2k)/(2k+1)!, k = 0..11; cos(r) = sum of (-1)^k r^(2k)/(2k)!, k = 0..12.")
sinc = [Fraction((-1) ** k, math.factorial(2 * k + 1)) for k in range(12)]
cosc = [Fraction((-1) ** k, math.factorial(2 * k)) for k in range(13)]
w("constexpr DD kSinHead[6] = {%s};" % ", ".join(dd(q) for q in sinc[:6]))
w("constexpr double kSinTail[6] = {%s};" % ", ".join(hexd(rn(q)) for q in sinc[6:]))
w("constexpr DD kCosHead[7] = {%s};" % ", ".join(dd(q) for q in cosc[:7]))
w("constexpr double kCosTail[6] = {%s};" % ", ".join(hexd(rn(q)) for q in cosc[7:]))
w("")
# 2/pi = 0.b1 b2 b3 ... in binary; word n holds bits 32n+1 .. 32n+32.
nwords = 40
mpmath.mp.prec = 32 * nwords + 64
bits = int(mpmath.floor(mpmath.ldexp(2 / mpmath.pi, 32 * nwords)))
words = [(bits >> (32 * (nwords - 1 - n))) & 0xffffffff for n in range(nwords)]
w("// The binary digits of 2/pi after the point, 32 to a word, the first digit")
w("// the top bit of word 0: enough for the reduction of any double.")
w("constexpr std::uint32_t kTwoOverPiBits[%d] = {" % nwords)
for n in range(0, nwords, 6):
    w("    " + " ".join("0x%08x," % x for x in words[n:n + 6]))
w("};")
print("\n".join(out))
