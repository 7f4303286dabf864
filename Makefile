# make run PROGRAM=vapor_pressure_gen   builds that one program and runs it here
# make test                             builds everything and runs every test
# make sanitize                         the same tests under ASan and UBSan
# make fuzz                             the dialog under libFuzzer (clang), FUZZ_SECONDS=30
# make package                          the Debian package and the Windows zip, checked
# make windows                          the programs and their tests built for Windows, run under Wine
# make wasm                             the programs and their tests built for WebAssembly, run under Node
# make bench                            builds and runs the speed benchmarks
# make bench-instructor                 answer sheets and workbooks for classes of 200, grading 1,000
# make chart-images                     docs/images/<program>.png: each program's first chart, from its workbook
# make answers-study                    how well the answer sheets recover the hidden values: docs/answers.md
# make verify-math                      every input of labcore's float functions against MPFR (hours; VERIFY_ARGS='--only logf')
# Each target first installs only what it needs (scripts/setup.sh).

PRESET ?= default

FUZZ_SECONDS ?= 30
BENCH_ARGS ?= --benchmark_min_time=0.3

VERIFY_ARGS ?=

.PHONY: all setup build test run sanitize fuzz package windows wasm bench bench-instructor chart-images answers-study verify-math clean

all: build

setup:
	@sh scripts/setup.sh all

build:
	@sh scripts/setup.sh test
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

# Only the program and the libraries it links, in the programs-only build
# (no tests, no instructor's tool), which needs nothing but the compiler.
run:
	@if [ -z "$(PROGRAM)" ]; then echo "usage: make run PROGRAM=<name>, e.g. PROGRAM=vapor_pressure_gen"; exit 2; fi
	@case "$(PROGRAM)" in *_gen) ls */$(PROGRAM).cpp >/dev/null 2>&1 && exit 0;; esac; \
	  echo "no program named $(PROGRAM); see README.md"; exit 2
	@sh scripts/setup.sh run
	@cmake --preset programs >/dev/null
	@cmake --build --preset programs --target $(PROGRAM)
	@build/programs/bin/$(PROGRAM)

sanitize:
	@$(MAKE) --no-print-directory test PRESET=sanitize

# The dialog of every program fed arbitrary bytes for FUZZ_SECONDS seconds.
fuzz:
	@sh scripts/setup.sh fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@mkdir -p build/fuzz/corpus && cp fuzz/corpus/* build/fuzz/corpus/
	@build/fuzz/fuzz/dialog_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 \
	  build/fuzz/corpus > build/fuzz/fuzz.log 2>&1; status=$$?; tail -n 12 build/fuzz/fuzz.log; exit $$status

# The Debian package, unpacked into a scratch root, runs a program; the
# Windows zip of the eighteen programs (build/windows/package), unzipped,
# imports no DLL beyond Windows' own and runs a program under Wine.
package: build
	@sh scripts/setup.sh package
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target lab_programs
	@bash scripts/package_check.sh

# Cross builds: the programs and the tests of the library and the programs
# (the instructor's side stays on Linux), each run with the digest sweep
# against the Linux digests, and every program's binary with its expected
# outputs (scripts/cross_check.sh).
windows:
	@sh scripts/setup.sh windows
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows
	@bash scripts/cross_check.sh windows

wasm:
	@sh scripts/setup.sh wasm
	@cmake --preset wasm >/dev/null
	@cmake --build --preset wasm
	@bash scripts/cross_check.sh wasm

# Data sets per second in-process, whole-process times, allocations; in
# the programs-only build, which is all the benchmarks use.
bench:
	@sh scripts/setup.sh bench
	@cmake --preset programs >/dev/null
	@cmake --build --preset programs --target lab_bench
	@build/programs/bench/lab_bench $(BENCH_ARGS)

# Answer sheets and workbooks for a class of 200, per program, and the
# grading of 1,000 students.
bench-instructor:
	@sh scripts/setup.sh test
	@sh scripts/setup.sh bench
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target instructor_bench
	@build/$(PRESET)/bench/instructor_bench $(BENCH_ARGS)

# The first chart of each program's solution workbook (seeds 12345 67890),
# drawn by a real spreadsheet, for the README and the programs' pages.
chart-images: build
	@bash scripts/chart_images.sh build/$(PRESET)/bin

# Every analysis over the seed sweep's pairs, written to docs/answers.md.
answers-study:
	@sh scripts/setup.sh test
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target answer_study
	@build/$(PRESET)/tests/answer_study > docs/answers.md.tmp && mv docs/answers.md.tmp docs/answers.md
	@echo "docs/answers.md written"

# The proof that labcore's binary32 functions are correctly rounded: every
# float input (and pow's exact and random cases) against MPFR, on both
# cores at the lowest priority; docs/elementary.md has the last result.
verify-math:
	@sh scripts/setup.sh test
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target verify_math
	@nice -n 19 build/$(PRESET)/tests/verify_math $(VERIFY_ARGS)

clean:
	rm -rf build
