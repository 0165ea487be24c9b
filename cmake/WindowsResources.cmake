# SPDX-License-Identifier: MIT
# Gives a Windows executable its application manifest (common controls 6, the
# invoker's level, DPI awareness) and a version resource made from the
# project version.
set(CALC_WINDOWS_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/windows)

function(calc_add_windows_resources target description)
  set(CALC_RC_NAME ${target})
  set(CALC_RC_DESCRIPTION "${description}")
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set(CALC_RC_MANIFEST ${manifest})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CALC_MANIFEST_ARCH amd64)
  else()
    set(CALC_MANIFEST_ARCH x86)
  endif()
  configure_file(${CALC_WINDOWS_RESOURCES}/app.manifest.in ${manifest} @ONLY)
  configure_file(${CALC_WINDOWS_RESOURCES}/resources.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  target_sources(${target} PRIVATE ${rc})
endfunction()
