# Habits over the CMake presets. The server is build/release/arene.
SHELL := /bin/bash
PRESET ?= release
ARGS ?=

.PHONY: all build run pilote test bench precision sanitize asan tsan fma aarch64 portabilite fuzz format format-check clean outils deb

all: build

# Says which Debian package to install when a tool is missing.
outils:
	@command -v cmake >/dev/null || { echo "cmake is missing: apt-get install cmake"; exit 1; }
	@command -v ninja >/dev/null || { echo "ninja is missing: apt-get install ninja-build"; exit 1; }
	@command -v g++ >/dev/null || { echo "g++ is missing: apt-get install g++"; exit 1; }
	@test -f /usr/include/gtest/gtest.h || { echo "GoogleTest is missing: apt-get install libgtest-dev"; exit 1; }
	@test -f /usr/include/benchmark/benchmark.h || { echo "Google Benchmark is missing: apt-get install libbenchmark-dev"; exit 1; }
	@test -f /usr/include/ncursesw/curses.h || { echo "ncurses is missing: apt-get install libncurses-dev"; exit 1; }
	@test -f /usr/include/CLI/CLI.hpp || { echo "CLI11 is missing: apt-get install libcli11-dev"; exit 1; }
	@test -f /usr/include/zlib.h || { echo "zlib is missing: apt-get install zlib1g-dev"; exit 1; }
	@test -f /usr/include/nlohmann/json.hpp || { echo "nlohmann-json is missing: apt-get install nlohmann-json3-dev"; exit 1; }
	@test -f /usr/include/boost/beast.hpp || { echo "Boost.Beast is missing: apt-get install libboost-dev"; exit 1; }
	@test -f /usr/include/toml++/toml.h || { echo "toml++ is missing: apt-get install libtomlplusplus-dev"; exit 1; }
	@test -f /usr/include/mpfr.h || { echo "MPFR is missing: apt-get install libmpfr-dev"; exit 1; }
	@command -v tmux >/dev/null || echo "tmux is missing, so arene-pilote's terminal tests will be skipped: apt-get install tmux"
	@command -v node >/dev/null && test -x /usr/bin/chromium && test -d tests/navigateur/node_modules || echo "node, chromium or the npm packages are missing, so the viewer's browser tests will be skipped: apt-get install nodejs npm chromium, then npm ci in tests/navigateur"

build: outils
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET)

run: build
	./build/$(PRESET)/arene $(ARGS)

# Watch and play in this terminal: make pilote ARGS="--port 4000".
pilote: build
	./build/$(PRESET)/arene-pilote $(ARGS)

test: build
	ctest --preset $(PRESET) -j2

# The Debian package, from the release build: build/release/arene_<version>_<arch>.deb.
deb: outils
	@command -v dpkg-shlibdeps >/dev/null || { echo "dpkg-shlibdeps is missing: apt-get install dpkg-dev"; exit 1; }
	cmake --preset release >/dev/null
	rm -f build/release/arene_*.deb
	cmake --build --preset release --target package

asan tsan: outils
	cmake --preset $@ >/dev/null
	cmake --build --preset $@
	ctest --preset $@ -j2

sanitize: asan tsan

# The physics tests (sine and cosine, the tick against the reference tick and
# against recorded fingerprints) in a build for CPUs with fused multiply-add
# (-march=x86-64-v3), where only -ffp-contract=off keeps products and sums
# rounded apart.
fma: outils
	@grep -qw fma /proc/cpuinfo && grep -qw avx2 /proc/cpuinfo || { echo "this CPU has no FMA or AVX2: the fma build cannot run here"; exit 1; }
	cmake --preset fma >/dev/null
	cmake --build --preset fma
	ctest --preset fma

# The same physics tests built for 64-bit ARM and run under qemu-user.
aarch64:
	@command -v aarch64-linux-gnu-g++ >/dev/null || { echo "the cross compiler is missing: apt-get install g++-aarch64-linux-gnu"; exit 1; }
	@command -v qemu-aarch64 >/dev/null || { echo "qemu-user is missing: apt-get install qemu-user"; exit 1; }
	cmake --preset aarch64 >/dev/null
	cmake --build --preset aarch64
	ctest --preset aarch64 -j2

# The physics tests must give the same bits everywhere: here, with glibc's
# plain cos and sin chosen (the game calls neither), in the fma build and on
# aarch64. The release build runs them too, in `make test`.
portabilite: build fma aarch64
	GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA ./build/$(PRESET)/physique_tests

# The sine and cosine against MPFR and glibc on 10^7 arguments (a few minutes).
precision: outils
	cmake --preset release >/dev/null
	cmake --build --preset release --target precision_trigo
	./build/release/precision_trigo

# Each libFuzzer target runs FUZZ_SECONDS on its committed seeds plus what it finds.
FUZZ_SECONDS ?= 60
fuzz:
	@command -v clang++ >/dev/null || { echo "clang is missing: apt-get install clang libclang-rt-14-dev"; exit 1; }
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	@for cible in $$(ls tests/fuzz/corpus); do \
	  echo "== fuzz $$cible for $(FUZZ_SECONDS) s"; \
	  mkdir -p build/fuzz/corpus/$$cible; \
	  if ./build/fuzz/fuzz_$$cible -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      -artifact_prefix=build/fuzz/ build/fuzz/corpus/$$cible tests/fuzz/corpus/$$cible \
	      >build/fuzz/$$cible.log 2>&1; then \
	    grep -E '^(Done|stat::number_of_executed_units)' build/fuzz/$$cible.log; \
	  else \
	    tail -n 60 build/fuzz/$$cible.log; exit 1; \
	  fi; \
	done
# Builds the release preset, then runs every benchmark. BENCH_ARGS goes to each
# program, e.g. BENCH_ARGS=--benchmark_filter=TickServeur.
BENCH_ARGS ?=
bench: outils
	cmake --preset release >/dev/null
	cmake --build --preset release
	./build/release/tick_bench $(BENCH_ARGS)
	./build/release/reponses_bench $(BENCH_ARGS)
	./build/release/enregistrement_bench $(BENCH_ARGS)

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format:
	@command -v clang-format >/dev/null || { echo "clang-format is missing: apt-get install clang-format"; exit 1; }
	clang-format -i $(FORMAT_FILES)

format-check:
	@command -v clang-format >/dev/null || { echo "clang-format is missing: apt-get install clang-format"; exit 1; }
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf build
