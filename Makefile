# make run   set up, build, convert the bundled samples, and start the desktop program
# make test  set up, build, and run the tests (Release, then Debug with sanitizers)
# make bench set up, build, and compare speed with peers
# make fuzz  set up, build the fuzz targets with clang, and fuzz each for a minute
# make package  set up, build, and write the Debian packages into build/

BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: run test bench fuzz package build deps-build deps-test deps-package deps-bench deps-fuzz clean

deps-build:
	@scripts/install-deps.sh desktop
deps-test:
	@scripts/install-deps.sh test
deps-package:
	@scripts/install-deps.sh package
deps-bench:
	@scripts/install-deps.sh bench
deps-fuzz:
	@scripts/install-deps.sh fuzz

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps-build $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/demo.sh $(BUILD)/tessarim
	@scripts/start-desktop.sh $(BUILD)/tessarim

test: deps-test $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSARIM_SANITIZE=ON -DTESSARIM_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) -j $(JOBS) --output-on-failure

package: deps-package $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target package

bench: deps-bench build
	python3 bench/compare.py --build $(BUILD)

fuzz: deps-fuzz
	scripts/fuzz.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
