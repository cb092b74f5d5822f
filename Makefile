# Two commands for a newcomer: `make run` starts Tonbrook, `make test` runs
# every test, the default build and the sanitizer build. Each target first
# installs the Debian packages that are missing from the groups it needs
# (scripts/install-deps): building and running asks for the build group,
# the manual pages and the package add docs, the Windows build adds windows,
# the browser build adds web, and the tests need all five. `make` alone
# builds the two programs; `make install` (PREFIX, DESTDIR) and `make deb`
# install and package them; `make windows` cross-builds tonbrook.exe;
# `make web` builds the site into build-web/site and `make serve` serves it.

.PHONY: programs run test configure build build-asan install uninstall deb

JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
EVERYTHING = build docs test windows web

programs: configure
	@cmake --build --preset default -j $(JOBS) --target tonbrook tonbrook-render

configure:
	@scripts/install-deps build
	@cmake --preset default >/dev/null

build:
	@scripts/install-deps $(EVERYTHING)
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan:
	@scripts/install-deps $(EVERYTHING)
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

test: build build-asan
	ctest --preset default -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	@$(MAKE) --no-print-directory windows-test
	@$(MAKE) --no-print-directory web-test

run: configure
	@cmake --build --preset default -j $(JOBS) --target tonbrook
	build/tonbrook

install:
	@scripts/install-deps build docs
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS) --target tonbrook tonbrook-render tonbrook-dist
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"
	@sed 's|^|$(DESTDIR)|' build/install_manifest.txt > build/installed-files.txt

# CMake's install manifest is rewritten by every install, CPack's too, so
# make install keeps its own copy of the list, with DESTDIR.
uninstall:
	@test -f build/installed-files.txt || { echo "uninstall: nothing installed by make install" >&2; exit 1; }
	xargs -d '\n' rm -f -- < build/installed-files.txt
	@rm build/installed-files.txt

deb:
	@scripts/install-deps build docs
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS) --target tonbrook tonbrook-render tonbrook-dist
	cd build && cpack -G DEB

# Tonbrook for Windows: build-windows/tonbrook.exe, cross-built with
# mingw-w64, and its checks under Wine beside the Linux build.
.PHONY: windows windows-test

windows:
	@scripts/install-deps build windows
	@cmake -S windows -B build-windows -G Ninja --toolchain $(CURDIR)/cmake/mingw-w64.cmake >/dev/null
	@cmake --build build-windows -j $(JOBS)

# Status 77: Wine cannot run here at all; the script says so loudly.
windows-test: windows build
	tests/windows/wine_test.py build-windows build || [ $$? -eq 77 ]

# Tonbrook in the browser: the site in build-web/site, served on
# http://127.0.0.1:8000/ by make serve; its checks run under Node and in
# headless Chromium (status 77 where Chromium cannot start).
.PHONY: web serve web-test

web:
	@scripts/install-deps build web
	@JOBS=$(JOBS) scripts/build-web

serve: web
	python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/site

web-test: web
	ctest --test-dir build-web -j $(JOBS) --output-on-failure
