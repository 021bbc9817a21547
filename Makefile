# make test: install what is missing, build from scratch, run each fuzz target briefly and the
# suite under ThreadSanitizer (all but the single-threaded encoder sweeps), then the whole suite
# and the web player's checks in headless Chromium, then install into a temporary prefix and
# build and run the installed examples against it, and the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, whose CTest summary ends the output.
# Our own builds treat warnings as errors; a plain cmake build does not.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
QX_FLAGS = -DQX_WERROR=ON

.PHONY: test demo deps build check install-check asan tsan fuzz bench release-check clean web \
  web-check

test: deps
	rm -rf build build-asan build-tsan build-fuzz build-web
	$(MAKE) fuzz tsan check web-check install-check asan

# make demo: install what is missing, build, make the demo movie and play it (in a window when
# there is a display, headless with its summary otherwise).
demo: deps
	cmake -S . -B build $(QX_FLAGS)
	cmake --build build -j $(JOBS)
	build/qx encode --demo build/ORLUND.MNB
	build/qx play build/ORLUND.MNB

deps:
	scripts/install-deps

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(QX_FLAGS) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

check: build
	scripts/run-tests build

# make web: the WebAssembly player in build-web/ (qxplay.mjs, index.html, package.json).
web: deps
	JOBS=$(JOBS) scripts/build-web build-web

# The kernel checker under node and the browser checks in headless Chromium, against the
# native qx of build/.
web-check: build web
	scripts/run-web-tests build build-web

install-check: build
	scripts/check-install build

asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQX_BENCH=OFF \
	  -DQX_SANITIZE=address,undefined $(QX_FLAGS) $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	scripts/run-tests build-asan

tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_BENCH=OFF \
	  -DQX_SANITIZE=thread $(QX_FLAGS) $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target qx_tests
	# The whole suite. The software GL driver's own worker threads synchronise in ways
	# ThreadSanitizer cannot see (it is not instrumented): drawing on the main thread alone, with
	# no shader cache (scripts/run-tests), starts none, and scripts/tsan.supp covers any it still
	# does. The checker runs us several times slower, so the real-time tests slow their clocks
	# and widen their allowances threefold (QX_TIME_SLACK). The encoders' colour-fidelity sweeps
	# run on one thread, where the checker has nothing to find, and were a tenth of its time.
	QX_TIME_SLACK=3 LP_NUM_THREADS=0 TSAN_OPTIONS=suppressions=$(CURDIR)/scripts/tsan.supp \
	  scripts/run-tests build-tsan -E '^ColourFidelity\.'

fuzz:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQX_BENCH=OFF -DQX_FUZZ=ON -DQX_SANITIZE=address,undefined $(QX_FLAGS) $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	scripts/run-fuzz build-fuzz

bench: build
	build/qx_bench

# make release-check: what a packager builds first. Release builds of everything, tests and
# benchmarks included, with GCC and with Clang, warnings as errors. Not part of make test.
release-check:
	cmake -S . -B build-release-gcc -DCMAKE_BUILD_TYPE=Release $(QX_FLAGS) $(CMAKE_FLAGS)
	cmake --build build-release-gcc -j $(JOBS)
	CC=clang CXX=clang++ cmake -S . -B build-release-clang -DCMAKE_BUILD_TYPE=Release \
	  $(QX_FLAGS) $(CMAKE_FLAGS)
	cmake --build build-release-clang -j $(JOBS)

clean:
	rm -rf build build-asan build-tsan build-fuzz build-release-gcc build-release-clang build-web
