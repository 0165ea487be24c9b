# SPDX-License-Identifier: MIT
# The Debian package: `cmake --build --preset default --target package` writes
# exprcalc_<version>_amd64.deb into the build folder. Included from the top
# level, where CPack has to be set up.
set(EXPRCALC_MAINTAINER "exprcalc developers <maintainers@exprcalc.example>")

# Every Debian package carries its copyright and a compressed changelog.
execute_process(COMMAND date -u -R -d "${EXPRCALC_RELEASE_DATE}" OUTPUT_VARIABLE EXPRCALC_CHANGELOG_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in packaging/changelog @ONLY)
add_custom_command(
  OUTPUT packaging/changelog.gz
  COMMAND sh -c "\"$0\" -9n < \"$1\" > \"$2\"" ${GZIP_PROGRAM} packaging/changelog packaging/changelog.gz
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(calc_package_docs ALL DEPENDS packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME exprcalc)
set(CPACK_PACKAGE_VENDOR "exprcalc developers")
set(CPACK_PACKAGE_CONTACT "${EXPRCALC_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.exprcalc.example)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for one-line arithmetic expressions")
set(CPACK_PACKAGE_DESCRIPTION
    "Varnel's Expression Calculator evaluates an arithmetic expression typed as
one line, such as (2 + 2) / 3 or 2 * sqrt(16) + sin(30)^2, and shows the
result or exactly one message. It knows the operators + - * x / ^, brackets,
pi, numbers with an exponent and thirteen functions (INV, EXP, SQR, SQRT, SIN,
COS, TAN, ARCSIN, ARCCOS, ARCTAN, LOG, LN, FACT) with angles in degrees, and
computes in 80-bit extended precision.

The package holds the Qt window, exprcalc, and the command-line calculator,
exprcalc-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${EXPRCALC_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, where shlibdeps cannot see them:
# the X11 one comes with libqt6gui6, the Wayland one is a package of its own.
# Qt's own texts (the box's context menu) in the user's language, and fonts
# for the Chinese, Japanese and Arabic translations where the desktop brings
# none: small ones first.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, qt6-translations-l10n, fonts-droid-fallback | fonts-noto-cjk, fonts-dejavu-core")
# CPack dates the archives' members by SOURCE_DATE_EPOCH when it is set: the
# last commit's date unless the caller chose one, so two builds of one commit
# give the same package.
file(CONFIGURE OUTPUT packaging/CPackProjectConfig.cmake CONTENT [[
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} @CALC_SOURCE_DATE_EPOCH@)
endif()
]] @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/CPackProjectConfig.cmake)
include(CPack)
