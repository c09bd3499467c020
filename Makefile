# Labrix commands. `make demo` and `make test` install what is missing,
# configure CMake in build/, build, and run.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= 2
OCTAVE ?= octave-cli -q -H --no-window-system
MEXDIR := $(abspath $(BUILD))/mex

.PHONY: all deps configure build test test-native test-octave demo bench asan dist dist-check clean

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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
