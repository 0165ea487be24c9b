# SPDX-License-Identifier: MIT
# Fails when a Windows executable imports a DLL that Windows itself does not
# ship, such as the MinGW runtime (libstdc++-6.dll, libwinpthread-1.dll).
# Usage: cmake -DOBJDUMP=... -DEXECUTABLE=... -P CheckSystemDlls.cmake
cmake_minimum_required(VERSION 3.25)

set(system_dlls
    advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 uxtheme version)
execute_process(COMMAND ${OBJDUMP} -p ${EXECUTABLE} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "${EXECUTABLE}: no imports found")
endif()
set(foreign)
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: (.+)\\.[dD][lL][lL]$" "\\1" dll "${line}")
  string(TOLOWER "${dll}" dll)
  message(STATUS "${dll}.dll")
  if(NOT dll IN_LIST system_dlls)
    list(APPEND foreign ${dll}.dll)
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${EXECUTABLE} needs DLLs that Windows does not ship: ${foreign}")
endif()
