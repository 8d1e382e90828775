# The two set-up commands: `make run` and `make test`.
JOBS    ?= $(shell nproc)
TESTDIR := build/test
RELDIR  := build/release
PROGRAM := $(RELDIR)/app/corvessa-tambrel

.PHONY: all deps test build-test release run bench catalog clean

all: release

deps:
	@bash scripts/install-deps.sh

build-test: deps
	cmake -S . -B $(TESTDIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMBREL_SANITIZE=ON -DTAMBREL_BENCH=OFF
	cmake --build $(TESTDIR) -j $(JOBS)

test: build-test
	@cd $(TESTDIR) && status=0; ctest --output-on-failure -j $(JOBS) || status=$$?; \
	if [ -f catalog-postgres.state.skipped ]; then cat catalog-postgres.state.skipped; fi; \
	exit $$status

# The program and its tools only: the benchmarks are built by `make bench`.
release: deps
	cmake -S . -B $(RELDIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMBREL_TESTS=OFF -DTAMBREL_BENCH=OFF
	cmake --build $(RELDIR) -j $(JOBS)

catalog: release
	@if [ -x scripts/prepare-catalog.sh ]; then bash scripts/prepare-catalog.sh $(RELDIR); fi

run: catalog
	@if [ -x $(PROGRAM) ]; then exec $(PROGRAM); \
	else echo "Built and prepared; the program's window arrives with the application shell."; fi

# The same release build with the benchmarks turned on; the next `make run` turns them off
# again without rebuilding anything else.
bench: deps
	cmake -S . -B $(RELDIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMBREL_TESTS=OFF -DTAMBREL_BENCH=ON
	cmake --build $(RELDIR) -j $(JOBS)
	@for b in $(RELDIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build
