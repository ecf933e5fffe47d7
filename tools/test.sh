#!/usr/bin/env bash
# Builds everything (native, sanitizers, fuzzers, 32-bit Linux, win64, win32) and the
# downloads in dist/ (tools/release.sh), and runs every test: native GoogleTest suites, the
# same under ASan/UBSan, the fuzzers for a bounded time,
# the decoder and exporter suite built for 32-bit Linux (directly or under qemu-i386-static),
# and the Windows suites and the end-to-end run under Wine in Xvfb: the 64-bit build's, and
# the shipped 32-bit build's where the kernel executes 32-bit programs; then the downloads
# unpacked and run as a user would (tests/release/release-test.sh).
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

bash tools/setup.sh --corpus
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

step "native, win64 and win32 builds, and the downloads made from them (tools/release.sh)"
PIXOLVE_JOBS=$jobs bash tools/release.sh

step "sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
configure_and_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DPIXOLVE_SANITIZE=ON -DPIXOLVE_BENCH=OFF

step "fuzzer build (clang, libFuzzer)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXOLVE_FUZZ=ON -DPIXOLVE_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs" --target pixolve_fuzz pixolve_guess_fuzz

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

# Runs one libFuzzer target from its seeds for a bounded time; fails when it finds a problem.
run_fuzzer() {  # what, target, seconds, per-input timeout, name (corpus, log, artifacts), seeds
  local what=$1 target=$2 seconds=$3 timeout=$4 name=$5 seeds=$6
  step "fuzzing $what for ${seconds}s"
  mkdir -p "build/fuzz/$name-corpus"
  if ! "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=4096 \
       -artifact_prefix="build/fuzz/$name-" "build/fuzz/$name-corpus" "$seeds" 2>"build/fuzz/$name.log"; then
    tail -40 "build/fuzz/$name.log"
    echo "fuzzer found a problem in $what (see build/fuzz/$name.log)"
    return 1
  fi
  grep -E '^#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -1 || true
}

run_fuzzer "the decoder" pixolve_fuzz "$fuzz_seconds" 10 decode fuzz/seeds || { fuzz_failed=1; failed=1; }
run_fuzzer "the layout guess" pixolve_guess_fuzz "$guess_fuzz_seconds" 20 guess fuzz/guess-seeds ||
  { guess_fuzz_failed=1; failed=1; }

run_wine_ctest() {  # build dir
  rm -rf "$1/test-results"
  (cd "$1" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure) || failed=1
}

step "Windows tests under Wine (Xvfb)"
run_wine_ctest build/win64

win32_results=(--not-run "32-bit Windows suites" "this kernel cannot execute 32-bit programs")
wine32_runs=0
if [ "$kernel_runs_32bit" = 1 ] && [ ! -x /usr/lib/wine/wine ]; then
  win32_results=(--not-run "32-bit Windows suites" "wine32 could not be installed from the package mirror")
elif [ "$kernel_runs_32bit" = 1 ]; then
  wine32_runs=1
  step "32-bit Windows tests under wine32 in a WoW64 prefix (Xvfb)"
  run_wine_ctest build/win32
  step "32-bit pixolve-render.exe against the native exporter"
  WINELOADER=/usr/lib/wine/wine WINEPREFIX=$root/build/win32/wineprefix \
    bash tools/compare-renders.sh build/native/cli/pixolve-render build/win32/cli/pixolve-render.exe \
    build/win32/test-results/compare-renders.xml || failed=1
  win32_results=("32-bit Windows suites=build/win32")
fi

step "the downloads in dist/, unpacked and run as a user would"
release_prefixes=("$root/build/win64/wineprefix")
[ "$wine32_runs" = 1 ] && release_prefixes+=("$root/build/win32/wineprefix")
bash tests/release/release-test.sh dist build/release/test-results/release.xml \
  "${release_prefixes[@]}" || failed=1

printf '\n=== finished in %ds\n' $((SECONDS - started))
python3 tools/summarize.py build/native build/sanitize build/win64 \
  "32-bit Linux suite=build/linux32" "downloads=build/release" "${win32_results[@]}" --fuzz-failed "$fuzz_failed" --fuzz-failed "$guess_fuzz_failed" || failed=1
exit $failed
