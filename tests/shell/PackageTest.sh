#!/usr/bin/env bash
# Installs the build into a prefix of its own, as the suite's other tools get
# the library, and checks what lands where; then builds the example against
# that prefix the CMake way and the pkg-config way, and runs both builds.
# Arguments: CMAKE BUILD_DIR CXX LIBDIR INCLUDEDIR BINDIR BUNDLEDIR DESKTOP
# (the GNUInstallDirs folders as configured; DESKTOP is ON when the bundle
# carries its windows).
set -uo pipefail
cmake=$1 build=$2 cxx=$3 libdir=$4 includedir=$5 bindir=$6 bundledir=$7 desktop=$8
sources=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig

# shellcheck source=ScriptChecks.sh
source "$(dirname "$0")/ScriptChecks.sh"

# Under a lax umask, so that the modes checked below are the install's own:
# the bundle's tool runs with administrator rights, and a folder others may
# write into would let them replace it.
scenario=install
check_message="cmake --install into a temporary prefix"
check run "$work/install.log" bash -c 'umask 002; "$0" --install "$1" --prefix "$2"' \
  "$cmake" "$build" "$prefix"
[ "$failures" -eq 0 ] || finish

macos=$bundledir/Uninstall.app/Contents/MacOS
desktop_files=()
[ "$desktop" = ON ] && desktop_files=("f $macos/UninstallDesktop.so" "x $macos/AskPassword")
# Each row: "f" for a file, "x" for an executable, then its place in the prefix.
for row in \
  "f $libdir/libQeCommon.a" \
  "f $libdir/cmake/QeSuite/QeSuiteConfig.cmake" \
  "f $libdir/cmake/QeSuite/QeSuiteConfigVersion.cmake" \
  "f $libdir/cmake/QeSuite/QeSuiteTargets.cmake" \
  "f $libdir/pkgconfig/qecommon.pc" \
  "x $bindir/skuinfo" \
  "f $bundledir/Uninstall.app/Contents/Info.plist" \
  "x $macos/Uninstall" \
  "x $macos/InstallUtility" \
  "f $macos/sku.xml" \
  "f $macos/target_path.xml" \
  "${desktop_files[@]}"; do
  read -r kind path <<<"$row"
  check_message="$path installed"
  check test -f "$prefix/$path"
  if [ "$kind" = x ]; then
    check_message="$path executable"
    check test -x "$prefix/$path"
  fi
done

check_message="nothing installed is writable by its group or others"
check test -z "$(find "$prefix" -perm /022 -print -quit)"

# Every header of the library's folders, in the one include folder, and each
# compiles on its own with what pkg-config gives.
scenario=headers
names() { for file in "$@"; do basename "$file"; done | sort; }
check_message="the installed headers are the library's headers"
check test "$(names "$prefix/$includedir/QeSuite/"*.h)" = \
  "$(names "$sources"/{Common,Common/Mac,Include,Utility/Common}/*.h)"
read -ra cflags <<<"$(pkg-config --cflags qecommon)"
for header in "$prefix/$includedir/QeSuite/"*.h; do
  check_message="$(basename "$header") compiles alone, without warnings"
  check run "$work/header.log" "$cxx" -std=c++17 -Wall -Wextra -Werror -fsyntax-only \
    "${cflags[@]}" -x c++ "$header"
done

# The example as each way builds it, both run on the sample and on a file
# that is not a definition.
expected="Product: Qe Studio Effects
Families: Filters, Color"
check_example() {
  local program=$1
  check_message="$program shows the sample's name and families"
  check test "$("$program" "$sources/samples/sku.xml")" = "$expected"
  check_message="$program refuses a file with no product, on standard error"
  check test "$("$program" "$sources/samples/target_path.xml" 2>"$work/err"; echo "status $?")" = \
    "status 1"
  check grep -q "no product name" "$work/err"
}

scenario=find_package
check_message="the example configures and builds with find_package"
if check run "$work/cmake.log" "$cmake" -S "$sources/examples" -B "$work/cmake-build" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" &&
  run "$work/cmake.log" "$cmake" --build "$work/cmake-build"; then
  check_message="the package found is the one installed"
  check grep -qx "QeSuite_DIR:PATH=$prefix/$libdir/cmake/QeSuite" "$work/cmake-build/CMakeCache.txt"
  check_example "$work/cmake-build/skusummary"
fi

# The version file: same major version only.
probe=$work/version-probe
mkdir -p "$probe"
cat >"$probe/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(VersionProbe LANGUAGES CXX)
foreach(wanted 1 1.0 1.0.0 0.9 2)
  find_package(QeSuite ${wanted} CONFIG QUIET)
  if(QeSuite_FOUND)
    message(STATUS "wanted ${wanted}: found")
  else()
    message(STATUS "wanted ${wanted}: not found")
  endif()
  unset(QeSuite_FOUND)
endforeach()
EOF
check_message="the version probe configures"
check run "$work/probe.log" "$cmake" -S "$probe" -B "$probe/build" -DCMAKE_PREFIX_PATH="$prefix"
for row in "1 found" "1.0 found" "1.0.0 found" "0.9 not found" "2 not found"; do
  check_message="find_package(QeSuite ${row%% *}) against 1.0.0: ${row#* }"
  check grep -qx -- "-- wanted ${row%% *}: ${row#* }" "$work/probe.log"
done

scenario=pkg-config
check_message="pkg-config reports the project's version"
check test "$(pkg-config --modversion qecommon)" = 1.0.0
check_message="the example builds with its Makefile and pkg-config"
cp -r "$sources/examples" "$work/pc-build"
if check run "$work/make.log" make -C "$work/pc-build" CXX="$cxx" CXXFLAGS="-Wall -Wextra -Werror"; then
  check_example "$work/pc-build/skusummary"
fi

finish
