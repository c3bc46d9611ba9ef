# Thin wrapper over CMake presets. `make test` and `make run` do all set-up themselves.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PRESET ?= default

.PHONY: all deps configure build test asan run bench format clean

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

# The benchmarks on full projects, each with its physical baseline; a summary of times and
# ratios closes the run.
bench: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target corv_bench
	@build/$(PRESET)/bench/corv_bench
	@cmake --build --preset $(PRESET) -j $(JOBS) --target corv_gui_bench
	@QT_QPA_PLATFORM=offscreen build/$(PRESET)/bench/corv_gui_bench

format:
	@find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
