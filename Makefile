# Two commands for a newcomer: `make run` starts Tonbrook, `make test` runs
# every test, the default build and the sanitizer build. Each installs the
# Debian packages that are missing first.

.PHONY: run test deps build build-asan

JOBS ?= $(shell nproc)

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

test: build build-asan
	ctest --preset default -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	@$(MAKE) --no-print-directory windows-test

run: build
	build/tonbrook

# Tonbrook for Windows: build-windows/tonbrook.exe, cross-built with
# mingw-w64, and its checks under Wine beside the Linux build.
.PHONY: windows windows-test

windows: deps
	@cmake -S windows -B build-windows -G Ninja --toolchain $(CURDIR)/cmake/mingw-w64.cmake >/dev/null
	@cmake --build build-windows -j $(JOBS)

# Status 77: Wine cannot run here at all; the script says so loudly.
windows-test: windows build
	tests/windows/wine_test.py build-windows build || [ $$? -eq 77 ]
