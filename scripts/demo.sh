#!/usr/bin/env bash
# Sets up, builds the Uninstall.app bundle with the sample product, lays the
# product out in a sandbox folder, and runs the uninstaller on it, showing the
# sandbox before and after. Answer "Uninstall" to go ahead; Return cancels
# (`echo Uninstall | bash scripts/demo.sh` answers for you).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh build
cmake --preset release >/dev/null
echo "Building (build/release)..."
cmake --build --preset release -j"$(nproc)"

# A fresh sandbox, and a copy of the bundle whose targets file points into it.
sandbox=build/release/demo
rm -rf "$sandbox"
bash scripts/sample-install.sh "$sandbox"
sandbox=$(realpath "$sandbox")
cp -a build/release/Uninstall.app "$sandbox/Uninstall.app"
mv "$sandbox/target_path.xml" "$sandbox/Uninstall.app/Contents/MacOS/target_path.xml"

listing() {
  # Sorted with "/" first, so that each folder's entries follow it.
  (cd "$sandbox" && find Applications Library | tr / '\001' | LC_ALL=C sort | tr '\001' / |
    sed -e 's|[^/]*/|    |g')
}

show() {
  echo
  echo "$1 ($sandbox):"
  listing
}

echo
echo "The product the bundle removes (its sku.xml):"
./build/release/Utility/SKUInfo/skuinfo "$sandbox/Uninstall.app/Contents/MacOS/sku.xml" |
  sed -n '1,6p'
echo
echo "Where it was installed (its target_path.xml):"
grep '<target ' "$sandbox/Uninstall.app/Contents/MacOS/target_path.xml"
show "The sandbox before"
before=$(listing)
macos=$sandbox/Uninstall.app/Contents/MacOS
echo
echo "What InstallUtility will remove and keep (its dry run, which changes nothing):"
"$macos/InstallUtility" -uninstall "$macos/sku.xml" "$macos/target_path.xml" -v --dry-run |
  sed -e "s|$sandbox/||"
echo
echo "Running the uninstaller:"
# On the terminal, even in a graphical session, so that the answers can be typed or piped here.
env -u DISPLAY -u WAYLAND_DISPLAY "$sandbox/Uninstall.app/Contents/MacOS/Uninstall"
# The second phase runs on its own; the tool's report shows when it is done.
sleep 1
show "The sandbox after"

# The uninstaller says nothing when it was cancelled or refused the rights; the demo,
# which expected a removal, does.
if [ "$(listing)" = "$before" ]; then
  echo
  echo "Nothing was removed: the uninstall was cancelled, or administrator rights were not" \
    "granted (they need root, or a user whom sudo lets run commands as root, with that" \
    "user's password)." >&2
  exit 1
fi
