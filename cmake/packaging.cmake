# Install layout beyond the program and its catalogues, and the Debian package.
#   <prefix>/share/man/man1/{vantlink.1,vantlink-deps.1}
#   <prefix>/share/doc/vantlink/{README.md,link-file-format.md,dependency-file-format.md}
#   /etc/profile.d/vantlink.sh   (package only: `cmake --install` stays in <prefix>)

install(FILES ${PROJECT_SOURCE_DIR}/docs/vantlink.1 ${PROJECT_SOURCE_DIR}/docs/vantlink-deps.1
        DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/link-file-format.md
        ${PROJECT_SOURCE_DIR}/docs/dependency-file-format.md
        DESTINATION share/doc/vantlink)

set(VANTLINK_PACKAGE_PREFIX /opt/vantlink)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vantlink.sh.in
               ${CMAKE_BINARY_DIR}/packaging/vantlink.sh @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vantlink.sh DESTINATION /etc/profile.d
        COMPONENT profile EXCLUDE_FROM_ALL)
# A file under /etc belongs to the administrator once installed.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/profile.d/vantlink.sh\n")

# The package version is the one `vantlink -v` prints.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/driver/banner.h version_line
     REGEX "kVersionText = \"[0-9.]+\"")
string(REGEX MATCH "[0-9][0-9.]*" VANTLINK_VERSION_TEXT "${version_line}")
if(NOT VANTLINK_VERSION_TEXT)
  message(FATAL_ERROR "no kVersionText in src/driver/banner.h")
endif()

# Install and package what is built, without building: a package test must
# not compile while other tests run (scripts/package builds first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantlink)
set(CPACK_PACKAGE_VERSION ${VANTLINK_VERSION_TEXT})
set(CPACK_PACKAGE_VENDOR "The vantlink developers")
set(CPACK_PACKAGE_CONTACT "The vantlink developers <vantlink@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "writes a link file of the compilation units of Ada sources")
set(CPACK_PACKAGE_DESCRIPTION
    "vantlink analyses the Ada source files of the directories it is given and\n"
    "writes a link file listing, for every file, its path, its modification time\n"
    "and the library-level compilation units it holds. Unchanged files are not\n"
    "analysed again. With VANTLINK_DEPS it also writes what every unit withs,\n"
    "and vantlink-deps answers a build's questions from the two files: order,\n"
    "depends, dependents and check. Messages are available in English and French.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${VANTLINK_PACKAGE_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Everything `cmake --install` gives, plus the profile script, in one package.
set(CPACK_COMPONENTS_ALL Unspecified profile)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# What dpkg-shlibdeps finds for the program, with the Qt it was built against
# (computing it at package time would need dpkg-dev on every machine), and
# the JSON library both programs read the dependency file with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libqt6core6 (>= ${Qt6Core_VERSION_MAJOR}.${Qt6Core_VERSION_MINOR}.0), libsimdjson14 (>= 3.0.1), libstdc++6 (>= 11)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
include(CPack)

if(BUILD_TESTING)
  add_test(NAME man_page_lint
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/man_lint.sh ${PROJECT_SOURCE_DIR}/docs/vantlink.1)
  add_test(NAME man_page_lint_deps
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/man_lint.sh
                   ${PROJECT_SOURCE_DIR}/docs/vantlink-deps.1 -dot -make -help)
  add_test(NAME install_layout
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/install_test.sh ${CMAKE_BINARY_DIR})
  add_test(NAME debian_package
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/deb_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(man_page_lint man_page_lint_deps install_layout debian_package
                       PROPERTIES LABELS package)
  # Both install from the build tree and write its install manifest.
  set_tests_properties(install_layout debian_package PROPERTIES RESOURCE_LOCK build_install)
endif()
