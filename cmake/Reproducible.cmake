# SPDX-License-Identifier: MIT
# Two builds of one commit give the same release files wherever the sources
# are: the compilers write paths relative to the source folder, and archives
# carry the date of the last commit instead of the build's (SOURCE_DATE_EPOCH
# when it is set, as reproducible-build tools do).
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${PROJECT_BINARY_DIR}" binary_in_source)
if(NOT binary_in_source)
  # Listed last, so it wins where both match.
  add_compile_options(-ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()
if(WIN32)
  # No link time in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(CALC_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE CALC_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit or checkout changes the date: configure again then.
    if(git_dir AND EXISTS ${git_dir}/logs/HEAD)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${git_dir}/logs/HEAD)
    endif()
  endif()
  if(NOT CALC_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    # A source archive without history keeps its files' dates.
    file(TIMESTAMP ${PROJECT_SOURCE_DIR}/CMakeLists.txt CALC_SOURCE_DATE_EPOCH "%s" UTC)
  endif()
endif()
