# Two commands set everything up on a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
SOAK_SECONDS ?= 600
JOBS       ?= $(shell nproc)

.PHONY: all deps build run test bench asan fuzz soak lint format clean deb

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Debian package, in $(BUILD)/deb/: binaries, man pages, the demo station and the systemd unit.
deb: build
	cd $(BUILD) && cpack -G DEB

bench: build
	@for b in $(BUILD)/bench/orvane-bench-*; do [ -x "$$b" ] && "$$b"; done

# The headless server under random clients, title changes, time packets and bus faults; the
# test suite runs the same for 60 s.
soak: build
	python3 scripts/soak $(BUILD)/src/app/orvane-server --seconds $(SOAK_SECONDS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON

asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Each harness runs FUZZ_SECONDS on a copy of its corpus. A finding lands in build-fuzz/findings/;
# once mended, it goes into the harness's corpus folder, where the replay test keeps it mended.
FUZZ_HARNESSES = CommandLine CommandFile Config TimeClients TitleFile NetReceive EepromContent
FUZZ_CORPUS_DIRS = command_line command_file config time_clients title_file net_receive eeprom_content

$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON

fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -e; set -- $(FUZZ_CORPUS_DIRS); for h in $(FUZZ_HARNESSES); do \
	  corpus=tests/fuzz/corpus/$$1; work=$(FUZZ_BUILD)/corpus/$$1; found=$(FUZZ_BUILD)/findings/$$1; shift; \
	  mkdir -p $$work $$found; cp -n $$corpus/* $$work/ 2>/dev/null || true; \
	  echo "fuzz: $$h for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/tests/fuzz/orvane-fuzz-$$h -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=1024 \
	    -artifact_prefix=$$found/ $$work 2>&1 | grep -E '^#[0-9]+[[:space:]]+DONE|ERROR|SUMMARY|broken promise|artifact' || true; \
	  if [ -n "$$(ls -A $$found)" ]; then echo "fuzz: $$h found something: $$found"; exit 1; fi; \
	done

# Formatting covers every source; clang-tidy the product code (tests are mostly gtest macro expansions).
LINT_JOBS    ?= 2
FORMAT_FILES  = $(shell find src tools tests bench \( -name '*.cpp' -o -name '*.h' \) | sort)
TIDY_FILES    = $(shell find src tools -name '*.cpp' | sort)

# clang-tidy reads the compiler flags of every file from here; configuring alone writes it.
$(BUILD)/compile_commands.json:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

# One file through clang-tidy, its report printed in one piece and without the count of
# suppressed compiler warnings; $$0 is the build folder, $$1 the file.
export TIDY_ONE = out=$$(clang-tidy -p "$$0" --quiet "$$1" 2>&1); rc=$$?; \
  [ -z "$$out" ] || grep -v ' warnings\? generated\.$$' <<<"$$out"; exit $$rc

# Both checks run even when the first fails, so one run reports everything; either fails the target.
lint: deps $(BUILD)/compile_commands.json
	@status=0; \
	echo "lint: clang-format on $(words $(FORMAT_FILES)) files"; \
	clang-format --dry-run -Werror $(FORMAT_FILES) || { status=1; echo "lint: formatting differs (make format applies it)"; }; \
	echo "lint: clang-tidy on $(words $(TIDY_FILES)) files"; \
	printf '%s\n' $(TIDY_FILES) | xargs -P $(LINT_JOBS) -n 1 bash -c "$$TIDY_ONE" $(BUILD) || { status=1; echo "lint: clang-tidy findings"; }; \
	[ $$status -eq 0 ] && echo "lint: clean"; exit $$status

format: deps
	clang-format -i $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
