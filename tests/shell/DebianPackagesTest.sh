#!/usr/bin/env bash
# Installs the Debian packages of scripts/package.sh with apt-get, checks
# what they hold and what they declare, runs the installed tools, builds the
# example against the installed library both ways, then removes the packages
# and checks that nothing of them is left. Root only: it changes the machine.
# Arguments: PACKAGES (the folder of the .deb files) VERSION (the project's)
# ARTIFACT_DIR (the screenshots of the installed windows).
set -uo pipefail
packages=$(realpath "$1") version=$2 artifacts=$3
sources=$(realpath "$(dirname "$0")/../..")

# shellcheck source=ScriptChecks.sh
source "$(dirname "$0")/ScriptChecks.sh"

for tool in dpkg dpkg-deb dpkg-architecture apt-get; do
  if [ "$(id -u)" -ne 0 ] || ! command -v $tool >/dev/null; then
    echo "SKIP: installs packages: needs root, and $tool"
    exit 77
  fi
done
runtime=$packages/qesuite_${version}-1_$(dpkg --print-architecture).deb
development=$packages/qesuite-dev_${version}-1_$(dpkg --print-architecture).deb
if [ ! -f "$runtime" ] || [ ! -f "$development" ]; then
  echo "SKIP: no packages of $version in $packages (bash scripts/package.sh makes them)"
  exit 77
fi
# The test removes what it installed: a copy installed before it is not its own.
# installed_states: what dpkg knows of either package, besides its absence.
installed_states() {
  dpkg-query -W -f='${db:Status-Status}\n' qesuite qesuite-dev 2>/dev/null | grep -v '^not-installed$'
}
if [ -n "$(installed_states)" ]; then
  echo "SKIP: qesuite or qesuite-dev is installed already, and the test would remove it"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
macos=/usr/lib/$multiarch/QeSuite/Uninstall.app/Contents/MacOS

# apt_get ARGUMENT...: apt-get without questions, waiting for another apt run to end.
apt_get() { env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@"; }

# Each row: a package, one of its control fields, the value it must have.
scenario=control
for row in \
  "$runtime|Package|qesuite" \
  "$runtime|Version|$version-1" \
  "$runtime|Section|admin" \
  "$runtime|Recommends|pkexec, sudo" \
  "$development|Package|qesuite-dev" \
  "$development|Version|$version-1" \
  "$development|Section|libdevel" \
  "$development|Depends|qesuite (= $version-1), libtinyxml-dev"; do
  IFS='|' read -r deb field value <<<"$row"
  check_message="$(basename "$deb"): $field is '$value'"
  check test "$(dpkg-deb -f "$deb" "$field")" = "$value"
done
# What dpkg-shlibdeps finds the programs linked with.
for library in libc6 libstdc++6 libtinyxml2.6.2v5; do
  check_message="qesuite depends on $library"
  check grep -q "\(^\|, \)$library\( (\|,\|$\)" <<<"$(dpkg-deb -f "$runtime" Depends)"
done

# Everything root's, folders and programs 0755, the rest 0644.
scenario=contents
listing() { dpkg-deb -c "$1" | awk '{ print $1, $2, $6 }'; }
for deb in "$runtime" "$development"; do
  check_message="$(basename "$deb"): every entry is root's, 0755 or 0644"
  check test -z "$(listing "$deb" | grep -v -E '^(drwxr-xr-x|-rwxr-xr-x|-rw-r--r--) root/root ')"
done
# Each row: a package, "x" for a program or "f" for a file, then its path.
for row in \
  "$runtime x ./usr/bin/skuinfo" \
  "$runtime f ./usr/share/man/man1/skuinfo.1.gz" \
  "$runtime x .$macos/Uninstall" \
  "$runtime x .$macos/InstallUtility" \
  "$runtime f .$macos/sku.xml" \
  "$runtime f .$macos/target_path.xml" \
  "$runtime f .${macos%/MacOS}/Info.plist" \
  "$runtime f ./usr/share/applications/com.qe.suite.Uninstall.desktop" \
  "$runtime f ./usr/share/icons/hicolor/scalable/apps/com.qe.suite.Uninstall.svg" \
  "$runtime f ./usr/share/polkit-1/actions/com.qe.suite.uninstall.policy" \
  "$runtime f ./usr/share/doc/qesuite/copyright" \
  "$runtime f ./usr/share/doc/qesuite/changelog.Debian.gz" \
  "$development f ./usr/lib/$multiarch/libQeCommon.a" \
  "$development f ./usr/lib/$multiarch/cmake/QeSuite/QeSuiteConfig.cmake" \
  "$development f ./usr/lib/$multiarch/pkgconfig/qecommon.pc" \
  "$development f ./usr/include/QeSuite/SKUDefinition.h" \
  "$development f ./usr/share/doc/qesuite-dev/copyright" \
  "$development f ./usr/share/doc/qesuite-dev/changelog.Debian.gz"; do
  read -r deb kind path <<<"$row"
  mode=-rw-r--r--
  [ "$kind" = x ] && mode=-rwxr-xr-x
  check_message="$(basename "$deb") holds $path, $mode"
  check grep -qxF -- "$mode root/root $path" <<<"$(listing "$deb")"
done

scenario=install
check_message="apt-get installs both packages"
if ! check run "$work/apt.log" apt_get install -y --no-install-recommends "$runtime" "$development"; then
  finish
fi
# dpkg lists the root as "/.", which no package owns.
dpkg-query -L qesuite qesuite-dev | grep -vx '/\.' >"$work/installed"

scenario=skuinfo
check_message="the installed skuinfo shows the sample's product"
check grep -q '^  name       "Qe Studio Effects"$' <<<"$(/usr/bin/skuinfo "$sources/samples/sku.xml")"

# The menu entry starts the installed program, with the installed icon.
scenario=desktop-entry
entry=/usr/share/applications/com.qe.suite.Uninstall.desktop
check_message="the menu entry's Exec is the installed Uninstall"
check grep -qxF "Exec=$macos/Uninstall" "$entry"
check_message="the menu entry's Icon is the installed icon's name"
check grep -qx "Icon=com.qe.suite.Uninstall" "$entry"
if command -v desktop-file-validate >/dev/null; then
  check_message="desktop-file-validate finds nothing wrong with the menu entry"
  check test -z "$(desktop-file-validate "$entry" 2>&1)"
fi

# pkexec runs the installed tool alone under the action, asking an administrator.
scenario=polkit-action
policy=/usr/share/polkit-1/actions/com.qe.suite.uninstall.policy
check_message="the action names the installed InstallUtility"
check grep -qF "<annotate key=\"org.freedesktop.policykit.exec.path\">$macos/InstallUtility</annotate>" \
  "$policy"
check_message="the action asks an administrator"
check test "$(grep -c '<allow_[a-z]*>auth_admin_keep</allow_[a-z]*>' "$policy")" -eq 3

# The installed windows, asking for the rights through polkit's agent or the panel.
scenario=polkit-road
bash "$sources/tests/shell/PolkitRoadTest.sh" "${macos%/Contents/MacOS}" "$artifacts" \
  >"$work/polkit.log" 2>&1
status=$?
if [ $status -eq 77 ]; then
  echo "  not tried: $(grep '^SKIP' "$work/polkit.log")"
else
  check_message="the installed windows ask through polkit or the panel as they should"
  check test $status -eq 0 || grep -v "Failed to determine offsets" "$work/polkit.log"
  tail -n 1 "$work/polkit.log"
fi

# The dry run on the sample laid out in a sandbox lists what a removal would
# do and changes nothing; the removal then keeps what it must.
scenario=InstallUtility
sandbox=$work/sandbox
bash "$sources/scripts/sample-install.sh" "$sandbox"
mv "$sandbox/target_path.xml" "$work/target_path.xml"
tree() { (cd "$sandbox" && find . | sort); }
tree >"$work/before"
"$macos/InstallUtility" -uninstall "$macos/sku.xml" "$work/target_path.xml" -v --dry-run \
  >"$work/dry.log" 2>&1
check_message="the dry run exits 0"
check test $? -eq 0
for line in \
  "removed $sandbox/Applications/Qe Editor/Plug-ins/Plug-ins/Filters/Blur.plugin" \
  "kept $sandbox/Applications/Qe Editor/Plug-ins/Presets/Looks.preset: marked dontDelete" \
  "removed $sandbox/Library/Documentation/Qe Studio/Qe Studio Help"; do
  check_message="the dry run says: $line"
  check grep -qxF "$line" "$work/dry.log"
done
check_message="the dry run changes nothing"
check test "$(tree)" = "$(cat "$work/before")"
check_message="the installed tool removes the sample"
check run "$work/removal.log" "$macos/InstallUtility" -uninstall "$macos/sku.xml" \
  "$work/target_path.xml" -v
check_sample_left "$sandbox"

# The example, against the installed library, found where the system keeps it.
expected="Product: Qe Studio Effects
Families: Filters, Color"
check_example() {
  check_message="$1 shows the sample's name and families"
  check test "$("$1" "$sources/samples/sku.xml")" = "$expected"
}
scenario=find_package
check_message="the example configures and builds with find_package"
if check run "$work/cmake.log" cmake -S "$sources/examples" -B "$work/cmake-build" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" &&
  run "$work/cmake.log" cmake --build "$work/cmake-build"; then
  check_message="the package found is the installed one"
  check grep -qx "QeSuite_DIR:PATH=/usr/lib/$multiarch/cmake/QeSuite" \
    "$work/cmake-build/CMakeCache.txt"
  check_example "$work/cmake-build/skusummary"
fi
scenario=pkg-config
check_message="the example builds with its Makefile and the installed qecommon.pc"
cp -r "$sources/examples" "$work/pc-build"
rm -f "$work/pc-build/skusummary"
if check run "$work/make.log" env -u PKG_CONFIG_PATH make -C "$work/pc-build" \
  CXXFLAGS="-Wall -Wextra -Werror"; then
  check_example "$work/pc-build/skusummary"
fi

# What another package also owns (/usr, /usr/bin) stays; nothing else may.
scenario=remove
check_message="apt-get removes both packages"
check run "$work/remove.log" apt_get remove -y qesuite-dev qesuite
check_message="dpkg knows neither package any more"
check test -z "$(installed_states)"
left=()
while IFS= read -r path; do
  if [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then left+=("$path"); fi
done <"$work/installed"
check_message="nothing of the packages is left: ${left[*]}"
check test ${#left[@]} -eq 0

finish
