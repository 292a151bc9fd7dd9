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

# Benchmarks (bench/, Google Benchmark), built against the module of $(BUILD).
BENCH_BUILD ?= build/bench

bench: build
	cmake -S bench -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DTRESSLIN_LIBRARY_DIR=$(abspath $(BUILD))
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	$(BENCH_BUILD)/tresslin_bench

# libFuzzer targets (fuzz/*.cpp), built with clang; each runs FUZZ_SECONDS
# from its seed corpus fuzz/corpus/<name up to the first "_"> (bmp_decode:
# fuzz/corpus/bmp). New inputs go to $(FUZZ_BUILD)/corpus, findings to
# $(FUZZ_BUILD)/findings.
FUZZ_BUILD   ?= build/fuzz
FUZZ_SECONDS ?= 60

fuzz: deps
	cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@mkdir -p $(FUZZ_BUILD)/findings
	@for source in fuzz/*.cpp; do \
	  name=$$(basename $$source .cpp); \
	  seeds=fuzz/corpus/$${name%%_*}; [ -d $$seeds ] || seeds=; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "== fuzz: $$name for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/$$name -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/findings/$$name- \
	    $(FUZZ_BUILD)/corpus/$$name $$seeds || exit 1; \
	done
