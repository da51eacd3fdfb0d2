# Checks that the shipped program is built for its processor, stays small,
# needs no DLL beyond Windows' own, carries its icon and version, and is
# signed exactly when the build signs (SIGNED); the build itself checks its
# manifest (cmake/check_manifest.py):
#   cmake -DPROGRAM=PlanChoice.exe -DARCH=win32|win64 -DOBJDUMP=objdump -DWINDRES=windres
#         -DVERSION=1.2.3 -DSIGNED=ON|OFF -P check_program.cmake
# It needs no Wine, so it runs on every machine.

cmake_minimum_required(VERSION 3.25)
if(ARCH STREQUAL "win32")
  set(file_format pei-i386)
  set(magic 010b)  # PE32
  set(max_bytes 409600)
elseif(ARCH STREQUAL "win64")
  set(file_format pei-x86-64)
  set(magic 020b)  # PE32+
  set(max_bytes 512000)
else()
  message(FATAL_ERROR "ARCH must be win32 or win64, not \"${ARCH}\".")
endif()
set(system_dlls advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll user32.dll)

file(SIZE "${PROGRAM}" bytes)
if(bytes GREATER max_bytes)
  message(FATAL_ERROR "${PROGRAM} has ${bytes} bytes, more than ${max_bytes}.")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}.")
endif()
if(NOT headers MATCHES "file format ${file_format}[\r\n]" OR NOT headers MATCHES "Magic[ \t]+${magic}[ \t]")
  message(FATAL_ERROR "${PROGRAM} is not a ${file_format} program (PE magic ${magic}).")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "No imports found in ${PROGRAM}.")
endif()
set(dlls "")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a Windows system DLL.")
  endif()
  list(APPEND dlls ${dll})
endforeach()
if(NOT headers MATCHES "Subsystem[ \t]+0*2[ \t]")
  message(FATAL_ERROR "${PROGRAM} is not a program for the Windows GUI subsystem.")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../signing/signature.cmake)
signature_problem("${headers}" "${PROGRAM}" "${SIGNED}" problem)
if(problem)
  message(FATAL_ERROR "${problem}.")
endif()

execute_process(COMMAND "${WINDRES}" -i "${PROGRAM}" -O rc OUTPUT_VARIABLE resources
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${WINDRES} could not read the resources of ${PROGRAM}.")
endif()
set(expected_resources
    "VALUE \"FileVersion\", \"${VERSION}\""
    "VALUE \"ProductVersion\", \"${VERSION}\""
    "RT_GROUP_ICON")
foreach(expected IN LISTS expected_resources)
  string(FIND "${resources}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} lacks ${expected} in its resources.")
  endif()
endforeach()

# The icon has an image of each size Windows shows it at from 100 % to 200 %
# (and 256 px for Explorer's largest view). windres lists an image's width
# and height as octal escapes; 256 is written as 0.
set(icon_sizes "16 020" "20 024" "24 030" "32 040" "40 050" "48 060" "64 100" "256 000")
foreach(icon_size IN LISTS icon_sizes)
  string(REPLACE " " ";" icon_size "${icon_size}")
  list(GET icon_size 0 pixels)
  list(GET icon_size 1 octal)
  string(FIND "${resources}" "\\${octal}\\${octal}\\000\\000\", 1, 32," found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM}'s icon lacks a ${pixels} px image with 32 bits a pixel.")
  endif()
endforeach()

list(JOIN dlls ", " dlls)
message(STATUS "${PROGRAM}: ${file_format}, ${bytes} bytes (at most ${max_bytes}), an icon of"
               " 16 to 256 px; imports ${dlls}")
