#!/usr/bin/env bash
# Builds the release configuration with the prefix /usr (the preset
# "package", in build/package) and makes the Debian packages from it with
# CPack: build/packages/qesuite_VERSION_ARCH.deb, the bundle and skuinfo, and
# qesuite-dev_VERSION_ARCH.deb, the library and its package files.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh build
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
# Packaged folders and files take the modes of the staged tree.
umask 022

# Debian's hardening flags, all of them (bind now too), less the debugging
# information, which would make the static library ten times its size; the
# programs are stripped by CPack.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_OBJCXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_SHARED_LINKER_FLAGS="$ldflags"
cmake --build --preset package

# Last run's packages gone, so that build/packages/*.deb is this build's.
rm -rf build/packages
cpack -G DEB -B build/packages --config build/package/CPackConfig.cmake
ls -l build/packages/*.deb
