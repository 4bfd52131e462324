SHELL := /bin/bash
# spinchart: the user's entry points. `make run` builds and starts the program;
# `make test` builds and runs the whole suite, plainly and under ASan + UBSan.
# `make run` builds the program alone (no tests) in its own folder, with only
# the packages it needs, and starts it here, in the repository.

# The build folders, each the binary folder of a preset in CMakePresets.json
# (dev, run, asan, tsan, bench, fuzz, windows, windows-tests), which holds its
# settings.
BUILD      ?= build
RUN_BUILD  ?= build-run
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
WINDOWS_TEST_BUILD ?= build-windows-tests
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# Warnings are errors in CI (WERROR=ON), not by default.
WERROR     ?= OFF
# make install: where to, and an optional staging root.
PREFIX     ?= /usr/local
DESTDIR    ?=

# Configures a build folder from its preset: $(call configure,preset,folder).
configure = cmake --preset $(1) -B $(2) -DSPINCHART_WERROR=$(WERROR) $(CMAKE_FLAGS)

# Debian packages the program needs, and those the tests need besides. The
# header-only libraries serve the Windows build too.
HEADER_PACKAGES := libboost-math-dev nlohmann-json3-dev
RUN_PACKAGES := cmake make g++ $(HEADER_PACKAGES)
DEB_PACKAGES := $(RUN_PACKAGES) clang libclang-rt-14-dev pkg-config libgtest-dev libgmock-dev \
                libbenchmark-dev libvterm-dev valgrind clang-format mawk

# The cross compiler for the Windows build, and wine to run what it builds.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix cmake make $(HEADER_PACKAGES)
WINE_PACKAGES    := wine64 wine
# What the Debian package is built with (dependencies worked out from the
# binary), and what checks the packages.
PACKAGE_PACKAGES := dpkg-dev file
CHECK_PACKAGE_PACKAGES := lintian unzip man-db groff-base

.PHONY: all build run run-deps test test-plain test-asan test-tsan bench bench-build fuzz check-format \
        check-layers check-valgrind check-large deps clean windows test-windows windows-deps \
        wine-deps run-build install package package-windows check-packages package-deps \
        check-package-deps

all: build

# Installs the Debian packages a step needs where it can: on Debian, as root.
# Asked for by name (make deps, make windows-deps, ...) the step fails when it
# cannot; as the first step of another target it names what is missing and the
# build goes on, for a host with packages of its own (another distribution, a
# container without apt).
deps run-deps windows-deps wine-deps package-deps check-package-deps:
	@missing=""; \
	if command -v dpkg >/dev/null 2>&1; then \
	  for p in $(PACKAGES_$@); do \
	    dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; \
	  done; \
	else \
	  missing=" $(PACKAGES_$@)"; \
	fi; \
	if [ -n "$$missing" ]; then \
	  if ! command -v dpkg >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then \
	    echo "$@: no dpkg or apt-get here; install the equivalent of these Debian packages:$$missing"; \
	    $(deps_not_installed) \
	  elif [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "$@: missing packages. Run: sudo apt-get install -y$$missing"; \
	    $(deps_not_installed) \
	  fi; \
	fi
deps_not_installed = $(if $(filter $@,$(MAKECMDGOALS)),exit 1;,echo "$@: going on without them";)

PACKAGES_deps := $(DEB_PACKAGES)
PACKAGES_run-deps := $(RUN_PACKAGES)
PACKAGES_windows-deps := $(WINDOWS_PACKAGES)
PACKAGES_wine-deps := $(WINE_PACKAGES)
PACKAGES_package-deps := $(PACKAGE_PACKAGES)
PACKAGES_check-package-deps := $(CHECK_PACKAGE_PACKAGES)

build: deps
	$(call configure,dev,$(BUILD))
	cmake --build $(BUILD) -j $(JOBS)

# The program alone, started in the repository: the files of a first run land
# here (.gitignore keeps them out of git).
run: run-build
	./$(RUN_BUILD)/spinchart

run-build: run-deps
	$(call configure,run,$(RUN_BUILD))
	cmake --build $(RUN_BUILD) -j $(JOBS)

# The program and its manual page under PREFIX, with its documents; DESTDIR
# stages the whole tree elsewhere.
install: run-build
	DESTDIR="$(DESTDIR)" cmake --install $(RUN_BUILD) --prefix "$(PREFIX)"

# A Debian package and a .tar.gz, in $(RUN_BUILD).
package: run-build package-deps
	cd $(RUN_BUILD) && cpack

# spinchart-<version>-win64.zip, in $(WINDOWS_BUILD).
package-windows: windows
	cd $(WINDOWS_BUILD) && cpack

# Both packages built and checked: lintian, and the unpacked programs.
check-packages: package package-windows check-package-deps
	@bash .ci/check-packages $(RUN_BUILD) $(WINDOWS_BUILD)

test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	$(call configure,asan,$(ASAN_BUILD))
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

test: test-plain test-asan

# The analysis and output tests under ThreadSanitizer (label tsan).
test-tsan: deps
	$(call configure,tsan,$(TSAN_BUILD))
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target unit_tests
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -L tsan

bench-build: deps
	$(call configure,bench,$(BENCH_BUILD))
	cmake --build $(BENCH_BUILD) -j $(JOBS)

# The reading floor the benchmarks measure against, built where the shared
# tools stand beside the repository.
FLOOR_SOURCE ?= ../shared/tools/count_spins.c
bench: bench-build
	@if [ -f $(FLOOR_SOURCE) ]; then cc -O2 -o $(BENCH_BUILD)/count_spins $(FLOOR_SOURCE); \
	else rm -f $(BENCH_BUILD)/count_spins; echo "bench: no $(FLOOR_SOURCE): the reading floor is skipped"; fi
	@for b in $(BENCH_BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

# Every C++ file as .clang-format lays it out; names each one that is not.
check-format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror && echo "check-format: every file formatted"

# No folder includes one above it.
check-layers:
	@bash .ci/check-layers

# Each libFuzzer target for FUZZ_SECONDS, starting from the seed corpus in
# fuzz/corpus/<target> (copied, so the repository's seeds stay as they are).
fuzz: deps
	$(call configure,fuzz,$(FUZZ_BUILD))
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -e; passed=0; mkdir -p $(FUZZ_BUILD)/artifacts; for f in $(FUZZ_BUILD)/fuzz/*_fuzz; do \
	  name=$$(basename $$f _fuzz); work=$$(mktemp -d); mkdir $$work.tmp; \
	  if [ -d fuzz/corpus/$$name ]; then cp -r fuzz/corpus/$$name/. $$work/; fi; \
	  echo "== fuzz $$name for $(FUZZ_SECONDS) s"; \
	  rc=0; TMPDIR=$$work.tmp $$f -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$name- $$work \
	    > $$work.log 2>&1 || rc=$$?; \
	  grep -E "^Done|ERROR|SUMMARY|Test unit written" $$work.log || true; \
	  [ $$rc -eq 0 ] || tail -n 60 $$work.log; \
	  rm -rf $$work $$work.tmp $$work.log; [ $$rc -eq 0 ] || { echo "fuzz: $$passed passed, 1 failed"; exit $$rc; }; \
	  passed=$$((passed + 1)); \
	done; echo "fuzz: $$passed passed, 0 failed"

# The end-to-end tests with every run of the program under valgrind memcheck
# (two shards side by side). Any error or leak it reports fails the target.
VALGRIND_LOGS ?= $(BUILD)/valgrind
VALGRIND := valgrind --quiet --error-exitcode=99 --leak-check=full \
            --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
            --log-file=$(abspath $(VALGRIND_LOGS))/%p.log
check-valgrind: build
	@rm -rf $(VALGRIND_LOGS); mkdir -p $(VALGRIND_LOGS)
	@export SPINCHART_E2E_WRAPPER="$(VALGRIND)" SPINCHART_E2E_TIMEOUT_SCALE=4; \
	pids=""; for shard in 0 1; do \
	  GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$$shard ./$(BUILD)/tests/e2e_tests \
	    > $(VALGRIND_LOGS)/shard$$shard.out 2>&1 & pids="$$pids $$!"; \
	done; \
	passed=0; failed=0; shard=0; \
	for pid in $$pids; do \
	  rc=0; wait $$pid || rc=$$?; \
	  out=$(VALGRIND_LOGS)/shard$$shard.out; shard=$$((shard + 1)); \
	  grep -E "^\[  FAILED  \] [A-Za-z]|Failure$$" $$out || true; \
	  passed=$$((passed + $$(grep -c "^\[       OK \]" $$out))); \
	  these=$$(grep -c "^\[  FAILED  \] [A-Za-z].*(" $$out); \
	  if [ $$rc -ne 0 ] && [ $$these -eq 0 ]; then echo "== $$out ended with status $$rc"; tail -n 20 $$out; these=1; fi; \
	  failed=$$((failed + these)); \
	done; \
	runs=$$(ls $(VALGRIND_LOGS)/*.log 2>/dev/null | wc -l); reports=0; \
	for log in $(VALGRIND_LOGS)/*.log; do \
	  if [ -s $$log ]; then reports=$$((reports + 1)); echo "== $$log"; cat $$log; fi; \
	done; \
	echo "valgrind: $$runs program runs checked, $$reports with errors"; \
	if [ $$reports -gt 0 ]; then failed=$$((failed + 1)); fi; \
	echo "valgrind: $$passed passed, $$failed failed"; \
	[ $$failed -eq 0 ]

# A hundred million spins generated and analysed by the real program (time,
# peak memory and file sizes; about 6 GB under LARGE_DIR), then the analysis
# benchmark up to a hundred million spins beside the plain writer (about 7 GB
# on /dev/shm). Not in CI.
LARGE_SPINS ?= 100000000
LARGE_DIR ?= $(BUILD)/large-input
check-large: build
	@mkdir -p $(LARGE_DIR)
	TMPDIR=$(abspath $(LARGE_DIR)) SPINCHART_LARGE_SPINS=$(LARGE_SPINS) ./$(BUILD)/tests/e2e_tests \
	  --gtest_also_run_disabled_tests --gtest_filter='LargeInput.*'
	$(MAKE) bench-build
	./$(BENCH_BUILD)/bench/analysis_bench --with-100m

# spinchart.exe for 64-bit Windows, cross-compiled with mingw-w64 and linked
# statically: the one file runs on Windows without any other DLL.
windows: windows-deps
	$(call configure,windows,$(WINDOWS_BUILD))
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target spinchart

# The unit tests built for Windows and run under wine, then the Windows
# program driven end to end under wine and compared with the Linux build.
# One wine prefix and one wine server serve the whole run; a hang ends at a
# timeout instead of holding up CI.
WINEPREFIX_DIR := $(abspath $(WINDOWS_TEST_BUILD))/wine
test-windows: windows wine-deps build
	@set -e; export WINEPREFIX=$(WINEPREFIX_DIR) WINEDEBUG=-all; \
	trap 'wineserver -k 2>/dev/null || true' EXIT; \
	mkdir -p $(WINEPREFIX_DIR); \
	wineserver -p >/dev/null 2>&1 </dev/null; \
	wineboot -i >/dev/null 2>&1 </dev/null; \
	$(call configure,windows-tests,$(WINDOWS_TEST_BUILD)); \
	cmake --build $(WINDOWS_TEST_BUILD) -j $(JOBS) --target unit_tests; \
	ctest --test-dir $(WINDOWS_TEST_BUILD) --output-on-failure --timeout 120 -j $(JOBS); \
	SPINCHART_WINDOWS_PROGRAM=$(abspath $(WINDOWS_BUILD))/spinchart.exe \
	SPINCHART_WINDOWS_UNIT_TESTS=$(abspath $(WINDOWS_TEST_BUILD))/tests/unit_tests.exe \
	  ctest --test-dir $(BUILD) --output-on-failure -L windows

clean:
	rm -rf $(BUILD) $(RUN_BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) \
	  $(WINDOWS_TEST_BUILD)
