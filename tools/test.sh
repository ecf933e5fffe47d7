#!/usr/bin/env bash
# Builds everything (native, sanitizers, fuzzer, win64, win32) and runs every test:
# native GoogleTest suites, the same under ASan/UBSan, the fuzzer for a bounded time,
# and the Windows suites and the end-to-end run under Wine in Xvfb.
# Ends with one summary line; exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${PIXOLVE_JOBS:-$(nproc)}
fuzz_seconds=${PIXOLVE_FUZZ_SECONDS:-30}
failed=0
fuzz_failed=0

step() { printf '\n=== %s\n' "$*"; }

bash tools/setup.sh

configure_and_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_ctest() {  # dir
  rm -rf "$1/test-results"
  (cd "$1" && ctest --output-on-failure) || failed=1
}

step "native build"
configure_and_build build/native -DCMAKE_BUILD_TYPE=Release

step "sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
configure_and_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DPIXOLVE_SANITIZE=ON -DPIXOLVE_BENCH=OFF

step "fuzzer build (clang, libFuzzer)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXOLVE_FUZZ=ON -DPIXOLVE_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs" --target pixolve_fuzz

step "win64 build"
configure_and_build build/win64 --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake"

step "win32 build (built and linked; cannot run on this kernel)"
configure_and_build build/win32 --toolchain "$root/cmake/toolchain-i686-w64-mingw32.cmake"

step "native tests"
run_ctest build/native
step "native tests under ASan and UBSan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/sanitize

step "fuzzing the decoder for ${fuzz_seconds}s"
mkdir -p build/fuzz/corpus
if ! build/fuzz/fuzz/pixolve_fuzz -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 \
     -artifact_prefix=build/fuzz/ build/fuzz/corpus 2>build/fuzz/fuzz.log; then
  tail -40 build/fuzz/fuzz.log
  echo "fuzzer found a problem (see build/fuzz/fuzz.log)"
  fuzz_failed=1
  failed=1
else
  grep -E '^#[0-9]+.*DONE' build/fuzz/fuzz.log | tail -1 || true
fi

step "Windows tests under Wine (Xvfb)"
rm -rf build/win64/test-results
(cd build/win64 && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure) || failed=1

python3 tools/summarize.py build/native build/sanitize build/win64 --fuzz-failed "$fuzz_failed" || failed=1
exit $failed
