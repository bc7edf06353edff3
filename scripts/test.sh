#!/usr/bin/env bash
# Sets up, makes the Debian packages (scripts/package.sh) and lints them,
# then builds and runs the whole test suite three times (the workflow
# presets of CMakePresets.json): a plain build in build/test, whose tests
# install the packages, use them and remove them again; the
# portable build in build/portable, which compiles the code paths of macOS
# with every call only Linux has made a compile error; and an
# AddressSanitizer + UndefinedBehaviorSanitizer build in build/sanitize that
# also checks for leaks, in the tests and in every tool they run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh build test
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

echo "== Debian packages, linted; the plain build's tests install them =="
bash scripts/package.sh
lintian --pedantic --fail-on error build/packages/*.deb
echo "== Plain build =="
cmake --workflow --preset test
echo "== Portable build: the code paths of macOS, Linux's own calls forbidden =="
cmake --workflow --preset portable
echo "== ASan + UBSan build, leaks checked =="
cmake --workflow --preset sanitize
