# Thin wrapper over CMake presets; see README.md.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)


.PHONY: all deps build build-asan test run demo bench fuzz format clean windows-check package lint

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

test: build build-asan
	ctest --preset default -j $(JOBS)
	ctest --preset asan -j $(JOBS)

run: build
	@scripts/run

demo: build
	build/quillmar-cli list build/samples/demo.opu
	build/quillmar-cli basic build/samples/demo.opu 1
	build/quillmar-cli vars build/samples/demo.opu 1

bench: build
	@cmake --build --preset default --target benchmarks -j $(JOBS)
	@scripts/run-benchmarks

# Replays every kept corpus, then fuzzes each target for FUZZ_SECONDS seconds
# (or FUZZ_RUNS executions, if set and reached first; FUZZ_TARGETS picks some).
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/install-deps fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz

# Cross-compiles the core, the CLI and the unit tests for Windows and runs the
# tests under wine (build-windows/).
windows-check:
	@scripts/install-deps windows
	@scripts/windows-check

# The Debian package, build/quillmar_<version>_<arch>.deb.
package: build
	@cmake --build --preset default --target package

# clang-tidy and cppcheck over the whole tree (needs build/compile_commands.json).
lint: build
	@scripts/install-deps lint
	@scripts/lint

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-windows
