# Every target installs what is missing first, so a fresh clone needs nothing else.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run start test bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# Only what each target runs: the program, or the two benchmarks.
# `make run ARGS=FILE.astrivo` opens a saved simulation; ARGS go to the program unchanged.
RUN_BUILD ?= build/release
run: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target astrivo
	@$(MAKE) --no-print-directory start RUN_BUILD=$(RUN_BUILD) ARGS='$(ARGS)'

# Starts the program already built in RUN_BUILD (the test of this path uses its own folder).
start:
	@scripts/run-astrivo $(RUN_BUILD) $(ARGS)

test: deps
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci -j $(JOBS)
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target astrivo-bench astrivo-render-bench astrivo-response-bench astrivo-storage-bench
	build/release/bench/astrivo-bench $(BENCH_ARGS)
	build/release/bench/astrivo-render-bench
	build/release/bench/astrivo-response-bench
	build/release/bench/astrivo-storage-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
