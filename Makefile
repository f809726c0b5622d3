# make run  - install what is missing, build, start Quillarc (a demonstration
#             pass on a machine without a display)
# make test - install what is missing, build, run every test, then the core
#             tests again under AddressSanitizer and UndefinedBehaviorSanitizer
# make deb  - build the Debian package quillarc_<version>_<arch>.deb here

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools \
            libgl-dev libgtest-dev libgmock-dev libblkid-dev fonts-dejavu-core \
            util-linux e2fsprogs dosfstools fusefat rsync time xauth xvfb xdg-utils \
            dpkg-dev file
BUILD      ?= build
ASAN_BUILD ?= build-asan
DEB_BUILD  ?= build-deb
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build run test test-main test-asan bench deb clean

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
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  exec $(BUILD)/bin/quillarc; \
	else \
	  exec scripts/demo.sh $(BUILD); \
	fi

test: test-main test-asan

test-main: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DQUILLARC_SANITIZE=ON -DQUILLARC_BUILD_GUI=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -L core --timeout 600

bench: build
	bench/run.sh $(BUILD)

# Installed under /usr, without tests; CPack takes its dependencies from
# the libraries the programs link (dpkg-shlibdeps).
deb: deps
	cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DQUILLARC_BUILD_TESTS=OFF
	cmake --build $(DEB_BUILD) -j $(JOBS)
	cd $(DEB_BUILD) && cpack -G DEB
	cp $(DEB_BUILD)/quillarc_*.deb .

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(DEB_BUILD)
