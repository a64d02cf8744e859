# Habits over the CMake presets. The server is build/release/arene.
SHELL := /bin/bash
PRESET ?= release
ARGS ?=

.PHONY: all build run pilote test bench precision sanitize asan tsan fma aarch64 portabilite fuzz thread-safety format format-check clean deb

all: build

# Installs the Debian packages a set of targets needs, those missing only.
DEPENDANCES = scripts/dependances.sh
# Configures a preset, showing only what it skipped for want of a library.
configure = set -o pipefail; cmake --preset $(1) | { grep '^-- Skipping' || true; }

build:
	@$(DEPENDANCES) programmes
	@$(call configure,$(PRESET))
	cmake --build --preset $(PRESET)

# The server alone: needs nothing but a compiler, CMake and Ninja.
run:
	@$(DEPENDANCES) serveur
	@$(call configure,$(PRESET))
	cmake --build --preset $(PRESET) --target arene
	./build/$(PRESET)/arene $(ARGS)

# Watch and play in this terminal: make pilote ARGS="--port 4000".
pilote: build
	./build/$(PRESET)/arene-pilote $(ARGS)

test:
	@$(DEPENDANCES) tests
	@$(call configure,$(PRESET))
	cmake --build --preset $(PRESET)
	ctest --preset $(PRESET) -j2

# The Debian package, from the release build: build/release/arene_<version>_<arch>.deb.
deb:
	@$(DEPENDANCES) paquet
	@$(call configure,release)
	rm -f build/release/arene_*.deb
	cmake --build --preset release --target package

asan tsan:
	@$(DEPENDANCES) tests
	@$(call configure,$@)
	cmake --build --preset $@
	ctest --preset $@ -j2

sanitize: asan tsan

# The physics tests (sine and cosine, the tick against the reference tick and
# against recorded fingerprints) in a build for CPUs with fused multiply-add
# (-march=x86-64-v3), where only -ffp-contract=off keeps products and sums
# rounded apart.
fma:
	@grep -qw fma /proc/cpuinfo && grep -qw avx2 /proc/cpuinfo || { echo "this CPU has no FMA or AVX2: the fma build cannot run here"; exit 1; }
	@$(DEPENDANCES) tests
	@$(call configure,fma)
	cmake --build --preset fma
	ctest --preset fma

# The same physics tests built for 64-bit ARM and run under qemu-user.
aarch64:
	@$(DEPENDANCES) portabilite
	@$(call configure,aarch64)
	cmake --build --preset aarch64
	ctest --preset aarch64 -j2

# The physics tests must give the same bits everywhere: here, with glibc's
# plain cos and sin chosen (the game calls neither), in the fma build and on
# aarch64. The release build runs them too, in `make test`.
portabilite: build fma aarch64
	GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA ./build/$(PRESET)/physique_tests

# The sine and cosine against MPFR and glibc on 10^7 arguments (a few minutes).
precision:
	@$(DEPENDANCES) tests
	@$(call configure,release)
	cmake --build --preset release --target precision_trigo
	./build/release/precision_trigo

# Every program and its libraries built with clang's -Wthread-safety -Werror:
# a guarded field used without its lock fails the build. The tests are left
# out, as they are compiled without the analysis. Then the planted lock
# faults, each of which must fail to compile.
thread-safety:
	@$(DEPENDANCES) verrous
	@$(call configure,thread-safety)
	cmake --build --preset thread-safety
	ctest --preset thread-safety -j2

# Each libFuzzer target runs FUZZ_SECONDS on its committed seeds plus what it finds.
FUZZ_SECONDS ?= 60
fuzz:
	@$(DEPENDANCES) fuzz
	@$(call configure,fuzz)
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
bench:
	@$(DEPENDANCES) tests
	@$(call configure,release)
	cmake --build --preset release
	./build/release/tick_bench $(BENCH_ARGS)
	./build/release/reponses_bench $(BENCH_ARGS)
	./build/release/enregistrement_bench $(BENCH_ARGS)

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format:
	@$(DEPENDANCES) format
	clang-format -i $(FORMAT_FILES)

format-check:
	@$(DEPENDANCES) format
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf build
