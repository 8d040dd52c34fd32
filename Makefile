# Quorvin: `make run` builds and starts the program on the demo archive;
# `make test` builds and runs every test. Both install what is missing first.
BUILD     ?= build
SAN_BUILD ?= build-asan
JOBS      ?= $(shell nproc)
CMAKE_GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build test sanitize run bench fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release; fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The library and command-line tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
sanitize: deps
	@if [ ! -f $(SAN_BUILD)/CMakeCache.txt ]; then \
	  cmake -S . -B $(SAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	    -DQUORVIN_SANITIZE=ON -DQUORVIN_GUI=OFF; fi
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

run: build
	@scripts/run-demo $(BUILD)

bench: build
	@scripts/bench $(BUILD)

fuzz: deps
	@scripts/fuzz $(or $(SECONDS_PER_TARGET),600)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-fuzz
