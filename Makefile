# make demo  - build everything and run the main job
# make test  - build everything and run every test
# make bench - run the benchmark on the default document
# make windows      - cross-build the DLLs, the program and the tests for Windows
# make windows-test - run every test against the Windows build under Wine
# make package - build the Debian packages (*.deb in BUILD-package)
# make docs  - build the API reference (BUILD/docs/html/index.html)
# make bench-scaling - chart time and memory per item from 1 000 to 1 000 000 items
# make bench-python - the Python package against ElementTree on the benchmark's document
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build demo test bench bench-scaling bench-python install package docs clean windows windows-test

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

# Debian's Python where there is one, as for the tests.
PYTHON ?= $(or $(wildcard /usr/bin/python3),python3)
bench-python: build
	@$(PYTHON) python/bench.py --program $(BUILD)/bench/storagexml-bench --library $(BUILD)/capi/libstoragexml-c.so.1

install: build
	@cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

windows:
	@JOBS=$(JOBS) scripts/windows.sh build

windows-test: build
	@JOBS=$(JOBS) scripts/windows.sh test $(BUILD)

# The packages install under /usr, so they are built in a tree of their own
# configured for that prefix (libraries in the multiarch folder).
package: deps
	@scripts/deps.sh dpkg-dev
	@cmake -S . -B $(BUILD)-package $(CMAKE_FLAGS) -DCMAKE_INSTALL_PREFIX=/usr -DSTORAGEXML_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)-package -j$(JOBS)
	@cd $(BUILD)-package && rm -f *.deb && cpack -G DEB >/dev/null && ls *.deb

docs: deps
	@scripts/deps.sh doxygen
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) --target docs

clean:
	@rm -rf $(BUILD) $(BUILD)-package build-windows
