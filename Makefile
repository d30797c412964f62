# The front door: `make run` starts the show, `make test` runs the whole suite.
# Both install any missing Debian packages first (scripts/install-deps).

JOBS    ?= $(shell nproc)
BUILD   := build
ASAN    := build-asan
FUZZ    := build-fuzz
# The browser build, the libraries it builds from Debian's sources, and the native build whose
# content pack (and golden_frames) it uses: build, or build-asan where make test made one.
WEB     := build-web
WEBDEPS := build-web-deps
WEB_NATIVE ?= $(BUILD)
EMENV   := env NODE_PATH=/usr/share/nodejs
# The suite renders with Mesa's software renderer on a virtual X server.
XVFB    := xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp"
FUZZ_SECONDS ?= 10
# make install: where to (DESTDIR stages it elsewhere, as packagers do).
PREFIX  ?= /usr/local

.PHONY: all deps build run content install package test test-long asan golden fuzz fuzz-run bench web web-test clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

# The build generates the content pack into build/data (again whenever mkcontent changes).
content: build

run: content
	cd $(BUILD) && ./velmar

# The show, its libraries, the tools, the content pack, the desktop entry and the manual pages.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package, build/velmar_VERSION_ARCH.deb.
package: build
	cd $(BUILD) && cpack

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

# Every test runs once: a test that fails has found something. Tests labelled long (the
# reference frames on softpipe, minutes on their own) wait for make test-long.
test: asan
	$(XVFB) ctest --preset asan -j $(JOBS) -LE long

test-long: asan
	$(XVFB) ctest --preset asan -j $(JOBS) -L long

# New reference frames after an intended change to the picture: renders the whole show, writes
# tests/golden/frames/ and the contact sheet build/golden/golden-sheet.png to look at first.
golden: build
	tests/golden/render.sh $(BUILD) $(BUILD)/golden/render
	$(BUILD)/golden_frames update tests/golden/frames.tsv $(BUILD)/golden/render tests/golden/frames $(BUILD)/golden

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

# Runs every fuzz target on its seed corpus for FUZZ_SECONDS each.
fuzz-run: fuzz
	@scripts/run-fuzzers $(FUZZ) $(FUZZ_SECONDS)

# The show as a web page in build-web/ (index.html, velmar.js, velmar.wasm, velmar.data).
web:
	@$(MAKE) --no-print-directory $(if $(filter $(ASAN),$(WEB_NATIVE)),asan,build)
	@scripts/install-deps web
	@scripts/web-deps $(WEBDEPS)
	@$(EMENV) emcmake cmake -S . -B $(WEB) -DCMAKE_BUILD_TYPE=Release -DVELMAR_WEB_DEPS=$(CURDIR)/$(WEBDEPS)/prefix \
	  -DVELMAR_WEB_DATA=$(CURDIR)/$(WEB_NATIVE)/data >/dev/null
	@$(EMENV) cmake --build $(WEB) -j $(JOBS)

# The page in headless Chromium: 20 s of the show, the two clip-library copies, the OpenGL layer
# across contexts, links that name another site refused, the golden frames, the loading bar and
# a failed download, a second visit without a network, a link to a moment, a phone's screen.
web-test: web
	python3 tests/web/browser_test.py $(WEB) play 20
	python3 tests/web/browser_test.py $(WEB) twin
	python3 tests/web/browser_test.py $(WEB) contexts
	python3 tests/web/browser_test.py $(WEB) safety
	python3 tests/web/browser_test.py $(WEB) golden $(WEB_NATIVE) $(WEB)/golden
	python3 tests/web/browser_test.py $(WEB) loading
	python3 tests/web/browser_test.py $(WEB) offline
	python3 tests/web/browser_test.py $(WEB) moment $(WEB_NATIVE) $(WEB)/moment
	python3 tests/web/browser_test.py $(WEB) touch

bench: build
	@scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ) $(WEB) $(WEBDEPS)
