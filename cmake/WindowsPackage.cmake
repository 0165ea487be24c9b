# SPDX-License-Identifier: MIT
# The Windows release, built by the target `release` (part of all):
#   exprcalc-<version>-win32.zip    the portable form: the programs, a readme
#                                   and the licence in one folder;
#   exprcalc-<version>-setup.exe    the setup program (NSIS) with the same files,
#                                   in the languages of po/ and English.
# The 64-bit build names them -win64.zip and -win64-setup.exe. Both carry the
# date of CALC_SOURCE_DATE_EPOCH, so two builds of one commit are identical.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CALC_PACKAGE_NAME exprcalc-${PROJECT_VERSION}-win64)
  set(CALC_SETUP_NAME exprcalc-${PROJECT_VERSION}-win64-setup.exe)
  set(CALC_NSIS_ARCH amd64)
else()
  set(CALC_PACKAGE_NAME exprcalc-${PROJECT_VERSION}-win32)
  set(CALC_SETUP_NAME exprcalc-${PROJECT_VERSION}-setup.exe)
  set(CALC_NSIS_ARCH x86)
endif()
set(CALC_RELEASE_STAGE ${CMAKE_BINARY_DIR}/release/${CALC_PACKAGE_NAME})
set(CALC_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${CALC_PACKAGE_NAME}.zip)
set(CALC_RELEASE_SETUP ${CMAKE_BINARY_DIR}/${CALC_SETUP_NAME})
set(CALC_SETUP_LANGUAGES ${CMAKE_BINARY_DIR}/release/setup-languages.nsh)
set(CALC_RELEASE_PROGRAMS exprcalc-cli)
if(TARGET exprcalc)
  list(PREPEND CALC_RELEASE_PROGRAMS exprcalc)
endif()

block()
  set(readme ${CMAKE_BINARY_DIR}/README.txt)
  set(license ${CMAKE_BINARY_DIR}/LICENSE.txt)
  configure_file(${CALC_WINDOWS_RESOURCES}/README.txt.in ${readme} @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${license} @ONLY NEWLINE_STYLE CRLF)

  # The files in a fixed order, modes and date, whatever the umask and clock.
  set(executables)
  set(names)
  foreach(program IN LISTS CALC_RELEASE_PROGRAMS)
    list(APPEND executables $<TARGET_FILE:${program}>)
    list(APPEND names ${program}${CMAKE_EXECUTABLE_SUFFIX})
  endforeach()
  list(APPEND names LICENSE.txt README.txt)
  list(TRANSFORM names PREPEND ${CALC_RELEASE_STAGE}/ OUTPUT_VARIABLE staged)
  set(stamp ${CMAKE_BINARY_DIR}/release/staged.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    BYPRODUCTS ${staged}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CALC_RELEASE_STAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CALC_RELEASE_STAGE}
    COMMAND install -m 0755 ${executables} ${CALC_RELEASE_STAGE}
    COMMAND install -m 0644 ${license} ${readme} ${CALC_RELEASE_STAGE}
    COMMAND touch --date=@${CALC_SOURCE_DATE_EPOCH} ${staged}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${CALC_RELEASE_PROGRAMS} ${readme} ${license}
    COMMENT "Staging the release files"
    VERBATIM)

  # Info-ZIP without its extra fields (owner, time zone): the DOS time in UTC
  # and the mode are all that each entry records.
  find_program(ZIP_PROGRAM zip REQUIRED)
  list(TRANSFORM names PREPEND ${CALC_PACKAGE_NAME}/ OUTPUT_VARIABLE entries)
  add_custom_command(
    OUTPUT ${CALC_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${CALC_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -X -D -9 -q ${CALC_RELEASE_ZIP} ${entries}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/release
    DEPENDS ${stamp}
    COMMENT "Packing ${CALC_PACKAGE_NAME}.zip"
    VERBATIM)
  add_custom_target(release_zip DEPENDS ${CALC_RELEASE_ZIP})
  set(outputs ${CALC_RELEASE_ZIP})

  if(TARGET exprcalc)
    find_program(MAKENSIS_PROGRAM makensis REQUIRED)
    set(nsi ${CALC_WINDOWS_RESOURCES}/setup.nsi)
    # The setup's languages and its texts in them, from the program's
    # catalogues.
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
    file(GLOB catalogues CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po)
    add_custom_command(
      OUTPUT ${CALC_SETUP_LANGUAGES}
      COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/po_to_nsis.py ${nsi} ${CALC_SETUP_LANGUAGES}
              ${catalogues}
      DEPENDS ${nsi} ${catalogues} ${PROJECT_SOURCE_DIR}/tools/po_to_nsis.py ${PROJECT_SOURCE_DIR}/tools/po.py
      COMMENT "Making the setup's languages"
      VERBATIM)
    add_custom_command(
      OUTPUT ${CALC_RELEASE_SETUP}
      COMMAND ${MAKENSIS_PROGRAM} -V2 -WX -DVERSION=${PROJECT_VERSION} -DARCH=${CALC_NSIS_ARCH}
              -DSTAGE=${CALC_RELEASE_STAGE} -DICON=${CALC_WINDOWS_ICON} -DOUTFILE=${CALC_RELEASE_SETUP}
              -DLANGUAGES=${CALC_SETUP_LANGUAGES} ${nsi}
      DEPENDS ${stamp} ${nsi} ${CALC_SETUP_LANGUAGES} ${CALC_WINDOWS_ICON} calc_windows_icon
      COMMENT "Making ${CALC_SETUP_NAME}"
      VERBATIM)
    add_custom_target(release_setup DEPENDS ${CALC_RELEASE_SETUP})
    list(APPEND outputs ${CALC_RELEASE_SETUP})
  endif()
  add_custom_target(release ALL DEPENDS ${outputs})
endblock()
