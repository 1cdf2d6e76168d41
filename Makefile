# Thin wrapper over CMake presets; see README.md.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)


.PHONY: all deps build build-asan test run demo bench fuzz format clean

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
	@scripts/run-benchmarks

fuzz: deps
	@scripts/run-fuzz

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan
