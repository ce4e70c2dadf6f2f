# Thin wrapper over the CMake presets.
PRESET ?= default
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
# Under CI every warning is an error.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all build run test sanitize bench fuzz validate install clean

all: build

build:
	cmake --preset $(PRESET) -DMORVEL_WERROR=$(WERROR) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

# Build and run morvel on a bundled element file (the last 180 days of a
# satellite that re-entered): sets with a lifetime below 10 days are listed,
# and the menu asks which one to evolve for up to 2 days (0 ends the run).
run: build
	cd examples && ../build/release/morvel/morvel -L10 -P2 starlink-24.tle

test: build
	ctest --preset $(PRESET) -j $(JOBS)

sanitize:
	$(MAKE) test PRESET=sanitize

bench:
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	./build/bench/bench/morvel_bench

fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

validate: build
	./build/release/validate/morvel-validate

install: build
	cmake --install build/release

clean:
	rm -rf build
