# The whole set-up: `make run` and `make test` install what is missing, build, and go.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
# ON fails the build on any warning in our own code, OFF does not; `make test` turns it on for every
# build it makes. Unset, a build folder keeps what it was configured with.
WERROR ?=
WERROR_FLAG = $(if $(WERROR),-DVELBRISK_WERROR=$(WERROR))

.PHONY: all setup configure build run test clean

# Builds that anyone can check: where a tool would write the time of the build, it writes the
# time of the last commit instead (the compilers, Qt's rcc, the Debian package's files).
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif

all: build

setup:
	@tools/setup

configure: setup
	cmake -S . -B $(BUILD) $(WERROR_FLAG) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/velbrisk

# After the Linux tests, the Ninja build, lintian on the package, then the Windows tests
# (test-windows installs what it needs).
test: export WERROR = ON
test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory build-ninja
	$(MAKE) --no-print-directory lint-package
	$(MAKE) --no-print-directory test-windows

# The Linux tree with the Ninja generator too, in $(NINJA_BUILD), so that neither generator is the
# only one that works (`make test` builds it whole; a few minutes on two cores).
NINJA_BUILD ?= $(BUILD)-ninja
.PHONY: build-ninja
build-ninja: setup
	cmake -S . -B $(NINJA_BUILD) -G Ninja $(WERROR_FLAG) $(CMAKE_FLAGS)
	cmake --build $(NINJA_BUILD) -j $(JOBS)

# The Windows program and its tests, cross-built with mingw-w64 in $(WIN_BUILD); the program is
# $(WIN_BUILD)/app/velbrisk.exe. Its tests run under Wine, in a Wine prefix and a Chinese locale
# that the build folder keeps (cmake/wine-run), on the virtual screen that xvfb-run gives them all,
# since the window tests make real windows. The installer is made first: one test cuts it.
WIN_BUILD ?= $(BUILD)-windows
WIN_CMAKE_FLAGS ?=
WINE_RUN = $(CURDIR)/cmake/wine-run $(abspath $(WIN_BUILD))/wineprefix
# `make package-windows SIGN_CERT=cert.pem SIGN_KEY=key.pem` signs the programs and the installer;
# every configure sets them, so that a build without them is unsigned again.
SIGN_CERT ?=
SIGN_KEY ?=
WIN_SIGN_FLAGS = -DVELBRISK_SIGN_CERT=$(if $(SIGN_CERT),$(abspath $(SIGN_CERT))) \
	-DVELBRISK_SIGN_KEY=$(if $(SIGN_KEY),$(abspath $(SIGN_KEY)))
.PHONY: windows test-windows package-windows
windows:
	@tools/setup tools/debian-packages-windows.txt
	cmake -S . -B $(WIN_BUILD) --toolchain $(CURDIR)/cmake/mingw-w64-x86_64.cmake \
		$(WERROR_FLAG) $(WIN_SIGN_FLAGS) $(WIN_CMAKE_FLAGS)
	cmake --build $(WIN_BUILD) -j $(JOBS)

test-windows: package-windows
	xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
		ctest --test-dir $(WIN_BUILD) --output-on-failure -j $(JOBS); \
		status=$$?; WINEPREFIX=$(abspath $(WIN_BUILD))/wineprefix wineserver -k 2>/dev/null; \
		exit $$status

# $(WIN_BUILD)/velbrisk-1.0-windows-x64.zip and $(WIN_BUILD)/velbrisk-1.0-setup.exe, signed where
# SIGN_CERT and SIGN_KEY are given.
package-windows: windows
	cmake --build $(WIN_BUILD) --target package_windows

# The Debian package, in $(BUILD).
.PHONY: package
package: build
	cmake --build $(BUILD) --target package

# lintian on the package: any error or warning fails. An override goes in packaging/debian/ with
# the reason for it written beside it. The hardening that Debian gives its own programs is
# required too, though lintian reports its absence only as information.
.PHONY: lint-package
lint-package: package
	lintian --fail-on error,warning --display-info --tag-display-limit 0 $(BUILD)/velbrisk_*.deb
	lintian --fail-on info --tags hardening-no-bindnow,hardening-no-fortify-functions \
		$(BUILD)/velbrisk_*.deb

# The last commit built twice from scratch, in two folders of different names, Linux and Windows:
# the programs, the Debian package, the zip and the installer must come out the same, byte for
# byte. It takes as long as four builds.
.PHONY: reproducible
reproducible:
	@tools/setup tools/debian-packages-windows.txt
	tools/check-reproducible

# The main window pictured on a virtual screen for README.md: docs/screenshot.png as Qt draws it
# on Linux, docs/screenshot-windows.png as the Windows program shows it under Wine.
.PHONY: screenshot
screenshot: build windows
	tools/screenshot $(BUILD)/app/velbrisk docs/screenshot.png
	tools/screenshot-windows "$(WINE_RUN)" $(WIN_BUILD)/app/velbrisk.exe docs/screenshot-windows.png

# The engine against a plain read and cp, on inputs written inside the bench's own build folder
# (so on the file system of this tree); a few minutes and about 4 GiB of disk while it runs.
BENCH_BUILD ?= build-bench
.PHONY: bench
bench: setup
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELBRISK_QT=OFF \
		-DVELBRISK_TESTS=OFF -DVELBRISK_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target velbrisk_bench
	$(BENCH_BUILD)/bench/velbrisk_bench --dir $(abspath $(BENCH_BUILD))

# The PE header reader under libFuzzer for FUZZ_SECONDS; the corpus grows in $(FUZZ_BUILD)/fuzz-run
# from run to run, and a finding lands in its findings folder and fails the run.
.PHONY: fuzz
fuzz: setup
	cmake -S . -B $(FUZZ_BUILD) -DVELBRISK_QT=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target pe_image_fuzz pe_image_seeds
	tests/engine/fuzz/run_fuzz.sh $(FUZZ_BUILD)/tests/engine/fuzz/pe_image_fuzzer \
		$(FUZZ_BUILD)/tests/engine/fuzz/pe_image_seeds tests/engine/fuzz/pe_image.dict \
		$(FUZZ_BUILD)/fuzz-run $(FUZZ_SECONDS)

# Line and branch coverage of the Linux tests (not part of `make test`): a build with gcc's
# --coverage in $(COVERAGE_BUILD), every test but the fuzz run, then a summary here and the report
# by file and line in $(COVERAGE_BUILD)/coverage/index.html. Only the program's own code is
# counted, not the tests. A failing test still gets its report, and fails the target. The build
# starts afresh each time: notes left by objects of an older tree would be merged into the report.
COVERAGE_BUILD ?= build-coverage
.PHONY: coverage
coverage: setup
	@tools/setup tools/debian-packages-coverage.txt
	rm -rf $(COVERAGE_BUILD)
	cmake -S . -B $(COVERAGE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage \
		-DVELBRISK_SANITIZED_TESTS=OFF
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	mkdir -p $(COVERAGE_BUILD)/coverage
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(COVERAGE_BUILD) -LE fuzz -j $(JOBS); \
	status=$$?; \
	gcovr --root . --object-directory $(COVERAGE_BUILD) \
		--exclude-directories '$(COVERAGE_BUILD)/CMakeFiles' \
		--filter 'engine/' --filter 'ui/' --filter 'app/' --filter 'cli/' \
		--exclude-unreachable-branches --exclude-throw-branches \
		--html-details $(COVERAGE_BUILD)/coverage/index.html \
		--txt $(COVERAGE_BUILD)/coverage/by-file.txt --print-summary $(COVERAGE_BUILD) \
		|| status=1; \
	exit $$status

# Faults made by rule against the Linux tests (tools/mutate, not part of `make test`): a sample of
# MUTANTS_PER_ROOM from each room, drawn with MUTATION_SEED, each built and tested in a copy of the
# tree in $(MUTATION_BUILD); the report is $(MUTATION_BUILD)/mutation-report.md. `make mutation-again`
# tries that run's sample again once tests change or survivors are judged equivalent.
MUTANTS_PER_ROOM ?= 40
MUTATION_SEED ?= 1
MUTATION_BUILD ?= build-mutation
MUTATION_TIMEOUT ?= 60
.PHONY: mutation mutation-again
mutation: setup
	tools/mutate --per-room $(MUTANTS_PER_ROOM) --seed $(MUTATION_SEED) --out $(MUTATION_BUILD) \
		--timeout $(MUTATION_TIMEOUT)
mutation-again: setup
	tools/mutate --again --out $(MUTATION_BUILD) --timeout $(MUTATION_TIMEOUT)

clean:
	rm -rf $(BUILD) $(NINJA_BUILD) $(WIN_BUILD) $(COVERAGE_BUILD) $(MUTATION_BUILD)
