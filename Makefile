# Two entry points: `make run` builds and starts the program, `make test` builds and runs every
# test (then the engine tests again under AddressSanitizer + UndefinedBehaviorSanitizer, the
# render tests under ThreadSanitizer, each fuzzer briefly, and the program in a real X session).
# Both install what is missing.
JOBS        ?= $(shell nproc)
BUILD       ?= build/release
ASAN_BUILD  ?= build/asan
TSAN_BUILD  ?= build/tsan
FUZZ_BUILD  ?= build/fuzz
FUZZ_SECONDS ?= 20
CMAKE_GEN   := -G Ninja

.PHONY: all bootstrap build run test test-release test-asan test-tsan test-fuzz bench format clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

$(BUILD)/build.ninja: CMakeLists.txt | bootstrap
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release

build: bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

test: test-release test-asan test-tsan test-fuzz test-desktop test-cluster test-package
	@echo "make test: all test stages passed"

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQM_SANITIZE=address,undefined -DQM_BUILD_GUI=OFF -DQM_BUILD_BENCH=OFF >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS) -L 'engine|cli|render'

test-tsan: bootstrap
	@cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQM_SANITIZE=thread -DQM_BUILD_GUI=OFF -DQM_BUILD_BENCH=OFF >/dev/null
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -L render --no-tests=ignore

test-fuzz: bootstrap
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQM_BUILD_FUZZ=ON -DQM_SANITIZE=address,undefined -DQM_BUILD_GUI=OFF \
	    -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The program in a real X session (Xvfb + openbox), driven through the X server.
.PHONY: test-desktop
test-desktop: build
	@bash scripts/desktop-test.sh $(BUILD)

# The render-farm scripts on a local single-node Slurm cluster (root only; skipped otherwise).
.PHONY: test-cluster
test-cluster: build
	@bash scripts/cluster/test-cluster.sh $(BUILD)

# The Debian package quillmora_<version>_<arch>.deb, in $(BUILD).
.PHONY: package
package: build
	cd $(BUILD) && cpack

# The package built, checked by lintian, installed, tried and purged (root only; skipped otherwise).
.PHONY: test-package
test-package: build
	@bash scripts/package-test.sh $(BUILD)

bench: build
	@bash scripts/run-benches.sh $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
