# make run   - install what is missing, build, start the wizard from the program folder
# make test  - install what is missing, build, run every test but the slow ones (ctest -L slow)
# make dist  - build, then write the program archives for authors into dist/
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test dist bench screenshots clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@cd $(BUILD_DIR)/app && ./arVemko

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -LE slow -j $(JOBS)

dist: build
	@cmake --build $(BUILD_DIR) --target dist

bench: build
	@cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)

screenshots: build
	@BUILD_DIR=$(BUILD_DIR) scripts/screenshots

clean:
	@rm -rf $(BUILD_DIR)
