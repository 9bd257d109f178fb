# Front door for building, testing and trying the converter.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_CXX   ?= clang++-14
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
DESTDIR    ?=
# Extra cmake arguments for every configuration, e.g. -DCMAKE_CXX_COMPILER=clang++.
CMAKE_ARGS ?=

.PHONY: all build test sanitize demo install bench fuzz clean deps deps-tests configure

all: build

# What the build needs on this machine (tools/deps.sh): installed when it is
# missing and this user may install, else named in one line.  The program
# needs no GoogleTest; the tests do.
deps:
	@tools/deps.sh program

deps-tests:
	@tools/deps.sh tests

# The program's build.  Its tests stay off until `make test` turns them on in
# the same folder; they then stay on, so switching between the two targets
# never reconfigures.
configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS) --target ostrane

test: deps-tests
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DOSTRANE_TESTS=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

sanitize: deps-tests
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DOSTRANE_SANITIZE=ON -DOSTRANE_TESTS=ON \
		$(CMAKE_ARGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	@cd $(SAN_BUILD) && LSAN_OPTIONS="suppressions=$(CURDIR)/tools/lsan.supp $${LSAN_OPTIONS:-}" \
		ctest --output-on-failure -j $(JOBS)

# Converts the example table with a header line and shows the result.
demo: build
	@LC_ALL=C $(BUILD)/ostrane examples/customers.dbf examples/customers.txt /H
	@cat examples/customers.txt

# Puts bin/ostrane and share/man/man1/ostrane.1 under $(DESTDIR)$(PREFIX).
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Generates the benchmark tables once (bench/data/) and times the conversion.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target bench_tools
	@bench/run_bench.sh $(BUILD)

# Builds the fuzz targets with clang, libFuzzer and the sanitizers, then runs
# each for FUZZ_SECONDS over its seeds and working corpus (fuzz/corpus-*).
fuzz:
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
		-DOSTRANE_FUZZ=ON -DOSTRANE_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	@fuzz/run_fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
