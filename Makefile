# Thin wrapper over the CMake presets.
PRESET ?= default
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
# Under CI every warning is an error.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps test-deps build run test sanitize bench fuzz validate install clean

all: build

# OMM element files in JSON and XML are read with simdjson and expat: their
# Debian packages are installed on a machine that lacks them. GoogleTest is
# needed by the tests alone: `make test` installs it the same way, and
# without it the program and the tools build, the tests left out.
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
DEPS_MISSING = $(if $(wildcard /usr/include/simdjson.h),,libsimdjson-dev) \
               $(if $(wildcard /usr/include/expat.h),,libexpat1-dev)
TEST_DEPS_MISSING = $(if $(wildcard /usr/include/gtest/gtest.h),,libgtest-dev)
define install-missing
	@if [ -n "$(strip $(1))" ]; then \
	  echo "Installing $(strip $(1)) ($(2))"; \
	  $(SUDO) apt-get update -qq >/dev/null && \
	  $(SUDO) apt-get install -y -qq $(strip $(1)) >/dev/null; \
	fi
endef
deps:
	$(call install-missing,$(DEPS_MISSING),readers of JSON and XML element files)

test-deps: deps
	$(call install-missing,$(TEST_DEPS_MISSING),the tests)

build: deps
	cmake --preset $(PRESET) -DMORVEL_WERROR=$(WERROR) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

# Build and run morvel on a bundled element file (the last 180 days of a
# satellite that re-entered): sets with a lifetime below 10 days are listed,
# and the menu asks which one to evolve for up to 2 days (0 ends the run).
run: deps
	cmake --preset $(PRESET) -DMORVEL_WERROR=$(WERROR) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS) --target morvel
	cd examples && ../build/release/morvel/morvel -L10 -P2 starlink-24.tle

test: test-deps build
	ctest --preset $(PRESET) -j $(JOBS)

sanitize:
	$(MAKE) test PRESET=sanitize

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	./build/bench/bench/morvel_bench

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

# Accuracy against real re-entries (tools/validate/data, made by
# tools/validate/extract.py): docs/validation.csv, docs/validation-campaigns.csv
# and docs/validation.md, the error figure by kind docs/validation.png, the
# campaign figure docs/validation-campaigns.png, and docs/decay-example.png: STARLINK-24's
# observed last months against morvel's evolutions of two of its sets, the one
# the validation takes 30 days before the re-entry (2022 day 267) and the one
# two days later (day 269); docs/screening.md, the evidence for the drag limit,
# include/windowtable.inc, the windows the program is built with, and
# docs/screening.png, the screened list of the 2026-07-04 snapshot as a
# timeline. Without gnuplot the figure scripts and data stay in build/plot.
VALIDATE_EXAMPLE := tools/validate/data/example/44238-starlink-24.tle
validate: build
	./build/release/tools/validate/morvel-validate --flux-file tools/validate/data/space-weather.csv \
	  --csv docs/validation.csv --md docs/validation.md --window-table include/windowtable.inc --snapshots tools/validate/data/screening --screening-md docs/screening.md
	mkdir -p build/plot
	./build/release/tools/plot/morvel-plot --errors docs/validation.csv -o docs/validation.png --work build/plot \
	  --title "Decay-list estimate (observed flux) against real re-entries, by kind"
	./build/release/tools/plot/morvel-plot --campaigns docs/validation-campaigns.csv -o docs/validation-campaigns.png \
	  --work build/plot --title "Re-entry forecasts: the campaigns' and Morvel's from the sets before them"
	tools/validate/example-evolution.sh build/release/morvel/morvel $(VALIDATE_EXAMPLE) 22267.4 build/plot/example-day267
	tools/validate/example-evolution.sh build/release/morvel/morvel $(VALIDATE_EXAMPLE) 22269.4 build/plot/example-day269
	./build/release/tools/plot/morvel-plot -o docs/decay-example.png --work build/plot \
	  --title "STARLINK-24 (44238): observed decay and morvel's evolutions of two of its sets" \
	  --mark 2022-10-24T12:00="catalogued re-entry day" \
	  $(VALIDATE_EXAMPLE)=observed \
	  "build/plot/example-day267.txt=morvel, set of 2022-09-24" \
	  "build/plot/example-day269.txt=morvel, set of 2022-09-26"
	cp tools/validate/data/screening/active-2026-07-04T1722Z.tle build/plot/snapshot.tle
	cd build/plot && ../release/morvel/morvel --screen -L20 --csv=snapshot.csv snapshot.tle < /dev/null > /dev/null
	./build/release/tools/plot/morvel-plot --timeline build/plot/snapshot.csv -o docs/screening.png --work build/plot \
	  --title "morvel --screen -L20 on the active catalogue of 2026-07-04 17:22 UTC (flux 150)" \
	  --mark 2026-07-24T03:48="last snapshot, 2026-07-24"

install: build
	cmake --install build/release

clean:
	rm -rf build
