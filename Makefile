# make run PROGRAM=vapor_pressure_gen   builds and runs one program here
# make test                             builds everything and runs every test
# make sanitize                         the same tests under ASan and UBSan
# make bench                            builds and runs the speed benchmarks

PRESET ?= default
BIN := build/$(PRESET)/bin

.PHONY: all setup build test run sanitize bench clean

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

BENCH_ARGS ?= --benchmark_min_time=0.3
bench: setup
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target lab_bench
	@build/$(PRESET)/bench/lab_bench $(BENCH_ARGS)

clean:
	rm -rf build
