# make demo  - build everything and run the main job
# make test  - build everything and run every test
# make bench - run the benchmark on the default document
# make bench-scaling - chart time and memory per item from 1 000 to 1 000 000 items
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build demo test bench bench-scaling install clean

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

clean:
	@rm -rf $(BUILD)
