# The two set-up commands: `make run` and `make test`. Both install what is
# missing (Debian packages only), then build.
BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=

.PHONY: run test deps build bench fuzz clean

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Opens FILE, or a generated sample landscape when no FILE is given.
run: build
	@if [ -n "$(FILE)" ]; then \
	  $(BUILD)/lndview "$(FILE)"; \
	else \
	  [ -f $(BUILD)/sample.lnd ] || $(BUILD)/lndtool make-sample $(BUILD)/sample.lnd; \
	  $(BUILD)/lndview $(BUILD)/sample.lnd; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/lndbench
	tests/with_xvfb.sh $(BUILD)/bench/lndbench_gl

# Runs every fuzz target for FUZZ_SECONDS each, one after the other; the
# corpora grow in $(BUILD)/fuzz/corpus-<target>, findings are kept in
# $(BUILD)/fuzz/findings-<target>.
FUZZ_SECONDS ?= 600
fuzz: build
	@status=0; for target in fuzz_check fuzz_edits; do \
	  fuzz/run_fuzz.sh $(BUILD) $$target $(FUZZ_SECONDS) || status=1; \
	done; exit $$status

clean:
	rm -rf $(BUILD)
