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

# The data operations, the launch monitor, the record list, the exchange and the summary, each beside a bare
# client-library baseline. LUMADEX_BENCH_ARGS="--sizes 10000,100000" limits the dataset sizes.
bench: native
	cmake --build build/native --target bench
	cmake --build build/native --target bench-monitor
	cmake --build build/native --target bench-records
	cmake --build build/native --target bench-exchange
	cmake --build build/native --target bench-summary
	cmake --build build/native --target bench-latency

clean:
	rm -rf build out
