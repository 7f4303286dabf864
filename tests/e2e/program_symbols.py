"""No program takes a binary32 elementary function from the C library.

The generators' float functions are labcore's own (labcore/elementary.hpp),
so that their data sets do not depend on the C library. This reads the
symbol table of every program binary with nm, linked statically (the
library's code would be inside, under its own name) or dynamically (the name
would be an undefined, versioned import such as expf@GLIBC_2.27), and fails
on any binary32 function of the C library's mathematics but sqrtf, which
IEEE arithmetic rounds correctly itself.

usage: program_symbols.py NM BIN_DIR PROGRAM...
"""
import subprocess
import sys

FUNCTIONS = """acosf acoshf asinf asinhf atanf atan2f atanhf cbrtf cosf coshf erff erfcf
expf exp2f exp10f expm1f hypotf lgammaf logf log10f log1pf log2f powf sinf
sincosf sinhf tanf tanhf tgammaf""".split()
FORBIDDEN = set(FUNCTIONS) | {"__%s_finite" % f for f in FUNCTIONS}


def symbols(nm, path, dynamic):
    args = [nm, "-D", path] if dynamic else [nm, path]
    run = subprocess.run(args, capture_output=True, text=True)
    names = set()
    for line in run.stdout.splitlines():
        parts = line.split()
        if parts:
            names.add(parts[-1].split("@")[0])
    return names


def main():
    nm, bin_dir, programs = sys.argv[1], sys.argv[2], sys.argv[3:]
    failed = False
    for program in programs:
        path = "%s/%s" % (bin_dir, program)
        names = symbols(nm, path, False) | symbols(nm, path, True)
        if "main" not in names:
            print("%s: no symbol table to check (stripped?)" % path)
            failed = True
            continue
        bad = sorted(names & FORBIDDEN)
        if bad:
            print("%s takes from the C library: %s" % (program, " ".join(bad)))
            failed = True
    if not failed:
        print("%d programs checked: no binary32 function of the C library" % len(programs))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
