# The two commands a newcomer needs: `make run` and `make test`. Both install the
# Debian packages Orvane needs first (scripts/install-deps.sh, quick when present).

BUILD_DIR ?= build
SAN_BUILD_DIR ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30

.PHONY: all deps configure build run test sanitize-test fuzz bench screenshot format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/src/app/orvane

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The core unit tests again, built with address and undefined-behaviour sanitizers.
sanitize-test: deps
	cmake -S . -B $(SAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON \
	    -DORVANE_BUILD_GUI=OFF -DORVANE_BUILD_BENCH=OFF
	cmake --build $(SAN_BUILD_DIR) -j $(JOBS)
	cd $(SAN_BUILD_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -L core

# Every parser under libFuzzer (clang, address and undefined-behaviour sanitizers), each
# target for FUZZ_SECONDS; fails when one finds a crash. Corpora, crash inputs and logs
# stay under $(FUZZ_BUILD_DIR)/fuzz-out.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DORVANE_FUZZ=ON \
	    -DORVANE_BUILD_GUI=OFF -DORVANE_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target orvane_fuzzers orvane_fixtures orvane_demo_library
	./fuzz/run-fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# Full benchmark runs for the notes (medians over repetitions).
bench: build
	@for b in $(BUILD_DIR)/bench/*_bench; do \
	    $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

# The window as a user sees it, under Xvfb, in every view: out/*.png
screenshot: build
	./scripts/screenshots.sh $(BUILD_DIR) out

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SAN_BUILD_DIR)
