# The two set-up commands: `make run` and `make test`. Both install what is
# missing (Debian packages only), then build what they need.
BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=

.PHONY: help run test deps deps-programs programs build bench clean install uninstall package pictures display-check fuzz fuzz-coverage \
        windows windows-installer test-windows web test-web bench-web bench-outside

# Plain `make` says what there is to make.
help:
	@echo "make run            build lndview and lndtool, make a sample landscape and open it (FILE=land.lnd for another)"
	@echo "make test           build everything (tests, sanitizer and fuzz builds, benchmarks) and run every test"
	@echo "make install        build the programs and install them under PREFIX (default /usr/local)"
	@echo "make uninstall      remove what the last install wrote"
	@echo "make package        the Debian package, in build-package/"
	@echo "make bench          the benchmarks"
	@echo "make fuzz           run every fuzz target for FUZZ_SECONDS (default 600) each, on every core"
	@echo "make fuzz-coverage  the lines of each source file that the fuzzers' kept inputs reach"
	@echo "make pictures       draw the README's pictures again"
	@echo "make windows        the Windows programs, zip and setup, cross-built in build-win/"
	@echo "make windows-installer  the Windows setup, build-win/lndview-<version>-setup.exe"
	@echo "make test-windows   the Windows tests under Wine"
	@echo "make web            the viewer for web browsers (WebAssembly, WebGL2), in build-web/"
	@echo "make test-web       the browser viewer's tests in a headless Chromium"
	@echo "make bench-web      the browser viewer against the native one: loading, frames, synthesis"
	@echo "make bench-outside  load to the first frame and lndtool info, timed from outside against the first build"
	@echo "make clean          remove the build folders"

deps:
	@LND_BUILD_DIR=$(BUILD) bash scripts/install-deps.sh

# Without the tests' glTF validator, which only the tests use.
deps-programs:
	@LND_BUILD_DIR=$(BUILD) bash scripts/install-deps.sh programs

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The two programs alone: what running and installing need.
programs: deps-programs $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target lndview lndtool lnd_compressed_docs

# Everything: the programs, the tests of every kind, the benchmarks.
build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Opens FILE, or a generated sample landscape when no FILE is given.
# Said before minutes of building: over SSH there is no window to open.
display-check:
	@if [ -z "$$DISPLAY" ]; then \
	  echo "ERROR : make run : no graphical display (DISPLAY is not set); the viewer needs one" \
	       "(for pictures without one, use $(BUILD)/lndtool render after make build)" >&2; \
	  exit 2; \
	fi

run: display-check programs
	@if [ -n "$(FILE)" ]; then \
	  $(BUILD)/lndview "$(FILE)"; \
	else \
	  [ -f $(BUILD)/sample.lnd ] || $(BUILD)/lndtool make-sample $(BUILD)/sample.lnd; \
	  $(BUILD)/lndview $(BUILD)/sample.lnd; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The README's pictures, drawn by lndtool render from the default sample.
pictures: programs
	scripts/make-pictures.sh $(BUILD)/lndtool docs

bench: build
	$(BUILD)/bench/lndbench
	$(BUILD)/bench/lndbench_process
	tests/with_xvfb.sh $(BUILD)/bench/lndbench_gl

# Installs into PREFIX (default /usr/local; DESTDIR stages it elsewhere).
# The prefix's MIME and desktop databases are refreshed unless DESTDIR is set.
PREFIX ?= /usr/local
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last `make install` listed in $(BUILD)/install_manifest.txt.
uninstall:
	cmake --build $(BUILD) --target uninstall

# The Debian package, from a build of its own with Debian's hardening flags
# and without the tests: $(PACKAGE_BUILD)/lndview_<version>_<arch>.deb.
PACKAGE_BUILD ?= build-package
package: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@ls -l $(PACKAGE_BUILD)/*.deb

# Runs every fuzz target for FUZZ_SECONDS each, one after the other, each on
# every core; the corpora grow in $(BUILD)/fuzz/corpus-<target>, findings are
# kept in $(BUILD)/fuzz/findings-<target>. Builds only the fuzzers and seeds.
FUZZ_SECONDS ?= 600
fuzz: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target lndfuzz fuzz_seeds
	@status=0; for target in fuzz_check fuzz_edits fuzz_round_trip fuzz_pack_folder fuzz_png_read; do \
	  fuzz/run_fuzz.sh $(BUILD) $$target $(FUZZ_SECONDS) || status=1; \
	done; exit $$status

# Runs what `make fuzz` kept (corpora, seeds, fixed findings) through the
# targets built with clang's source-based coverage and prints the lines
# reached per source file, also in $(BUILD)/fuzz-coverage/report.txt.
fuzz-coverage: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target fuzz_seeds
	fuzz/coverage.sh $(BUILD)

# The Windows programs, cross-built with MinGW-w64 (docs/windows-build.md):
# $(WIN_BUILD)/lndview.exe, lndtool.exe and lndview-<version>-win64.zip. The
# static libraries are built once into $(WIN_BUILD)/deps.
WIN_BUILD ?= build-win
windows:
	@LND_BUILD_DIR=$(BUILD) bash scripts/install-deps.sh windows
	@mkdir -p $(WIN_BUILD)/tmp
	TMPDIR=$(CURDIR)/$(WIN_BUILD)/tmp bash scripts/build-win-deps.sh $(WIN_BUILD)/deps
	@[ -f $(WIN_BUILD)/CMakeCache.txt ] || cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DLNDVIEW_WIN_DEPS=$(CURDIR)/$(WIN_BUILD)/deps
	TMPDIR=$(CURDIR)/$(WIN_BUILD)/tmp cmake --build $(WIN_BUILD) -j $(JOBS)
	@ls -l $(WIN_BUILD)/lndview.exe $(WIN_BUILD)/lndtool.exe $(WIN_BUILD)/lndview-*-win64.zip

# The Windows setup (NSIS): $(WIN_BUILD)/lndview-<version>-setup.exe, beside
# the zip.
windows-installer: windows
	TMPDIR=$(CURDIR)/$(WIN_BUILD)/tmp cmake --build $(WIN_BUILD) -j $(JOBS) --target windows-setup
	@ls -l $(WIN_BUILD)/lndview-*-setup.exe

# The Windows tests under Wine (the setup's too), all on one Xvfb started for
# the run; the Linux lndview and lndtool are built too, to compare with.
test-windows: windows-installer $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target lndview lndtool
	tests/with_xvfb.sh ctest --test-dir $(WIN_BUILD) --output-on-failure -j $(JOBS)

# The browser viewer, built with Debian's Emscripten: $(WEB_BUILD)/index.html
# with viewer.js, lndview.js and lndview.wasm. Emscripten finds its
# JavaScript optimizer only through Debian's Node.js modules.
WEB_BUILD ?= build-web
EMSCRIPTEN_ENV = NODE_PATH=/usr/share/nodejs
web:
	@LND_BUILD_DIR=$(BUILD) bash scripts/install-deps.sh web
	@[ -f $(WEB_BUILD)/CMakeCache.txt ] || $(EMSCRIPTEN_ENV) emcmake cmake -S web -B $(WEB_BUILD) \
	  -DCMAKE_BUILD_TYPE=Release -DLNDVIEW_NATIVE_BUILD=$(CURDIR)/$(BUILD)
	$(EMSCRIPTEN_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	@ls -l $(WEB_BUILD)/index.html $(WEB_BUILD)/viewer.js $(WEB_BUILD)/lndview.js $(WEB_BUILD)/lndview.wasm

# The page in a headless Chromium against the native lndtool, which is built
# for it (and draws the pictures to compare with).
test-web: web $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target lndtool
	ctest --test-dir $(WEB_BUILD) --output-on-failure

# Loading, frames and the material synthesis in Chromium beside the native
# lndview and lndtool (under Xvfb for the viewer's window).
bench-web: web $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target lndview lndtool lndbench
	tests/with_xvfb.sh /usr/bin/python3 bench/web/bench_web.py --native $(BUILD) --web $(WEB_BUILD)

# The first build that drew landscapes as they are meant to look, built from
# the history, and this one beside it, both timed from outside the process.
FIRST_BUILD_COMMIT = 03b1798
FIRST_BUILD = $(BUILD)/first
$(FIRST_BUILD)/build/lndview:
	rm -rf $(FIRST_BUILD) && mkdir -p $(FIRST_BUILD)/source
	git archive $(FIRST_BUILD_COMMIT) | tar -x -C $(FIRST_BUILD)/source
	cmake -S $(FIRST_BUILD)/source -B $(FIRST_BUILD)/build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FIRST_BUILD)/build -j $(JOBS) --target lndview lndtool
bench-outside: $(BUILD)/CMakeCache.txt $(FIRST_BUILD)/build/lndview
	cmake --build $(BUILD) -j $(JOBS) --target lndview lndtool lndbench_first_frame_shim
	tests/with_xvfb.sh /usr/bin/python3 bench/outside/first_frame.py --reference $(FIRST_BUILD)/build --current $(BUILD)

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD) $(WIN_BUILD) $(WEB_BUILD)
