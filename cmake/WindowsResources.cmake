# SPDX-License-Identifier: MIT
# Gives a Windows executable its icon, its application manifest (common
# controls 6, the invoker's level, DPI awareness) and a version resource made
# from the project version.
set(CALC_WINDOWS_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/windows)

# The icon, rendered from the same SVG as the Linux icons: every size Windows
# picks from at 100 % to 250 % scale, the 256-pixel one stored as PNG.
find_program(RSVG_CONVERT_PROGRAM rsvg-convert REQUIRED)
find_program(ICOTOOL_PROGRAM icotool REQUIRED)
set(CALC_WINDOWS_ICON ${CMAKE_BINARY_DIR}/icons/exprcalc.ico)
set(CALC_WINDOWS_ICON_SIZES 16 20 24 32 40 48 64 256)
block(SCOPE_FOR VARIABLES)
  set(svg ${PROJECT_SOURCE_DIR}/data/icons/org.exprcalc.Exprcalc.svg)
  set(dir ${CMAKE_BINARY_DIR}/icons)
  set(render)
  set(pngs)
  foreach(size IN LISTS CALC_WINDOWS_ICON_SIZES)
    list(APPEND render COMMAND ${RSVG_CONVERT_PROGRAM} --width ${size} --height ${size} --output ${dir}/${size}.png
         ${svg})
    if(size EQUAL 256)
      list(APPEND pngs --raw=${dir}/${size}.png)
    else()
      list(APPEND pngs ${dir}/${size}.png)
    endif()
  endforeach()
  add_custom_command(
    OUTPUT ${CALC_WINDOWS_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir} ${render}
    COMMAND ${ICOTOOL_PROGRAM} --create --output ${CALC_WINDOWS_ICON} ${pngs}
    DEPENDS ${svg}
    COMMENT "Rendering the Windows icon"
    VERBATIM)
endblock()
add_custom_target(calc_windows_icon DEPENDS ${CALC_WINDOWS_ICON})

function(calc_add_windows_resources target description)
  set(CALC_RC_NAME ${target})
  set(CALC_RC_DESCRIPTION "${description}")
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set(CALC_RC_MANIFEST ${manifest})
  set(CALC_RC_ICON ${CALC_WINDOWS_ICON})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CALC_MANIFEST_ARCH amd64)
  else()
    set(CALC_MANIFEST_ARCH x86)
  endif()
  configure_file(${CALC_WINDOWS_RESOURCES}/app.manifest.in ${manifest} @ONLY)
  configure_file(${CALC_WINDOWS_RESOURCES}/resources.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${manifest};${CALC_WINDOWS_ICON}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} calc_windows_icon)
endfunction()
