#!/usr/bin/env bash
# Sets up, builds the Uninstall.app bundle with the sample product, and runs
# the uninstaller on it. Answer "Uninstall" to go ahead; Return cancels.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc)" --target Uninstall InstallUtility skuinfo

echo
echo "The product the bundle removes (build/release/Uninstall.app/Contents/MacOS/sku.xml):"
./build/release/Utility/SKUInfo/skuinfo build/release/Uninstall.app/Contents/MacOS/sku.xml |
  sed -n '1,6p'
echo
echo "Running the uninstaller:"
# Phase 2 runs in a process of its own after phase 1 ends; reading the output
# through cat waits until it is done, and keeps it in the foreground.
./build/release/Uninstall.app/Contents/MacOS/Uninstall | cat
