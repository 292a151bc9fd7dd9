# Tresslin: top-level commands. See README.md.
BUILD      ?= build/release
ASAN_BUILD ?= build/asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build build-asan test demo bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DTRESSLIN_SANITIZE=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test: build build-asan
	@echo "== tests: normal build"
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure
	@echo "== tests: AddressSanitizer and UndefinedBehaviorSanitizer build"
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest -j $(JOBS) --output-on-failure

demo: build
	@scripts/demo.sh $(BUILD)

clean:
	rm -rf build demo
