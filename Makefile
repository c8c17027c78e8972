# The README's two commands: `make demo` and `make test`. Both install the Debian packages
# the project needs when they are missing, configure CMake, build and run.

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
	libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev \
	libavdevice-dev libavfilter-dev ffmpeg libpng-dev libassimp-dev
BENCH_PACKAGES := libbullet-dev libembree-dev libyuv-dev

.PHONY: demo test bench deps bench-deps build build-asan build-tsan clean

define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "missing packages; run: sudo apt-get update && sudo apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

bench-deps: deps
	$(call install_missing,$(BENCH_PACKAGES))

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

# ThreadSanitizer covers the threaded media engine only: its tests are built and run alone.
build-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TSAN=ON $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS) --target tsan_tests

test: build build-asan build-tsan
	ctest --test-dir build --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -L tsan -j $(JOBS)

# The demo needs only itself and the plug-ins it loads (its build dependencies), not the tests.
demo: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target corvane_demo
	./build/bin/corvane_demo

bench: bench-deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCORVANE_BENCH=ON -DCORVANE_BENCH_PEERS=ON $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS)
	./bench/run.sh build-bench

clean:
	rm -rf build build-asan build-tsan build-bench
