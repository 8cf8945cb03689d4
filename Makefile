# make run   - install what is missing, build, start the player on the demo song
# make test  - install what is missing, build, run every test
# make fuzz  - build the fuzz targets with clang and run each for a while
# make tools - also install what the benches and the fuzzers use
# make package - build, then a Debian package (.deb) in the build folder
# make test-sanitize - logic libraries and their tests with ASan + UBSan, no GUI
# make format-check  - check the sources against .clang-format
# WERROR=ON turns warnings into errors (CI sets it).

BUILD ?= build
FUZZ_BUILD ?= build-fuzz
SAN_BUILD ?= build-sanitize
FUZZ_SECONDS ?= 60
WERROR ?= OFF
# A compiler cache, when installed, makes rebuilds of other checkouts cheap.
CCACHE := $(shell command -v ccache)
CMAKE_FLAGS := -G Ninja -DCANTORA_WERROR=$(WERROR) $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE))
CLANG_FORMAT ?= $(shell command -v clang-format-14 || command -v clang-format)
# Sanitizer runs: -O1 with line tables only (a third less compile time than
# -O2 -g, stacks still name file and line); every finding fails the test; leaks inside third-party
# libraries are suppressed by name in cmake/sanitizers/lsan.supp, never ours.
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/cmake/sanitizers/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
JOBS ?= $(shell nproc)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Debian 12 packages the build and the tests need.
PACKAGES := build-essential cmake ninja-build pkg-config git \
	qt6-base-dev libgl-dev libfluidsynth-dev libmp3lame-dev libmpg123-dev libsdl2-dev libgtest-dev libebur128-dev \
	fluid-soundfont-gm timgm6mb-soundfont fonts-dejavu-core \
	sox mpg123 libimage-exiftool-perl fonts-comic-neue desktop-file-utils libtag1-dev python3-mutagen \
	libfreetype-dev libharfbuzz-dev libfontconfig-dev libzip-dev ffmpeg parallel
# What the benches, the fuzzers and a look at the window need besides.
TOOL_PACKAGES := clang libclang-rt-14-dev fluidsynth lame time xvfb xauth imagemagick \
	dbus-x11 at-spi2-core python3-gi gir1.2-atspi-2.0 python3-pyatspi xdotool

.PHONY: all deps tools install-packages build run test package test-sanitize format-check fuzz clean

all: build

deps:
	@$(MAKE) --no-print-directory install-packages WANT="$(PACKAGES)"

tools: deps
	@$(MAKE) --no-print-directory install-packages WANT="$(TOOL_PACKAGES)"

install-packages:
	@missing=$$(for p in $(WANT); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing: $$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

# Configured every time so that WERROR and the options follow the command line.
build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/cantora data/demo.kar

test: build
	cd $(BUILD) && SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen \
	  ctest --no-tests=error --output-on-failure -j $(JOBS) --timeout 600

# The package installs under /usr; its dependencies are listed in CMakeLists.txt.
package: build
	cd $(BUILD) && cpack -G DEB
	@ls -1 $(BUILD)/cantora_*.deb

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) $(CMAKE_FLAGS) -DCANTORA_BUILD_GUI=OFF -DCANTORA_SANITIZE=ON \
	  -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g1 -O1" "-DCMAKE_C_FLAGS_DEBUG=-g1 -O1"
	$(SAN_ENV) cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(SAN_ENV) SDL_AUDIODRIVER=dummy \
	  ctest --no-tests=error --output-on-failure -j $(JOBS) --timeout 900

# FORMAT_FILES narrows the check, e.g. to the files a change touches.
FORMAT_FILES ?= $(shell git ls-files '*.cpp' '*.h')
format-check:
	@if [ -z "$(CLANG_FORMAT)" ]; then \
	  echo "format-check: clang-format not installed, skipped"; exit 0; fi; \
	$(CLANG_FORMAT) --dry-run --Werror $(FORMAT_FILES)

fuzz: tools
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCANTORA_FUZZ=ON -DCANTORA_BUILD_GUI=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for f in $(FUZZ_BUILD)/bin/fuzz_*; do \
	  echo "== $$f ($(FUZZ_SECONDS) s)"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$(basename $$f); \
	  $$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=1024 -timeout=10 \
	    $(FUZZ_BUILD)/corpus/$$(basename $$f) fuzz/seeds/$$(basename $$f) || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(SAN_BUILD)
