# Thin wrapper over CMake. `make run` and `make test` do all the set-up themselves.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
TSAN_BUILD ?= build-tsan
SOAK_BUILD ?= build-soak
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
STEPS      ?= 1000000
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all deps package-deps test-deps build run test test-asan test-tsan bench soak fuzz fuzz-block interop install package clean

all: build

deps:
	@scripts/install-deps.sh build

package-deps:
	@scripts/install-deps.sh package

test-deps:
	@scripts/install-deps.sh test

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: Tressik is a desktop program and needs a graphical session."; \
	  echo "Start it from a desktop terminal, or in a virtual display with:"; \
	  echo "  xvfb-run -a $(BUILD)/app/tressik"; \
	  exit 1; \
	fi
	$(BUILD)/app/tressik

test: test-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	$(MAKE) test-tsan

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: test-deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTRESSIK_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -LE no-sanitizer

# The tests that draw on the worker pool, built with ThreadSanitizer.
test-tsan: test-deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTRESSIK_TSAN=ON $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target raster_tst_workerpool raster_tst_bandedraster raster_tst_rosetteraster raster_tst_copiesraster
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp ctest --output-on-failure -L threads

bench: test-deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DTRESSIK_BENCH=ON -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	cmake --build $(BENCH_BUILD) --target run-benchmarks

# The long property run, `make soak STEPS=10000000`: optimised, with the undefined-behaviour
# checks on, printing its progress. The seed can be chosen with TRESSIK_PROPERTY_SEED.
soak: test-deps
	cmake -S . -B $(SOAK_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRESSIK_SANITIZE_UNDEFINED=ON $(CMAKE_FLAGS)
	cmake --build $(SOAK_BUILD) -j $(JOBS) --target core_tst_property export_tst_metafileexport
	TRESSIK_PROPERTY_STEPS=$(STEPS) UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  $(SOAK_BUILD)/tests/core_tst_property randomSequences
	TRESSIK_PROPERTY_STEPS=$(STEPS) UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  $(SOAK_BUILD)/tests/export_tst_metafileexport randomSavesMatchTheModel

# The drawing's fuzz target, with clang's libFuzzer, for FUZZ_SECONDS from fuzz/corpus (new
# inputs go to $(FUZZ_BUILD)/corpus, so the repository's corpus stays small).
fuzz: deps
	@command -v clang++ >/dev/null || scripts/install-deps.sh fuzz
	cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/fuzz_copies $(FUZZ_BUILD)/corpus fuzz/corpus -max_total_time=$(FUZZ_SECONDS) -max_len=1024 -print_final_stats=1

# The figure block's reader, the same way, from fuzz/corpus-block.
fuzz-block: deps
	@command -v clang++ >/dev/null || scripts/install-deps.sh fuzz
	cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_block
	mkdir -p $(FUZZ_BUILD)/corpus-block
	$(FUZZ_BUILD)/fuzz_block $(FUZZ_BUILD)/corpus-block fuzz/corpus-block -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1

# Saved figures opened in LibreOffice Draw, Inkscape and ImageMagick (installs the first two,
# which are large, when they are missing).
interop: build
	scripts/interop.sh $(BUILD)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

package: package-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(TSAN_BUILD) $(SOAK_BUILD) $(FUZZ_BUILD)
