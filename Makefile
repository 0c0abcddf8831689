# The two set-up commands: `make run` and `make test`. Both install what is
# missing (Debian packages only), then build.
BUILD ?= build
JOBS ?= $(shell nproc)
FILE ?=

.PHONY: run test deps build bench clean

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

clean:
	rm -rf $(BUILD)
