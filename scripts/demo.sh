#!/usr/bin/env bash
# Sets up, builds, and shows how the bundled sample product definition reads.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc)" --target skuinfo
./build/release/Utility/SKUInfo/skuinfo samples/sku.xml
