# The library as a package for the suite's other tools: the static library,
# its headers in one folder, a CMake package (QeSuite::QeCommon, found with
# find_package(QeSuite)) and a pkg-config file (qecommon).
include(CMakePackageConfigHelpers)

set(QE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/${PROJECT_NAME})
set(QE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/${PROJECT_NAME})

# Every header of the library's folders is public, since each may include any
# other by bare name. Flattened into one folder, two of one name would clash.
set(qe_public_headers)
set(qe_public_header_names)
foreach(folder IN LISTS QE_COMMON_HEADER_DIRS)
  file(GLOB folder_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(header IN LISTS folder_headers)
    cmake_path(GET header FILENAME name)
    if(name IN_LIST qe_public_header_names)
      message(FATAL_ERROR "Two of the library's headers are named ${name}: "
                          "installed in one folder, one would replace the other")
    endif()
    list(APPEND qe_public_header_names ${name})
    list(APPEND qe_public_headers ${header})
  endforeach()
endforeach()

install(FILES ${qe_public_headers} DESTINATION ${QE_INSTALL_INCLUDEDIR} COMPONENT Development)
install(TARGETS QeCommon EXPORT QeSuiteTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(EXPORT QeSuiteTargets NAMESPACE QeSuite:: DESTINATION ${QE_INSTALL_CMAKEDIR}
        COMPONENT Development)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QeSuiteConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QeSuiteConfig.cmake
                              INSTALL_DESTINATION ${QE_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QeSuiteConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QeSuiteConfig.cmake
              ${PROJECT_BINARY_DIR}/QeSuiteConfigVersion.cmake
        DESTINATION ${QE_INSTALL_CMAKEDIR} COMPONENT Development)

# The pkg-config file finds the prefix from its own folder, so that it stays
# right for the prefix given to cmake --install, and for a tree moved later.
function(qe_pc_path variable path)
  if(IS_ABSOLUTE "${path}")
    set(${variable} "${path}" PARENT_SCOPE)
  else()
    set(${variable} "\${prefix}/${path}" PARENT_SCOPE)
  endif()
endfunction()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  cmake_path(RELATIVE_PATH CMAKE_INSTALL_PREFIX
             BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig
             OUTPUT_VARIABLE up)
  string(REGEX REPLACE "/$" "" up "${up}")
  set(QE_PC_PREFIX "\${pcfiledir}/${up}")
endif()
qe_pc_path(QE_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
qe_pc_path(QE_PC_INCLUDEDIR "${QE_INSTALL_INCLUDEDIR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/qecommon.pc.in ${PROJECT_BINARY_DIR}/qecommon.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qecommon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT Development)
