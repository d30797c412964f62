# The front door: `make run` starts the show, `make test` runs the whole suite.
# Both install any missing Debian packages first (scripts/install-deps).

JOBS    ?= $(shell nproc)
BUILD   := build
ASAN    := build-asan
FUZZ    := build-fuzz
# The suite renders with Mesa's software renderer on a virtual X server.
XVFB    := xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp"
FUZZ_SECONDS ?= 10
# make install: where to (DESTDIR stages it elsewhere, as packagers do).
PREFIX  ?= /usr/local

.PHONY: all deps build run content install package test asan golden fuzz fuzz-run bench clean

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

test: asan
	$(XVFB) ctest --preset asan -j $(JOBS)

# New reference frames after an intended change to the picture: renders the whole show, writes
# tests/golden/frames/ and the contact sheet build/golden/golden-sheet.png to look at first.
golden: build
	$(XVFB) tests/golden/render.sh $(BUILD) $(BUILD)/golden/render
	$(BUILD)/golden_frames update tests/golden/frames.tsv $(BUILD)/golden/render tests/golden/frames $(BUILD)/golden

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

# Runs every fuzz target on its seed corpus for FUZZ_SECONDS each.
fuzz-run: fuzz
	@scripts/run-fuzzers $(FUZZ) $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ)
