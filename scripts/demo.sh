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
./build/release/Uninstall.app/Contents/MacOS/Uninstall
