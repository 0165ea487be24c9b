# SPDX-License-Identifier: MIT
# Cross build for 64-bit x86 Windows. The same sources as the 32-bit program;
# it exists so the Windows code can be tested under a 64-bit-only Wine on
# hosts whose kernel runs no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CALC_MINGW_PREFIX x86_64-w64-mingw32)
set(CALC_WINE_LOADER_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
