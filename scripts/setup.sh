#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for the named parts of the
# work (all of them when none is named):
#   build  compilers, CMake, TinyXML and GNUstep (the uninstaller's windows)
#   test   GoogleTest, an X server with the tools that drive it, the
#          en_US.UTF-8 locale that the desktop tests run in besides C and
#          C.UTF-8; lintian and desktop-file-utils for the Debian packages,
#          and polkit, the system bus and sudo for the ways of asking for rights
#   bench  Google Benchmark, and an X server for the desktop start
#   fuzz   clang with libFuzzer
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A packages_of=(
  [build]="g++ make cmake pkg-config libtinyxml-dev gobjc++ libgnustep-gui-dev gnustep-back0.29"
  [test]="libgtest-dev xvfb xdotool imagemagick locales lintian desktop-file-utils pkexec polkitd dbus-daemon dbus-bin sudo"
  [bench]="libbenchmark-dev xvfb libx11-dev"
  [fuzz]="clang libclang-rt-14-dev"
)
parts=("$@")
[ ${#parts[@]} -eq 0 ] && parts=(build test bench fuzz)

missing=()
for part in "${parts[@]}"; do
  if [ -z "${packages_of[$part]+set}" ]; then
    echo "setup.sh: unknown part '$part' (build, test, bench or fuzz)" >&2
    exit 2
  fi
  for package in ${packages_of[$part]}; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
done

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

# Said before anything is tried: without root or sudo nothing can be installed.
needs_root() {
  if [ ${#as_root[@]} -ne 0 ] && ! command -v sudo >/dev/null; then
    echo "setup.sh: $1 needs root, and this machine has no sudo: run it as root, or install" \
      "sudo (apt-get install sudo, as root) and add yourself to the group sudo" >&2
    exit 1
  fi
}

if [ ${#missing[@]} -ne 0 ]; then
  needs_root "installing ${missing[*]}"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # apt's thousand lines go to a log, shown only when it fails.
  mkdir -p build
  log=build/setup-apt.log
  if ! { "${as_root[@]}" apt-get update &&
    "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    echo "setup.sh: apt-get failed; its whole output is in $log" >&2
    exit 1
  fi
  echo "Installed them and what they need (apt-get's output: $log)"
fi

# Listed in /etc/locale.gen, so that locale-gen keeps it whenever it runs again.
if [[ " ${parts[*]} " == *" test "* ]] && ! locale -a | grep -qx 'en_US.utf8'; then
  needs_root "generating the locale en_US.UTF-8"
  echo "Generating the locale en_US.UTF-8"
  "${as_root[@]}" sed -i 's/^# *en_US.UTF-8 UTF-8$/en_US.UTF-8 UTF-8/' /etc/locale.gen
  grep -qx 'en_US.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'en_US.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen
fi
