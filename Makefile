# Lumadex: `make run` starts the program, `make test` runs every test tier.
# Both install whatever is missing from Debian first.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps native linux windows test run bench clean

all: native linux windows

deps:
	@scripts/install-deps

native: deps
	cmake --preset native >/dev/null
	cmake --build build/native -j $(JOBS)

linux: deps
	cmake --preset linux >/dev/null
	cmake --build build/linux -j $(JOBS)

windows: deps
	cmake --preset windows >/dev/null
	cmake --build build/windows -j $(JOBS)

test: native linux windows
	cd build/native && ctest -j $(JOBS) --output-on-failure --timeout 600

run: linux
	scripts/run-program

bench: native
	cmake --build build/native -j $(JOBS) --target bench
	scripts/run-bench build/native

clean:
	rm -rf build out
