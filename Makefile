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

run: build
	build/tonbrook
