# make run    build and start the program on the bundled sample drawing
# make test   build with AddressSanitizer + UndefinedBehaviorSanitizer, run every test
# make bench  Release build, run every benchmark
# make fuzz   build the libFuzzer targets with clang, run each for FUZZ_SECONDS
# make clang  compile everything with clang++, warnings as errors (CI runs it after test)
# make format clang-format every C and C++ source of the tree in place
# make fidelity   compare our readers with peer programs on the shared corpus
#                 (KIND=hpgl|gerber|knife|dxf|wmf|ai, FILE=path, PNG=1 for pictures)

JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
GEN        := -G Ninja
ROOT       := $(CURDIR)

.PHONY: all setup test run bench fuzz clang format fidelity clean

all: run-build

setup:
	@scripts/setup.sh

test: setup
	cmake -S . -B build/test $(GEN) -DCMAKE_BUILD_TYPE=Debug -DKALVEX_SANITIZE=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS) --timeout 900

run-build: setup
	cmake -S . -B build/run $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVEX_TESTS=OFF
	cmake --build build/run -j $(JOBS)

run: run-build
	scripts/run.sh build/run

bench: setup
	@scripts/setup.sh bench
	cmake -S . -B build/release $(GEN) -DCMAKE_BUILD_TYPE=Release -DKALVEX_TESTS=OFF -DKALVEX_BENCH=ON
	cmake --build build/release -j $(JOBS)
	scripts/bench.sh build/release

fuzz: setup
	@scripts/setup.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVEX_TESTS=OFF -DKALVEX_FUZZ=ON -DKALVEX_QT=OFF
	cmake --build build/fuzz -j $(JOBS)
	scripts/fuzz.sh build/fuzz $(FUZZ_SECONDS)

clang: setup
	@scripts/setup.sh clang
	CC=clang CXX=clang++ cmake -S . -B build/clang $(GEN) -DCMAKE_BUILD_TYPE=Debug -DKALVEX_WERROR=ON -DKALVEX_TESTS=ON -DKALVEX_BENCH=OFF
	cmake --build build/clang -j $(JOBS)

format:
	git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format -i

fidelity: run-cli
	@scripts/setup.sh fidelity
	/usr/bin/python3 scripts/fidelity/fidelity.py $(if $(KIND),--kind $(KIND)) $(if $(PNG),--png) $(FILE)

# Only the command-line tool, for the fidelity comparison.
run-cli: setup
	@test -f build/run/build.ninja || cmake -S . -B build/run $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVEX_TESTS=OFF
	cmake --build build/run -j $(JOBS) --target kalvex-cli

clean:
	rm -rf build
