# Debian packages made by CPack (cpack -G DEB; scripts/package.sh): the
# install's Runtime component as the package qesuite (skuinfo and the bundle),
# its Development component as qesuite-dev (the library, its headers and the
# two package files). Configure with the prefix /usr, so that GNUInstallDirs
# gives Debian's multiarch library folder.
set(QE_DEB_RUNTIME_NAME qesuite)
set(QE_DEB_DEVELOPMENT_NAME qesuite-dev)
set(QE_DEB_REVISION 1)
set(QE_PACKAGE_MAINTAINER
    "Seed d6a7db16 maintainers <maintainers@users.noreply.c-seed-d6a7db16.example>"
    CACHE STRING "The Maintainer field of the Debian packages")

# Each package's copyright file and changelog, in the doc folder named after it.
set(qe_deb_changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog
               @ONLY)
qe_gzip_file(${PROJECT_BINARY_DIR}/debian/changelog ${qe_deb_changelog})
foreach(component IN ITEMS Runtime Development)
  string(TOUPPER ${component} upper)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${qe_deb_changelog}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QE_DEB_${upper}_NAME}
          COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME ${QE_DEB_RUNTIME_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QE_DEB_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QE_DEB_RUNTIME_NAME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# The windows ask for rights through polkit's pkexec where the desktop runs
# an authentication agent, and through sudo otherwise.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "pkexec, sudo")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "uninstaller of the Qe product suite
Uninstall.app removes a product of the suite, its plug-ins and contents,
from the host applications it was installed for, keeping what the user
made or asked to keep. It runs on a desktop through GNUstep and on a
terminal. The package also holds skuinfo, which shows what a product
definition (sku.xml) says.")

# The library is static: what it needs at run time is the build's, and the
# exact runtime version keeps the headers and the bundle of one release.
set(qe_deb_full_version ${PROJECT_VERSION}-${QE_DEB_REVISION})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${QE_DEB_DEVELOPMENT_NAME})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${QE_DEB_RUNTIME_NAME} (= ${qe_deb_full_version}), libtinyxml-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "library of the Qe product suite (development files)
QeCommon is the static library that the suite's tools share: strings, a
bit set, a version, path and file utilities, and the reader of the product
definition file sku.xml. This package holds the library, its headers, a
CMake package (find_package(QeSuite)) and a pkg-config file (qecommon).")

include(CPack)
