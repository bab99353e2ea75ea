# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)

.PHONY: run test bench soak fuzz package screenshots deps clean
FUZZ_SECONDS ?= 60
SOAK_MINUTES ?= 30

deps:
	@scripts/install-deps

run: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIK_TESTS=OFF
	cmake --build build -j$(JOBS) --target zentrik-assistant
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)."; \
	  echo "On a machine without a desktop, run it under a virtual display:"; \
	  echo "  xvfb-run -a -s '-screen 0 1280x800x24' make run"; \
	  exit 1; \
	fi
	build/app/zentrik-assistant

# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer; warnings
# in our own code fail the build. Runs headless.
test: deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DZENTRIK_SANITIZE=ON -DZENTRIK_WERROR=ON
	cmake --build build-test -j$(JOBS)
	cd build-test && ctest -j2 --output-on-failure

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZENTRIK_TESTS=OFF -DZENTRIK_BENCH=ON
	cmake --build build-bench -j$(JOBS)
	@set -e; for program in build-bench/bench/bench_*; do \
	  if [ -f "$$program" ] && [ -x "$$program" ]; then QT_QPA_PLATFORM=offscreen "$$program"; fi; \
	done

# The Debian package (Release, stripped), from everything the install() rules
# name; scripts/check-package installs it on a clean Debian 12.
package: deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DZENTRIK_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build build-package -j$(JOBS)
	cd build-package && cpack
	@ls build-package/*.deb

# A picture of every tab with the simulator feeding it, into docs/screenshots.
screenshots:
	scripts/screenshots

# The car tab of the running program under a stream of frames, garbage and
# corrupted trailers for SOAK_MINUTES; the report lands in build-bench/.
soak: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZENTRIK_TESTS=OFF -DZENTRIK_BENCH=ON
	cmake --build build-bench -j$(JOBS) --target soak_car
	QT_QPA_PLATFORM=offscreen build-bench/bench/soak_car --minutes $(SOAK_MINUTES) \
	  --report build-bench/soak-report.txt

# Every parser that reads outside bytes, fuzzed with clang's libFuzzer for
# FUZZ_SECONDS each (make fuzz FUZZ_SECONDS=600).
fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DZENTRIK_FUZZ=ON -DZENTRIK_TESTS=OFF
	cmake --build build-fuzz -j$(JOBS) --target fuzz_targets
	fuzz/run-fuzzers build-fuzz/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-test build-bench build-fuzz build-package
