#!/usr/bin/env bash
# Lays the sample product (samples/sku.xml) out in SANDBOX as if it had been
# installed there for two hosts, with what an uninstall must keep: a preset
# marked dontdelete and a user's own plug-in. Writes SANDBOX/target_path.xml,
# which points at it.
#
#   bash scripts/sample-install.sh build/release/demo
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: scripts/sample-install.sh SANDBOX" >&2
  exit 2
fi
mkdir -p "$1"
sandbox=$(realpath "$1")
documentation="$sandbox/Library/Documentation/Qe Studio"

# bundle PATH: a plug-in bundle with a few files.
bundle() {
  mkdir -p "$1/Contents/MacOS" "$1/Contents/Resources"
  echo "<plist/>" >"$1/Contents/Info.plist"
  echo "binary" >"$1/Contents/MacOS/$(basename "$1" .plugin)"
  echo "strings" >"$1/Contents/Resources/Localizable.strings"
}

# host FOLDER: what the product installed for one host.
host() {
  bundle "$1/Plug-ins/Filters/Blur.plugin"
  bundle "$1/Plug-ins/Filters/Sharpen.plugin"
  bundle "$1/Plug-ins/Color.plugin"
  mkdir -p "$1/Presets"
  echo "looks" >"$1/Presets/Looks.preset"
  echo "default" >"$1/Presets/Default.preset"
  echo "%PDF" >"$1/Qe Studio Help.pdf"
}

host "$sandbox/Applications/Qe Editor/Plug-ins"
host "$sandbox/Applications/Qe Editor 32/Plug-ins"
# The user's own plug-in keeps its folder, and is kept.
bundle "$sandbox/Applications/Qe Editor/Plug-ins/Plug-ins/Filters/My Own.plugin"
mkdir -p "$documentation"
ln -sfn "$sandbox/Applications/Qe Editor/Plug-ins/Qe Studio Help.pdf" \
  "$documentation/Qe Studio Help"

cat >"$sandbox/target_path.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<targets>
    <target host="Editor" path="$sandbox/Applications/Qe Editor/Plug-ins"/>
    <target host="Editor32" path="$sandbox/Applications/Qe Editor 32/Plug-ins"/>
    <target name="Documentation" path="$documentation"/>
</targets>
XML
