# make run  - install what is missing, build, start Quillarc (a demonstration
#             pass on a machine without a display)
# make test - install what is missing, build, check the repo's source rules,
#             the layout (clang-format) and clang-tidy's findings in src/,
#             run the threaded tests under ThreadSanitizer, the core and
#             window tests under AddressSanitizer and
#             UndefinedBehaviorSanitizer, then every test
# make deb  - build the Debian package quillarc_<version>_<arch>.deb here

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools \
            libgl-dev libgtest-dev libgmock-dev libblkid-dev libacl1-dev libattr1-dev acl attr \
            fonts-dejavu-core \
            util-linux e2fsprogs dosfstools fusefat rsync time xauth xvfb xdg-utils \
            dpkg-dev file clang-format clang-tidy ccache python3 openbox xdotool x11-utils \
            libsystemd-dev dbus-daemon python3-dbus python3-gi \
            libsqlite3-dev libxxhash-dev xxhash strace
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
DEB_BUILD  ?= build-deb
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build run test test-main test-asan test-tsan lint bench deb clean

# make test and CI build with warnings as errors; a packager's plain cmake
# build does not.
CHECKED := -DQUILLARC_WERROR=ON
# Every build goes through ccache where it is installed (looked up when a
# recipe runs, after deps). Paths below the source folder are hashed as
# relative ones, so a clone in another folder (as CI makes) reuses what this
# one compiled; debug information of such a reused object names the folder
# it was first compiled in.
LAUNCHER  = $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR   := $(CURDIR)
export CCACHE_NOHASHDIR := true
# clang-tidy checks only what changed since each file's last clean check;
# QUILLARC_TIDY=all (as CI sets it) checks every file.
QUILLARC_TIDY ?= changed
SOURCES  = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'tools/*.cpp')

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Run:"; \
	    echo "  sudo apt-get install -y $$missing"; \
	    exit 1; \
	  fi; \
	fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CHECKED) $(LAUNCHER)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  exec $(BUILD)/bin/quillarc; \
	else \
	  exec scripts/demo.sh $(BUILD); \
	fi

# The main run last, so that its ctest summary closes the output.
test: lint test-tsan test-asan test-main

test-main: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# Every core and window test once more under AddressSanitizer and
# UndefinedBehaviorSanitizer; only what those tests need is built.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug $(CHECKED) $(LAUNCHER) -DQUILLARC_SANITIZE=ON -DQUILLARC_BUILD_GUI=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target core_and_gui_tests
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure --no-tests=error -j $(JOBS) -L 'core|gui' --timeout 600

# The tests where threads meet: the engine's worker and its owner, the
# runner's signals and terminal, the window's pass. Qt is not built for the
# thread checker, so only the program's own code is watched. Each binary's
# tests carry its name as a label; ctest spreads them over the cores.
TSAN_TESTS := engine_tests cli_tests gui_passrun_test gui_passwindows_test gui_mainwindow_test
empty :=
space := $(empty) $(empty)
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug $(CHECKED) $(LAUNCHER) -DQUILLARC_SANITIZE_THREAD=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target quillarc-pass $(TSAN_TESTS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1" \
	  ctest --output-on-failure --no-tests=error -j $(JOBS) --timeout 600 -L '^($(subst $(space),|,$(TSAN_TESTS)))$$'

# The repo's own rules (no mentions of outside documents, includes follow
# the layers), the layout of all the code, and clang-tidy's findings in src/.
lint: build
	@scripts/check-source-rules.sh
	@echo "clang-format: checking the layout of $(words $(SOURCES)) files"
	@clang-format --dry-run --Werror $(SOURCES)
	@scripts/tidy.py $(BUILD) -j $(JOBS) $(if $(filter all,$(QUILLARC_TIDY)),--all)

bench: build
	bench/run.sh $(BUILD)

# Installed under /usr, without tests; CPack takes its dependencies from
# the libraries the programs link (dpkg-shlibdeps).
deb: deps
	cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr $(LAUNCHER) \
	  -DQUILLARC_BUILD_TESTS=OFF
	cmake --build $(DEB_BUILD) -j $(JOBS)
	cd $(DEB_BUILD) && cpack -G DEB
	cp $(DEB_BUILD)/quillarc_*.deb .

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(DEB_BUILD)
