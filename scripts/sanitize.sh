#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (Debian's g++) into build-sanitize/ and runs the whole test suite there with
# ctest. Any finding ends the process that made it, with a stack trace, so
# the test that ran it fails; memory still allocated when a program ends is
# reported as a leak, except the few in system libraries that
# scripts/lsan.supp names and explains. Arguments go to ctest (-R fuzz_,
# for instance); SANITIZE_BUILD_DIR picks another build folder.
#
# Usage: scripts/sanitize.sh [CTEST_ARGUMENTS...]
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SANITIZE_BUILD_DIR:-$repo/build-sanitize}"

# What scripts/setup.sh installs for building everything and running the
# tests; g++ brings the sanitizers' runtimes.
bash "$repo/scripts/install_packages.sh" cmake make g++ qt6-base-dev fonts-dejavu-core \
  qt6-image-formats-plugins xvfb xauth xdotool xclip dpkg-dev file desktop-file-utils \
  appstream at-spi2-core python3-pyatspi dbus fonts-cantarell fonts-noto-core

# Undefined behaviour is fatal at once rather than reported and passed over.
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
configure() {
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_FLAGS="$flags" >/dev/null
}
has_flags() {
  grep -qxF "CMAKE_CXX_FLAGS:STRING=$flags" "$build/CMakeCache.txt"
}
configure
# A folder configured before with another compiler has its cache started
# afresh, and the flags given with the change are dropped: once more.
has_flags || configure
has_flags || { echo "$build is not configured with $flags" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)"
# Without the sanitizers' runtimes every test would pass and prove nothing.
needed=$(objdump -p "$build/zumivok")
for runtime in libasan libubsan; do
  grep -q "NEEDED *$runtime\." <<<"$needed" ||
    { echo "$build/zumivok is built without $runtime" >&2; exit 1; }
done

# The programs under test inherit these; options already in the environment
# come last and so win.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$repo/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

cd "$build"
ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
