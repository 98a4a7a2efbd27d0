SHELL := /bin/bash
# The two commands a new machine needs: `make run` and `make test`.
# Both install missing Debian packages first, then configure and build with CMake + Ninja.

# One optimised build (Release: -O3, with debug information) is the program that
# `make run` and `make install` give, what `make test` tests and what `make bench`
# measures; the sanitizer and fuzzing builds are for finding faults only.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
COV_BUILD  ?= build-coverage
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: deps configure build run demo install test test-fast test-asan bench fuzz coverage clean

deps:
	@bash scripts/install-deps.sh

# Run every time, so that a tree configured earlier with other flags takes these.
configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) > /dev/null

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/bin/quorvane

# The program listening to a private sound server that speaks now and then.
demo: build
	bash scripts/demo.sh

# The program, its manual, a desktop entry and an icon under PREFIX.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Every test: the normal build, then the whole suite again under address + undefined
# sanitizers (all but the day-long soak run, which takes too long unoptimised, and the
# minute on a busy machine, which would time the sanitizers rather than the program).
test: test-fast test-asan

test-fast: build
	cd $(BUILD) && ctest --output-on-failure --timeout 300

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_GUI=ON
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ctest --output-on-failure --timeout 600 --label-exclude soak

# The benchmarks, built in the program's tree with its flags, each figure beside its
# reference from the same run, with the ratio and its target.
bench: configure
	cmake -S . -B $(BUILD) -DQUORVANE_BENCH=ON > /dev/null
	cmake --build $(BUILD) --target benches quorvane quorvane-cli
	bash bench/run.sh $(BUILD)
	bash bench/cli.sh $(BUILD)
	bash bench/record.sh $(BUILD)

# Line and branch coverage of src/ by the whole suite (the day-long soak left out:
# unoptimised it takes too long and covers nothing the rest does not).
coverage: deps
	cmake -S . -B $(COV_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_GUI=ON \
	  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage > /dev/null
	cmake --build $(COV_BUILD)
	find $(COV_BUILD) -name '*.gcda' -delete
	cd $(COV_BUILD) && ctest --timeout 900 --label-exclude soak | tail -4 || true
	gcovr -r . --object-directory $(COV_BUILD) --filter 'src/' --exclude-unreachable-branches \
	  --exclude-throw-branches --print-summary --txt $(COV_BUILD)/coverage.txt

# Coverage-guided fuzzing of the parsers of outside data, for a bounded time each, one per core.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DQUORVANE_GUI=OFF -DBUILD_TESTING=OFF -DQUORVANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target fuzzers
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(COV_BUILD)
