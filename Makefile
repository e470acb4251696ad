# The two front-door commands: `make demo` and `make check`.
BUILD := build
SANITIZE_BUILD := build/sanitize
FUZZ_BUILD := build/fuzz
FUZZ_SECONDS ?= 60
CHECK_FUZZ_SECONDS ?= 3
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: all build sanitize-build check check-release check-sanitize check-fuzz fuzz demo install clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

sanitize-build:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DRV_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)

check-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

check-sanitize: sanitize-build
	ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang), each for FUZZ_SECONDS (or those named in
# FUZZ_TARGETS); skipped without clang.
fuzz:
	JOBS=$(JOBS) sh tests/fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The same for a few seconds each, so that the targets keep building and running.
check-fuzz:
	JOBS=$(JOBS) sh tests/fuzz/run $(FUZZ_BUILD) $(CHECK_FUZZ_SECONDS)

# Every test, once optimised and once under the sanitizers; then the fuzzers.
check: check-release check-sanitize check-fuzz

demo: build
	sh demo/demo.sh $(BUILD)/bin $(BUILD)/demo

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
