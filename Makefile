# The project's commands: `make run`, `make test` and `make bench` (see README.md).
# Both install what is missing first, so a fresh Debian 12 machine needs nothing else.

BUILD      ?= build
ASAN_BUILD ?= build/asan
JOBS       ?= 2
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Debian packages the build and the tests need.
APT_PACKAGES := build-essential cmake g++ clang libgtest-dev libgmock-dev libbenchmark-dev \
                python3 pst-utils pff-tools python3-pypff

.PHONY: all deps build build-asan test run clean

all: build

deps:
	@missing=""; for p in $(APT_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)

# The engine and mailbox tests run twice: under AddressSanitizer and
# UndefinedBehaviorSanitizer (halting on the first error), then in the normal build.
test: build-asan build
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) -j$(JOBS) --output-on-failure
	ctest --test-dir $(BUILD) -j$(JOBS) --output-on-failure

# Until the viewer window exists, `make run` shows a mailbox's folder list with
# the command-line front end: FILE=path, or the first sample mailbox.
FILE ?= $(firstword $(wildcard ../shared/samples/*Outlook_1.pst) $(wildcard ../shared/samples/*.pst))

run: build
	@if [ -n "$(FILE)" ]; then ./$(BUILD)/cli/ostrel folders "$(FILE)"; else ./$(BUILD)/cli/ostrel --help; fi

# The benchmark of the large generated mailbox (about 1 GB in /tmp, removed afterwards):
# BENCH_ARGS=--quick for a first look, see `bench_mailbox --help`. Not part of `make test`.
BENCH_ARGS ?=

bench: build
	./$(BUILD)/bench/bench_mailbox $(BENCH_ARGS)

clean:
	rm -rf $(BUILD)
