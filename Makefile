# Front door: make demo, make test, make bench, make fuzz, make run, make install, make deb.
SHELL := /bin/bash
GENERATOR := -G Ninja
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 600
TEST_DIR := build/test
RELEASE_DIR := build/release
FUZZ_DIR := build/fuzz

PREFIX ?= /usr/local

.PHONY: all deps build test unit-tests check-32 bench fuzz fuzz-build demo run screenshots install deb check-deb format clean

all: build

deps:
	@scripts/install-deps

# The optimised program, simulator and benchmarks.
build: deps
	cmake -S . -B $(RELEASE_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DSKYMARK_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# 32-bit compile check, the Debian package's check, then a short fuzzing run.
test: deps unit-tests check-32 check-deb
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30

# Every library compiled with -m32 (no linking): nothing may assume 64-bit
# pointers.
check-32: deps
	JOBS=$(JOBS) scripts/check-32

unit-tests:
	cmake -S . -B $(TEST_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DSKYMARK_SANITIZE=ON -DSKYMARK_BENCH=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(RELEASE_DIR)/bench/*/*_bench; do echo "== $$b"; "$$b"; done

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSKYMARK_FUZZ=ON -DSKYMARK_TESTS=OFF -DSKYMARK_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets

fuzz: fuzz-build
	scripts/run-fuzz $(FUZZ_DIR) $(FUZZ_SECONDS)

demo: build
	scripts/demo $(RELEASE_DIR)

run: build
	$(RELEASE_DIR)/app/skymark

# The README pictures, docs/legend.png and docs/demo.png, from the real program.
screenshots: build
	scripts/screenshot $(RELEASE_DIR)

# skymark, skymark-sim, the manual page, the desktop entry and the icon under
# $(DESTDIR)$(PREFIX).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR) --prefix "$(PREFIX)"

# The Debian package build/skymark_VERSION_ARCH.deb from the release tree's
# install rules (packaging/), Depends computed by dpkg-shlibdeps.
deb: build
	rm -f build/skymark_*.deb
	cd $(RELEASE_DIR) && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX=$(CURDIR)/build

# The package as lintian sees it (no error allowed), then installed into a
# scratch root, run against the simulator and removed.
check-deb: deb
	lintian --fail-on error --tag-display-limit 0 build/skymark_*.deb
	tests/install/check-deb build/skymark_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
