# SPDX-License-Identifier: MIT
# The part of the MinGW-w64 cross toolchains the two architectures share; the
# toolchain file sets CALC_MINGW_PREFIX and CALC_WINE_LOADER_NAMES first.
# Debian's MinGW-w64 with posix threads; everything is linked statically, so
# the executables need only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${CALC_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CALC_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CALC_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CALC_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The static C++ runtime brings its own debug sections; a release ships without.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# The tests run the executables under Wine, in a prefix of the build's own,
# quiet and without the Mono and Gecko installers.
find_program(CALC_WINE_LOADER NAMES ${CALC_WINE_LOADER_NAMES} PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(CALC_WINE_LOADER)
  set(CALC_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix the tests run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${CALC_WINE_PREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
      ${CALC_WINE_LOADER})
endif()
