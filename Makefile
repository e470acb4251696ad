# The two front-door commands: `make demo` and `make check`.
BUILD := build
SANITIZE_BUILD := build/sanitize
# The stream buffer at 1024 bytes: the same tests prove that no output depends on its size.
SMALL_BUFFER_BUILD := build/small-buffer
# The programs alone, without the tests (no GoogleTest needed), for demo and install.
PROGRAMS_BUILD := build/programs
FUZZ_BUILD := build/fuzz
FUZZ_SECONDS ?= 60
CHECK_FUZZ_SECONDS ?= 3
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: all build programs sanitize-build small-buffer-build check check-release check-sanitize \
	check-small-buffer check-fuzz fuzz demo install clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

programs:
	cmake -S . -B $(PROGRAMS_BUILD) -DCMAKE_BUILD_TYPE=Release -DRV_TESTS=OFF
	cmake --build $(PROGRAMS_BUILD) -j $(JOBS)

sanitize-build:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DRV_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)

small-buffer-build:
	cmake -S . -B $(SMALL_BUFFER_BUILD) -DCMAKE_BUILD_TYPE=Release -DRV_STREAM_BUFFER_SIZE=1024
	cmake --build $(SMALL_BUFFER_BUILD) -j $(JOBS)

check-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

check-sanitize: sanitize-build
	ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

check-small-buffer: small-buffer-build
	ctest --test-dir $(SMALL_BUFFER_BUILD) --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang), each for FUZZ_SECONDS (or those named in
# FUZZ_TARGETS); skipped without clang.
fuzz:
	JOBS=$(JOBS) sh tests/fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The same for a few seconds each, so that the targets keep building and running.
check-fuzz:
	JOBS=$(JOBS) sh tests/fuzz/run $(FUZZ_BUILD) $(CHECK_FUZZ_SECONDS)

# Every test, optimised, with a 1024-byte stream buffer, and under the
# sanitizers; then the fuzzers for a few seconds each.
check: check-release check-small-buffer check-sanitize check-fuzz

demo: programs
	sh demo/demo.sh $(PROGRAMS_BUILD)/bin $(BUILD)/demo

install: programs
	DESTDIR=$(DESTDIR) cmake --install $(PROGRAMS_BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
