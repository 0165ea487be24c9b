# SPDX-License-Identifier: MIT
# The release archive of the Windows programs: exprcalc-<version>-win32.zip
# (win64 for the 64-bit build) with the executables and a short readme.
# Built by the target release_zip.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CALC_PACKAGE_NAME exprcalc-${PROJECT_VERSION}-win64)
else()
  set(CALC_PACKAGE_NAME exprcalc-${PROJECT_VERSION}-win32)
endif()

function(calc_add_release_zip)
  set(programs ${ARGN})
  set(readme ${CMAKE_BINARY_DIR}/README.txt)
  configure_file(${CALC_WINDOWS_RESOURCES}/README.txt.in ${readme} @ONLY NEWLINE_STYLE CRLF)
  set(stage ${CMAKE_BINARY_DIR}/package)
  set(zip ${CMAKE_BINARY_DIR}/${CALC_PACKAGE_NAME}.zip)
  set(files)
  foreach(program IN LISTS programs)
    list(APPEND files $<TARGET_FILE:${program}>)
  endforeach()
  add_custom_command(
    OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${CALC_PACKAGE_NAME}
    COMMAND ${CMAKE_COMMAND} -E copy ${files} ${readme} ${stage}/${CALC_PACKAGE_NAME}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${CALC_PACKAGE_NAME}
    DEPENDS ${programs} ${readme}
    COMMENT "Packing ${CALC_PACKAGE_NAME}.zip"
    VERBATIM)
  add_custom_target(release_zip DEPENDS ${zip})
  if(NOT CALC_TESTS)
    return()
  endif()
  foreach(program IN LISTS programs)
    add_test(NAME ${program}_needs_only_system_dlls
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXECUTABLE=$<TARGET_FILE:${program}>
                     -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckSystemDlls.cmake)
    set_tests_properties(${program}_needs_only_system_dlls PROPERTIES LABELS static)
  endforeach()
endfunction()
