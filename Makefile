SHELL := /bin/bash
# The two commands a new machine needs: `make run` and `make test`.
# Both install missing Debian packages first, then configure and build with CMake + Ninja.

BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps configure build run demo install test test-fast test-asan bench fuzz clean

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

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
# sanitizers (all but the day-long soak run, which takes too long unoptimised).
test: test-fast test-asan

test-fast: build
	cd $(BUILD) && ctest --output-on-failure --timeout 300

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_GUI=ON
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ctest --output-on-failure --timeout 600 --label-exclude soak

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_GUI=OFF -DBUILD_TESTING=OFF -DQUORVANE_BENCH=ON
	cmake --build $(BENCH_BUILD)
	@for b in $(BENCH_BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# Coverage-guided fuzzing of the parsers of outside data, for a bounded time each.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DQUORVANE_GUI=OFF -DBUILD_TESTING=OFF -DQUORVANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target fuzzers
	@for f in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$(basename $$f); \
	  echo "== $$f for $(FUZZ_SECONDS) s"; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 $(FUZZ_BUILD)/corpus/$$(basename $$f) \
	    fuzz/seeds/$$(basename $$f | sed s/^fuzz_//) \
	    2>&1 | grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|Done' ; \
	  test $${PIPESTATUS[0]} -eq 0 || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
