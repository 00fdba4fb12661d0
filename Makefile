# The project's commands: `make run`, `make test` and `make bench` (see README.md).
# Both install what is missing first, so a fresh Debian 12 machine needs nothing else.

BUILD      ?= build
ASAN_BUILD ?= build/asan
JOBS       ?= 2
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Debian packages the build and the tests need.
APT_PACKAGES := build-essential cmake g++ clang libclang-rt-dev lld libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libdeflate-dev libmimalloc-dev \
                python3 pst-utils pff-tools python3-pypff python3-vobject python3-icalendar qt6-base-dev qt6-svg-dev qt6-webengine-dev fonts-liberation xvfb xauth

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

# The normal build (clang, -O2): the window, the benchmarks and the tests.
# clang, as for the sanitizer build: it makes the window and its tests in
# three quarters of gcc's time. Line tables (-g1) are enough for a backtrace
# and cost far less than full debug information.
NORMAL_FLAGS ?= -O2 -g1 -DNDEBUG

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$(NORMAL_FLAGS)" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$(NORMAL_FLAGS)"

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The sanitizer build (clang, AddressSanitizer and UndefinedBehaviorSanitizer)
# is for the engine, mailbox and export tests and is also the libFuzzer build:
# the libraries carry the fuzzer's coverage instrumentation, the fuzz targets
# link libFuzzer, the tests do not. The window and the benchmarks are left out.
# Asserts stay on; -O1 (the usual level for libFuzzer) runs the instrumented
# tests and the fuzzing faster than -O0; line tables are all the reports need.
ASAN_FLAGS ?= -O1 -gline-tables-only

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DOSTREL_SANITIZE=ON -DOSTREL_FUZZ=ON \
	  -DOSTREL_BUILD_UI=OFF -DOSTREL_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS_DEBUG="$(ASAN_FLAGS)" -DCMAKE_C_FLAGS_DEBUG="$(ASAN_FLAGS)"
	cmake --build $(ASAN_BUILD) -j$(JOBS)

# The fuzz targets of tests/fuzz and their seed corpora come from the sanitizer build.
.PHONY: build-fuzz fuzz fuzz-short
FUZZ_BUILD := $(ASAN_BUILD)
build-fuzz: build-asan

# `make fuzz` runs every target for FUZZ_SECONDS, one after the other. New
# inputs collect in $(FUZZ_BUILD)/work, faults in $(FUZZ_BUILD)/artifacts; a
# fault's input belongs in tests/fuzz/regressions/<target>/ once it is fixed.
FUZZ_SECONDS       ?= 300
FUZZ_SHORT_SECONDS ?= 5
FUZZ_TARGETS       := open mutated_open context export ost4k embedded attachments \
                      rtf_decompress rtf_reader search_text calendar \
                      transport_headers
# The mutation targets read 8 bytes per change: long inputs from the start.
FUZZ_LEN_mutated_open := -max_len=160 -len_control=0
FUZZ_LEN_export       := -max_len=160 -len_control=0
FUZZ_LEN_context      := -max_len=20000
FUZZ_LEN_ost4k        := -max_len=4096
FUZZ_LEN_embedded     := -max_len=160 -len_control=0
FUZZ_LEN_attachments  := -max_len=160 -len_control=0
FUZZ_LEN_rtf_decompress := -max_len=4096
FUZZ_LEN_rtf_reader   := -max_len=4096
FUZZ_LEN_calendar     := -max_len=2048
# UBSan only reports and carries on unless told to halt: a finding must fail the run.
FUZZ_ENV   = UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
FUZZ_FLAGS = -timeout=2 -rss_limit_mb=2048 -print_final_stats=1 $(FUZZ_LEN_$(1)) \
  -artifact_prefix=$(FUZZ_BUILD)/artifacts/$(1)- $(FUZZ_BUILD)/work/$(1) \
  $(FUZZ_BUILD)/tests/fuzz/corpus/$(1) tests/fuzz/regressions/$(1)

fuzz: build-fuzz
	@for t in $(FUZZ_TARGETS); do mkdir -p $(FUZZ_BUILD)/work/$$t $(FUZZ_BUILD)/artifacts tests/fuzz/regressions/$$t; done
	$(foreach t,$(FUZZ_TARGETS),$(FUZZ_ENV) $(FUZZ_BUILD)/tests/fuzz/$(t)_fuzz -max_total_time=$(FUZZ_SECONDS) \
	  $(call FUZZ_FLAGS,$(t)) &&) true

# The short runs of `make test`, JOBS at a time (each takes one core): each
# log is shown only when its run fails.
FUZZ_SHORT_RUNS := $(addprefix fuzz-short-,$(FUZZ_TARGETS))
.PHONY: $(FUZZ_SHORT_RUNS)
fuzz-short: build-fuzz
	@$(MAKE) --no-print-directory -j$(JOBS) $(FUZZ_SHORT_RUNS)

$(FUZZ_SHORT_RUNS): fuzz-short-%:
	@mkdir -p $(FUZZ_BUILD)/work/$* $(FUZZ_BUILD)/artifacts tests/fuzz/regressions/$*
	@echo "fuzzing $* for $(FUZZ_SHORT_SECONDS) s"
	@{ $(FUZZ_ENV) $(FUZZ_BUILD)/tests/fuzz/$*_fuzz -max_total_time=$(FUZZ_SHORT_SECONDS) \
	    $(call FUZZ_FLAGS,$*) > $(FUZZ_BUILD)/$*.log 2>&1 \
	  && grep -H "stat::number_of_executed_units" $(FUZZ_BUILD)/$*.log \
	  || { tail -n 60 $(FUZZ_BUILD)/$*.log; exit 1; }; }

# Every toolkit-free test (engine, mailbox, export, display, ostrel, writer,
# fuzz corpus replays) runs under AddressSanitizer and UndefinedBehaviorSanitizer,
# halting on the first error; then every fuzz target runs briefly; then the
# window tests run. The normal build of the programs, the benchmark and the
# window tests (Qt, which the sanitizer build leaves out) goes on beside all of
# that at the lowest priority, in the cycles the sanitizer build and tests leave
# idle (links, single test programs at the end of a run); its log is shown when
# it fails, and it is stopped when a phase before it fails (it runs in a process
# group of its own for that; not a session of its own, where the kernel's
# autogroups would give it an equal share despite its nice value). `make check-normal`
# also runs the toolkit-free tests in the normal build.
WINDOW_BUILD_LOG = $(BUILD)/window-checks.log
test: deps
	@$(MAKE) --no-print-directory configure
	@set -e; \
	perl -e 'setpgrp(0, 0); exec @ARGV' nice -n 19 \
	  cmake --build $(BUILD) -j$(JOBS) --target ostrel_window_checks \
	  > $(WINDOW_BUILD_LOG) 2>&1 & window=$$!; \
	trap 'kill -- -$$window 2>/dev/null || true' EXIT; \
	echo "building the window and its tests beside the sanitizer phases: $(WINDOW_BUILD_LOG)"; \
	$(MAKE) --no-print-directory build-asan; \
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) -j$(JOBS) --output-on-failure; \
	$(MAKE) --no-print-directory -j$(JOBS) $(FUZZ_SHORT_RUNS); \
	wait $$window || { tail -n 80 $(WINDOW_BUILD_LOG); exit 1; }; \
	trap - EXIT; \
	ctest --test-dir $(BUILD) -j$(JOBS) -L window --output-on-failure

.PHONY: configure check-normal
check-normal: build
	ctest --test-dir $(BUILD) -j$(JOBS) --output-on-failure

# `make run` writes a sample mailbox that looks like real mail (tools/samplemailbox:
# every folder kind, a few dozen mails) and opens it in the window. FILE=path opens another
# file instead; without Qt it prints the folder list with `ostrel`.
SAMPLE_MAILBOX ?= $(BUILD)/sample-mailbox.pst
SAMPLE_WRITER  := $(BUILD)/tools/samplemailbox/ostrel-sample-mailbox
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
