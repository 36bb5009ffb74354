# make demo  - build everything and run the main job
# make test  - build everything and run every test
# make bench - run the benchmark on the default document
# make windows      - cross-build the DLLs, the program and the tests for Windows
# make windows-test - run every test against the Windows build under Wine
# make package - build the Debian package (storagexml_VERSION_ARCH.deb in BUILD)
# make docs  - build the API reference (BUILD/docs/html/index.html)
# make bench-scaling - chart time and memory per item from 1 000 to 1 000 000 items
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build demo test bench bench-scaling install package docs clean windows windows-test

all: build

deps:
	@scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

demo: build
	@scripts/demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	@$(BUILD)/bench/storagexml-bench

bench-scaling: build
	@bench/scaling.sh $(BUILD)

install: build
	@cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

windows:
	@JOBS=$(JOBS) scripts/windows.sh build

windows-test: build
	@JOBS=$(JOBS) scripts/windows.sh test $(BUILD)

package: build
	@scripts/deps.sh dpkg-dev
	@cd $(BUILD) && cpack -G DEB

docs: deps
	@scripts/deps.sh doxygen
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) --target docs

clean:
	@rm -rf $(BUILD) build-windows
