# The project's commands: `make run`, `make test` and `make bench` (see README.md).
# Both install what is missing first, so a fresh Debian 12 machine needs nothing else.

BUILD      ?= build
ASAN_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
JOBS       ?= 2
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Debian packages the build and the tests need.
APT_PACKAGES := build-essential cmake g++ clang libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev \
                python3 pst-utils pff-tools python3-pypff qt6-base-dev qt6-svg-dev qt6-webengine-dev fonts-liberation xvfb xauth

.PHONY: all deps build build-asan test run screenshots clean

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

# The sanitizer build is for the engine, mailbox and export tests: the window
# and the benchmarks are left out of it.
build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON \
	  -DOSTREL_BUILD_UI=OFF -DOSTREL_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)

# The libFuzzer build (clang): the fuzz targets of tests/fuzz and their seed corpora.
.PHONY: build-fuzz fuzz fuzz-short
build-fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DOSTREL_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target ostrel_fuzzers -j$(JOBS)

# `make fuzz` runs every target for FUZZ_SECONDS, one after the other. New
# inputs collect in $(FUZZ_BUILD)/work, faults in $(FUZZ_BUILD)/artifacts; a
# fault's input belongs in tests/fuzz/regressions/<target>/ once it is fixed.
FUZZ_SECONDS       ?= 300
FUZZ_SHORT_SECONDS ?= 30
FUZZ_TARGETS       := open mutated_open context export ost4k
# The mutation targets read 8 bytes per change: long inputs from the start.
FUZZ_LEN_mutated_open := -max_len=160 -len_control=0
FUZZ_LEN_export       := -max_len=160 -len_control=0
FUZZ_LEN_context      := -max_len=20000
FUZZ_LEN_ost4k        := -max_len=4096
# UBSan only reports and carries on unless told to halt: a finding must fail the run.
FUZZ_ENV   = UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
FUZZ_FLAGS = -timeout=2 -rss_limit_mb=2048 -print_final_stats=1 $(FUZZ_LEN_$(1)) \
  -artifact_prefix=$(FUZZ_BUILD)/artifacts/$(1)- $(FUZZ_BUILD)/work/$(1) \
  $(FUZZ_BUILD)/tests/fuzz/corpus/$(1) tests/fuzz/regressions/$(1)

fuzz: build-fuzz
	@for t in $(FUZZ_TARGETS); do mkdir -p $(FUZZ_BUILD)/work/$$t $(FUZZ_BUILD)/artifacts tests/fuzz/regressions/$$t; done
	$(foreach t,$(FUZZ_TARGETS),$(FUZZ_ENV) $(FUZZ_BUILD)/tests/fuzz/$(t)_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  $(call FUZZ_FLAGS,$(t)) &&) true

# The short runs of `make test`: each log is shown only when its run fails.
fuzz-short: build-fuzz
	@for t in $(FUZZ_TARGETS); do mkdir -p $(FUZZ_BUILD)/work/$$t $(FUZZ_BUILD)/artifacts tests/fuzz/regressions/$$t; done
	@$(foreach t,$(FUZZ_TARGETS),echo "fuzzing $(t) for $(FUZZ_SHORT_SECONDS) s" && \
	  { $(FUZZ_ENV) $(FUZZ_BUILD)/tests/fuzz/$(t)_fuzz -max_total_time=$(FUZZ_SHORT_SECONDS) \
	      $(call FUZZ_FLAGS,$(t)) > $(FUZZ_BUILD)/$(t).log 2>&1 \
	    && grep -h "stat::number_of_executed_units" $(FUZZ_BUILD)/$(t).log \
	    || { tail -n 60 $(FUZZ_BUILD)/$(t).log; exit 1; }; } &&) true

# The engine and mailbox tests and the fuzz corpus replays run twice: under
# AddressSanitizer and UndefinedBehaviorSanitizer (halting on the first error),
# then, after a short run of every fuzz target, in the normal build.
test: build-asan build build-fuzz
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) -j$(JOBS) --output-on-failure
	$(MAKE) --no-print-directory fuzz-short
	ctest --test-dir $(BUILD) -j$(JOBS) --output-on-failure

# `make run` writes a small sample mailbox with the test writer (every folder
# kind, a few dozen items) and opens it in the window. FILE=path opens another
# file instead; without Qt it prints the folder list with `ostrel`.
SAMPLE_MAILBOX ?= $(BUILD)/sample-mailbox.pst
SAMPLE_WRITER  := $(BUILD)/tests/ui/ostrel-sample-mailbox
VIEWER         := $(BUILD)/app/quarrow-ostrel
FILE ?=

run: build
	@file="$(FILE)"; \
	if [ -z "$$file" ] && [ -x $(SAMPLE_WRITER) ]; then \
	  $(SAMPLE_WRITER) $(SAMPLE_MAILBOX) && file=$(SAMPLE_MAILBOX); fi; \
	if [ -z "$$file" ]; then file="$(firstword $(wildcard ../shared/samples/*Outlook_1.pst))"; fi; \
	if [ -x $(VIEWER) ]; then \
	  if [ -n "$$file" ]; then exec ./$(VIEWER) "$$file"; else exec ./$(VIEWER); fi; \
	elif [ -n "$$file" ]; then ./$(BUILD)/cli/ostrel folders "$$file"; else ./$(BUILD)/cli/ostrel --help; fi

# PNGs of the window on the sample mailbox and on real samples, one per folder
# kind, drawn on a virtual screen (the test command makes them too).
screenshots: build
	rm -rf $(BUILD)/screenshots
	xvfb-run -a -s "-screen 0 1280x1024x24" ./$(BUILD)/tests/ui/ui_screenshots $(BUILD)/screenshots

# The benchmark of the large generated mailbox (about 1 GB in /tmp, removed afterwards):
# BENCH_ARGS=--quick for a first look, see `bench_mailbox --help`. Not part of `make test`.
BENCH_ARGS ?=

bench: build
	./$(BUILD)/bench/bench_mailbox $(BENCH_ARGS)

clean:
	rm -rf $(BUILD)
