# make run: set up, build and start the workbench on its sample data.
# make test: set up, build and pass every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build test run bench asan fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

# Installs those of the Debian packages $(1) that are missing (through sudo
# when not root), for the targets that need more than scripts/install-deps.sh.
install_missing = missing=""; for p in $(1); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then echo "Installing:$$missing"; sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  DEBIAN_FRONTEND=noninteractive $$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq --no-install-recommends $$missing; fi

# The peers the benchmarks measure against; only the benchmarks use them.
BENCH_PEERS = libinih-dev libqscintilla2-qt6-dev libeigen3-dev

bench: deps
	@$(call install_missing,$(BENCH_PEERS))
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRAVLEN_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRAVLEN_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS)

# The compiler of the fuzz targets and libFuzzer's runtime, which Debian
# packs apart from clang (libclang-rt-dev names the default version's).
FUZZ_PEERS = clang libclang-rt-dev

# The libFuzzer programs (build-fuzz/fuzz/<name>_fuzz), then each one's
# replay of its inputs through libFuzzer; the README says how to run one.
fuzz: deps
	@$(call install_missing,$(FUZZ_PEERS))
	@CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVLEN_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	@cd build-fuzz && ctest --output-on-failure -j $(JOBS) -L fuzz

clean:
	rm -rf $(BUILD) build-bench build-asan build-fuzz
