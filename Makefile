# Thin wrapper over CMake presets. `make test` and `make run` do all set-up themselves.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PRESET ?= default

.PHONY: all deps configure build test asan fuzz run bench package format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	@ctest --preset $(PRESET) --output-on-failure

# Builds everything, writes the demo project under build/ on first use and opens it in the
# desktop program.
DEMO ?= build/demo/Demo.prj
CORVANE = build/$(PRESET)/src/cli/corvane
LIBRARIAN = build/$(PRESET)/corvane-librarian

run: build
	@test -d "$(DEMO)" || $(CORVANE) demo "$(DEMO)"
	@$(LIBRARIAN) "$(DEMO)"

# The core's tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan --output-on-failure

# The libFuzzer targets (patch and tone files, memo files, the script tokenizer, the project
# loader, the replay of a save journal), built with clang in their own folder, each run for FUZZ_SECONDS; the corpus grows in
# build/fuzz/grown/ from run to run. Fails when a target found a crash.
FUZZ_SECONDS ?= 300
fuzz:
	@scripts/install-deps fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@scripts/run-fuzz build/fuzz $(FUZZ_SECONDS)

# The benchmarks on full projects (the project window's offscreen), each with its physical
# baseline; one summary table of times and ratios closes the run.
bench: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target corv_bench
	@QT_QPA_PLATFORM=offscreen build/$(PRESET)/bench/corv_bench

# The Debian package (build/$(PRESET)/corvane-librarian_VERSION_ARCH.deb): programs, manual,
# icons, desktop entry, AppStream metadata, man pages and bash completion, installed under /usr.
package: build
	@cmake --build --preset $(PRESET) --target package

format:
	@find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
