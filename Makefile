# Labrix commands. `make demo` and `make test` install what is missing,
# configure CMake in build/, build, and run.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= 2
OCTAVE ?= octave-cli -q -H --no-window-system
MEXDIR := $(abspath $(BUILD))/mex

.PHONY: all deps configure build test test-native test-octave demo bench asan memcheck fuzz soak dist dist-check clean

all: build

deps:
	@bash tools/install_deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	$(MAKE) --no-print-directory test-native test-octave

test-native:
	ctest --test-dir $(BUILD) --output-on-failure

test-octave:
	cd tests/octave && $(OCTAVE) --eval "exit(run_tests('$(MEXDIR)'))"

demo: build
	$(OCTAVE) --eval "addpath('$(MEXDIR)'); labrix_demo;"

bench: build
	bash bench/run_all.sh $(BUILD)

# The Octave package labrix-VERSION.tar.gz (compiled by pkg install on the
# user's machine), and a check that installs it into a temporary prefix and
# runs a smoke test through it.
dist:
	bash tools/make_dist.sh

dist-check: deps dist
	bash tools/check_dist.sh

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLABRIX_SANITIZE=ON \
	      -DLABRIX_OCTAVE=OFF -DLABRIX_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure

# The native suite under valgrind memcheck.
memcheck: deps
	cmake -S . -B build-memcheck -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLABRIX_OCTAVE=OFF -DLABRIX_BENCH=OFF
	cmake --build build-memcheck -j $(JOBS)
	bash tests/run_memcheck.sh build-memcheck

# The fuzz targets (clang, ASan, UBSan) for FUZZ_SECONDS each.
FUZZ_SECONDS ?= 60
fuzz:
	@LABRIX_EXTRA_PACKAGES="clang libclang-rt-14-dev" bash tools/install_deps.sh
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLABRIX_FUZZ=ON \
	      -DLABRIX_SANITIZE=ON -DLABRIX_OCTAVE=OFF -DLABRIX_BENCH=OFF -DLABRIX_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS)
	bash tests/fuzz/run_fuzz.sh build-fuzz $(FUZZ_SECONDS)

# Create / optimize / close cycles: SOAK_CYCLES of them.
SOAK_CYCLES ?= 4000
soak: build
	$(BUILD)/soak $(SOAK_CYCLES)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-memcheck build-fuzz
