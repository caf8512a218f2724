#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of its own and runs the whole test suite but the benchmarks.
# Any report aborts the test that caused it, so the run fails on it.
#   sanitize.sh [ctest arguments]
# VEXANO_SANITIZE_BUILD names the build folder, VEXANO_SANITIZE_JOBS the
# parallel jobs (4 by default); a compiler launcher such as ccache is used
# when CMAKE_CXX_COMPILER_LAUNCHER is set or ccache is installed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEXANO_SANITIZE_BUILD:-$root/build-sanitize}"
jobs="${VEXANO_SANITIZE_JOBS:-4}"
launcher="${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}"

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS="$flags" \
        ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"}
fi
cmake --build "$build" -j "$jobs"

# LeakSanitizer runs at each test's exit. The one suppression (lsan.supp) is
# fontconfig's configuration, which Qt never frees; every other leak fails.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
# intercept_tls_get_addr=0: this runtime misreads the dynamic thread-local
# blocks of the libraries the tests load and its leak check then crashes
# now and then ("Tracer caught signal 11"); without it those blocks are
# not searched for pointers, which can only add reports, never hide one.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1:intercept_tls_get_addr=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$jobs" -LE bench "$@"
