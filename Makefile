# make run PROGRAM=vapor_pressure_gen   builds and runs one program here
# make test                             builds everything and runs every test
# make sanitize                         the same tests under ASan and UBSan
# make fuzz                             the dialog under libFuzzer (clang), FUZZ_SECONDS=30
# make package                          the Debian package, checked in a scratch root
# make bench                            builds and runs the speed benchmarks
# make answers-study                    how well the answer sheets recover the hidden values: docs/answers.md

PRESET ?= default
BIN := build/$(PRESET)/bin

FUZZ_SECONDS ?= 30
BENCH_ARGS ?= --benchmark_min_time=0.3

.PHONY: all setup build test run sanitize fuzz package bench answers-study clean

all: build

setup:
	@sh scripts/setup.sh

build: setup
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

run: build
	@if [ -z "$(PROGRAM)" ]; then echo "usage: make run PROGRAM=<name>, e.g. PROGRAM=vapor_pressure_gen"; exit 2; fi
	@if [ ! -x "$(BIN)/$(PROGRAM)" ]; then echo "no program named $(PROGRAM); see README.md"; exit 2; fi
	@$(BIN)/$(PROGRAM)

sanitize:
	@$(MAKE) --no-print-directory test PRESET=sanitize

# The dialog of every program fed arbitrary bytes for FUZZ_SECONDS seconds.
fuzz: setup
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@mkdir -p build/fuzz/corpus && cp fuzz/corpus/* build/fuzz/corpus/
	@build/fuzz/fuzz/dialog_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 \
	  build/fuzz/corpus > build/fuzz/fuzz.log 2>&1; status=$$?; tail -n 12 build/fuzz/fuzz.log; exit $$status

# The Debian package, unpacked into a scratch root, runs a program.
package: build
	@bash scripts/package_check.sh

# Data sets per second in-process, whole-process times, allocations.
bench: setup
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target lab_bench
	@build/$(PRESET)/bench/lab_bench $(BENCH_ARGS)

# Every analysis over the seed sweep's pairs, written to docs/answers.md.
answers-study: setup
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target answer_study
	@build/$(PRESET)/tests/answer_study > docs/answers.md.tmp && mv docs/answers.md.tmp docs/answers.md
	@echo "docs/answers.md written"

clean:
	rm -rf build
