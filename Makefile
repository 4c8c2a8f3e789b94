# brillox: `make run` builds and starts the game, `make test` runs every test headlessly.
# Each target first installs the missing Debian packages of its sets (scripts/install-deps):
# run, release, install: the run set; test, fuzz, bench: run and test; assets, levels: run and
# assets; windows: run and windows (test also builds the Windows package: the windows set as well);
# web: web.
# `./run` and `./test` install make itself first, then call these.

RELEASE_DIR := build/release
TEST_DIR    := build/test
FUZZ_DIR    := build/fuzz
FUZZ_SECONDS ?= 300
BENCH_DIR   := build/bench
WINDOWS_DIR := build/windows
VERSION     := $(shell sed -n 's/^project.brillox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
JOBS        := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run release test bench deps deps-run deps-test deps-assets deps-windows deps-web assets

run: release
	$(RELEASE_DIR)/brillox

# The release build that `make run` starts (`./run` with options starts it itself).
release: deps-run
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS)

test: deps-test
	sh scripts/check-layers
	sh scripts/check-format
	for po in data/po/*.po; do msgfmt --check --output-file=/dev/null "$$po" || exit 1; done
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DBRILLOX_TESTS=ON -DBRILLOX_SANITIZE=ON -DBRILLOX_WERROR=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)
	$(build_fuzz_targets)
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	cd $(FUZZ_DIR) && ctest --output-on-failure -j $(JOBS) -L fuzz
	$(MAKE) test-windows
	$(MAKE) test-web

# Release build of the benchmarks in bench/; runs every benchmark program one after the other.
bench: deps-test
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRILLOX_BENCHMARKS=ON
	cmake --build $(BENCH_DIR) -j $(JOBS) --target brillox_benchmarks
	@set -e; for program in $(BENCH_DIR)/benchmarks/*; do \
	    echo "== $$program"; $$program; \
	done

# For maintainers: regenerates every file in data/ (and the contact sheet in docs/, the icons in
# dist/icons/). The level tool, built in release mode, solves every plan in tools/levels/ under
# the game's own rules and writes Level.ini, tools/level_solutions.txt and the empty highscore
# and save files; the Python generators tools/make_*.py draw the pictures and the icons and make
# the sounds. The contact sheet is drawn from the other outputs, so it goes last.
ASSET_TOOLS := $(filter-out tools/make_contact_sheet.py,$(sort $(wildcard tools/make_*.py))) \
               $(wildcard tools/make_contact_sheet.py)

assets: deps-assets
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target level_tool
	@echo "== $(RELEASE_DIR)/level_tool make"
	$(RELEASE_DIR)/level_tool make tools/levels data tools/level_solutions.txt
	@set -e; for tool in $(ASSET_TOOLS); do \
	    echo "== $$tool"; /usr/bin/python3 $$tool; \
	done

# For maintainers: the levels alone. The level tool solves every plan in tools/levels/ on every
# difficulty and writes data/Level.ini, tools/level_solutions.txt and the empty highscore and
# save files; the contact sheet, which shows every level, is drawn again.
.PHONY: levels
levels: deps-assets
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target level_tool
	$(RELEASE_DIR)/level_tool make tools/levels data tools/level_solutions.txt
	/usr/bin/python3 tools/make_contact_sheet.py

# The fuzz targets in fuzz/, built with clang, libFuzzer and the sanitizers in their own build
# directory. `make test` runs each of them for 45 seconds, and builds the rest of the tree there
# too, so that clang's warnings (errors here, as in the g++ build) cover the tests as well;
# `make fuzz` runs each for FUZZ_SECONDS (default 300), two at a time, continuing the corpora it
# grew before in $(FUZZ_DIR)/fuzz/work/. A finding fails the run and leaves its input in
# $(FUZZ_DIR)/fuzz/work/<target>/artifacts/.
define build_fuzz_targets
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DBRILLOX_FUZZ=ON -DBRILLOX_TESTS=ON -DBRILLOX_WERROR=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets
endef

.PHONY: fuzz
fuzz: deps-test
	$(build_fuzz_targets)
	cd $(FUZZ_DIR) && FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --output-on-failure -j $(JOBS) -L fuzz \
	    --timeout $$(( $(FUZZ_SECONDS) + 600 ))

# Installs the game under PREFIX (default /usr/local; `make install PREFIX=$HOME/.local` needs
# no root) from the release build: the program, its data, the desktop entry, icons, AppStream
# description and manual page (dist/CMakeLists.txt). DESTDIR=DIR stages it under DIR, as
# packaging does.
PREFIX ?= /usr/local

.PHONY: install
install: deps-run
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target brillox
	cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

# The Windows game, cross-built with MinGW-w64 in release mode into $(WINDOWS_DIR): brillox.exe,
# level_tool.exe and the zip for players, $(WINDOWS_DIR)/brillox-$(VERSION)-win64.zip.
# scripts/windows-deps builds the static SDL2, libpng, zlib and googletest once per machine (a
# few minutes) into a cache outside the tree and prints where; a build directory configured for
# other libraries than those is configured afresh.
.PHONY: windows test-windows
windows: deps-windows
	@set -e; prefix=$$(sh scripts/windows-deps); \
	fresh=""; \
	grep -qsxF "BRILLOX_WINDOWS_DEPS:PATH=$$prefix" $(WINDOWS_DIR)/CMakeCache.txt || \
	    fresh="--fresh -DCMAKE_TOOLCHAIN_FILE=cmake/windows-toolchain.cmake"; \
	echo "cmake $$fresh -S . -B $(WINDOWS_DIR) ... -DBRILLOX_WINDOWS_DEPS=$$prefix"; \
	cmake $$fresh -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DBRILLOX_WINDOWS_DEPS="$$prefix"
	cmake --build $(WINDOWS_DIR) -j $(JOBS) --target brillox level_tool windows_package

# The Windows checks, the last step of `make test`, each in a Wine session of its own (a fresh
# prefix and an Xvfb display, removed afterwards): the package (the zip's contents, the
# program's imports and resources, brillox.exe --version), and a player's run of the unpacked
# zip (saves in the player's folder, in AppData under an install that is not writable, a
# read-only save refused; it exits 77, skipped, only when a tool it needs is missing); then
# scripts/test-windows: the test programs cross-built and run under Wine, and the scripted games
# played by both builds with their files compared.
test-windows: windows
	sh scripts/wine-session run sh tests/scripts/windows_package_test.sh . \
	    $(WINDOWS_DIR)/brillox-$(VERSION)-win64.zip $(VERSION)
	@sh tests/scripts/windows_player_test.sh $(WINDOWS_DIR)/brillox-$(VERSION)-win64.zip; \
	status=$$?; [ $$status -eq 0 ] || [ $$status -eq 77 ]
	sh scripts/test-windows $(TEST_DIR)

# The browser game in $(WEB_DIR): index.html, its script and style, brillox.js, brillox.wasm and
# brillox.data, for any static web server (python3 -m http.server -d build/web). Built with
# emscripten in release mode in $(WEB_BUILD_DIR); scripts/web-deps builds the static SDL2, libpng
# and zlib once per machine (a few minutes) into a cache outside the tree and prints where.
# Debian's emcc needs Debian's node modules when another node comes first on PATH.
WEB_DIR       := build/web
WEB_BUILD_DIR := build/web-build

.PHONY: web
web: deps-web
	@set -e; export NODE_PATH="$${NODE_PATH:+$$NODE_PATH:}/usr/share/nodejs"; \
	prefix=$$(sh scripts/web-deps); \
	echo "emcmake cmake -S . -B $(WEB_BUILD_DIR) ... -DBRILLOX_WEB_DEPS=$$prefix"; \
	emcmake cmake -S . -B $(WEB_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DBRILLOX_WEB_DEPS="$$prefix" -DBRILLOX_WEB_OUTPUT="$(CURDIR)/$(WEB_DIR)" \
	    -DBRILLOX_GRAPHICS_BACKEND=gles3 >/dev/null; \
	cmake --build $(WEB_BUILD_DIR) -j $(JOBS) --target web_page

# The browser tests, the last step of `make test` (tests/web/run-tests.sh): the page of `make web`
# served on 127.0.0.1 and driven in headless Chromium through puppeteer-core (installed by
# scripts/web-node-deps from tests/web/package-lock.json into a cache outside the tree): the
# page's behaviour, saves in IndexedDB, a real-time session, and every scripted game played in
# the browser and by the desktop program of $(TEST_DIR) with the same files left. Prints how many
# tests ran, passed and failed, and the page's console and status on a failure; the canvas
# screenshots it takes are kept in $(TEST_DIR)/tests/web/screenshots/.
.PHONY: test-web
test-web: web
	sh tests/web/run-tests.sh $(TEST_DIR)

deps-run:
	@sh scripts/install-deps run

deps-test:
	@sh scripts/install-deps run test

deps-assets:
	@sh scripts/install-deps run assets

deps-windows:
	@sh scripts/install-deps run windows

deps-web:
	@sh scripts/install-deps web

# Every set.
deps:
	@sh scripts/install-deps
