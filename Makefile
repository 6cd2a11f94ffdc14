# The README's two commands: `make run` and `make test`.
# Both install the Debian packages the project needs when any is missing, then build.

PACKAGES := build-essential cmake ninja-build pkg-config \
	libsdl2-dev libpng-dev zlib1g-dev libogg-dev libvorbis-dev \
	libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho \
	libavformat-dev libavcodec-dev libswscale-dev libswresample-dev \
	libgtest-dev libgmock-dev libbenchmark-dev \
	xvfb xauth libx11-dev openbox clang libclang-rt-14-dev

JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
SUDO   := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CMAKE_GEN := -G Ninja

.PHONY: run test deps build build-asan build-tsan test-release test-asan test-tsan soak bench fuzz format clean help

help:
	@echo "make run    build the engine (Release, build/) and start it on the bundled demo"
	@echo "make test   build and run the whole test suite in build/ and again in build-asan/,"
	@echo "            and the sound tests under ThreadSanitizer in build-tsan/"
	@echo "make soak   play the demo in build-asan/ with a random player for SOAK_SECONDS (60)"
	@echo "            and fail on a sanitizer report, a crash, a leak or memory growth over 5 %"
	@echo "make bench  build and run the benchmarks, and measure the engine in a window (Xvfb)"
	@echo "make fuzz   build the fuzz targets with clang (build-fuzz/) and run each"
	@echo "            FUZZ_SECONDS seconds (default 20), with a table of what each did"
	@echo "make format reformat the sources with clang-format"

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build/build.ninja: | deps
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release

build-asan/build.ninja: | deps
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURA_SANITIZE=ON

# Only the sound tests, whose stream threads share buffers with the mixer.
build-tsan/build.ninja: | deps
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURA_TSAN=ON

build: deps build/build.ninja
	cmake --build build -j $(JOBS)

build-asan: deps build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)

build-tsan: deps build-tsan/build.ninja
	cmake --build build-tsan -j $(JOBS) --target vura-audio-tests

run: build
	./build/vura

test-release: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build-asan && ctest --output-on-failure -j $(JOBS)

test-tsan: build-tsan
	cd build-tsan && ctest --output-on-failure -j $(JOBS)

# The address sanitizer tree's suite runs last of the suites, then a one-minute soak, whose
# summary is the last line.
test: test-release test-tsan test-asan soak

# The demo in the sanitizer tree, played again and again by a seeded random player for
# SOAK_SECONDS of wall time; SOAK_SEED=N plays a run again. vura-soak says what failed; a crash
# or a leak found at the exit ends it with a status of its own, said here.
SOAK_SECONDS ?= 60
soak: build-asan
	@LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 SOAK_SECONDS=$(SOAK_SECONDS) $(if $(SOAK_SEED),SOAK_SEED=$(SOAK_SEED)) \
	 ./build-asan/tests/vura-soak || { s=$$?; echo "soak: FAILED: vura-soak ended with status $$s"; exit 1; }

# The benchmarks, then the engine in a real window measured from outside (bench/window_figures.sh).
bench: build
	xvfb-run -a -s "-screen 0 1280x1024x24" ./build/bench/vura-bench
	xvfb-run -a -s "-screen 0 1280x1024x24" bench/window_figures.sh build

# FUZZ_SECONDS=N runs each target N seconds; a table of executions and new coverage ends it.
FUZZ_SECONDS ?= 20

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURA_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	fuzz/run_all.sh $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf build build-asan build-tsan build-fuzz
