#!/usr/bin/env bash
# Builds everything (native, sanitizers, fuzzers, 32-bit Linux, win64, win32) and runs every
# test: native GoogleTest suites, the same under ASan/UBSan, the fuzzers for a bounded time,
# the decoder and exporter suite built for 32-bit Linux (directly or under qemu-i386-static),
# and the Windows suites and the end-to-end run under Wine in Xvfb: the 64-bit build's, and
# the shipped 32-bit build's where the kernel executes 32-bit programs.
# Ends with one summary line; exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
jobs=${PIXOLVE_JOBS:-$(nproc)}
fuzz_seconds=${PIXOLVE_FUZZ_SECONDS:-30}
guess_fuzz_seconds=${PIXOLVE_GUESS_FUZZ_SECONDS:-30}
failed=0
fuzz_failed=0
guess_fuzz_failed=0

step() { printf '\n=== %s\n' "$*"; }

bash tools/setup.sh
kernel_runs_32bit=0
bash tools/kernel-runs-32bit.sh && kernel_runs_32bit=1

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
cmake --build build/fuzz -j "$jobs" --target pixolve_fuzz pixolve_guess_fuzz

step "win64 build"
configure_and_build build/win64 --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake"

step "win32 build (the shipped program)"
configure_and_build build/win32 --toolchain "$root/cmake/toolchain-i686-w64-mingw32.cmake"

step "32-bit Linux build of the decoder and exporter tests"
configure_and_build build/linux32 --toolchain "$root/cmake/toolchain-i686-linux-gnu.cmake" \
  -DPIXOLVE_BENCH=OFF

step "native tests"
run_ctest build/native
step "native tests under ASan and UBSan"
# The layout guess's whole-corpus accuracy count takes minutes under the sanitizers and finds
# nothing the native run and the per-form corpus test do not: it runs in the native suite only.
GTEST_FILTER='-GuessCorpus.MostPicturesComeOutRight' \
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/sanitize
if [ "$kernel_runs_32bit" = 1 ]; then
  step "32-bit Linux tests (run by the kernel)"
else
  step "32-bit Linux tests (under qemu-i386-static)"
fi
run_ctest build/linux32

step "fuzzing the decoder for ${fuzz_seconds}s"
mkdir -p build/fuzz/corpus
if ! build/fuzz/fuzz/pixolve_fuzz -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 \
     -artifact_prefix=build/fuzz/ build/fuzz/corpus fuzz/seeds 2>build/fuzz/fuzz.log; then
  tail -40 build/fuzz/fuzz.log
  echo "fuzzer found a problem (see build/fuzz/fuzz.log)"
  fuzz_failed=1
  failed=1
else
  grep -E '^#[0-9]+.*DONE' build/fuzz/fuzz.log | tail -1 || true
fi

step "fuzzing the layout guess for ${guess_fuzz_seconds}s"
mkdir -p build/fuzz/guess-corpus
if ! build/fuzz/fuzz/pixolve_guess_fuzz -max_total_time="$guess_fuzz_seconds" -timeout=20 -rss_limit_mb=4096 \
     -artifact_prefix=build/fuzz/guess- build/fuzz/guess-corpus fuzz/guess-seeds 2>build/fuzz/guess-fuzz.log; then
  tail -40 build/fuzz/guess-fuzz.log
  echo "fuzzer found a problem in the layout guess (see build/fuzz/guess-fuzz.log)"
  guess_fuzz_failed=1
  failed=1
else
  grep -E '^#[0-9]+.*DONE' build/fuzz/guess-fuzz.log | tail -1 || true
fi

run_wine_ctest() {  # build dir
  rm -rf "$1/test-results"
  (cd "$1" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure) || failed=1
}

step "Windows tests under Wine (Xvfb)"
run_wine_ctest build/win64

win32_results=(--not-run "32-bit Windows suites" "this kernel cannot execute 32-bit programs")
if [ "$kernel_runs_32bit" = 1 ]; then
  step "32-bit Windows tests under wine32 in a WoW64 prefix (Xvfb)"
  run_wine_ctest build/win32
  step "32-bit pixolve-render.exe against the native exporter"
  WINELOADER=/usr/lib/wine/wine WINEPREFIX=$root/build/win32/wineprefix \
    bash tools/compare-renders.sh build/native/cli/pixolve-render build/win32/cli/pixolve-render.exe \
    build/win32/test-results/compare-renders.xml || failed=1
  win32_results=("32-bit Windows suites=build/win32")
fi

printf '\n=== finished in %ds\n' $((SECONDS - started))
python3 tools/summarize.py build/native build/sanitize build/win64 \
  "32-bit Linux suite=build/linux32" "${win32_results[@]}" --fuzz-failed "$fuzz_failed" --fuzz-failed "$guess_fuzz_failed" || failed=1
exit $failed
