# SPDX-License-Identifier: MIT
# Cross build for 32-bit x86 Windows (PE32, Intel 80386): the program as shipped.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CALC_MINGW_PREFIX i686-w64-mingw32)
set(CALC_WINE_LOADER_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
