# Checks that the shipped program stays small, needs no DLL beyond Windows'
# own, and carries its manifest and version:
#   cmake -DPROGRAM=PlanChoice.exe -DOBJDUMP=objdump -DWINDRES=windres -DVERSION=1.2.3
#         -P check_program.cmake

cmake_minimum_required(VERSION 3.25)
set(max_bytes 409600)
set(system_dlls gdi32.dll kernel32.dll msvcrt.dll user32.dll)

file(SIZE "${PROGRAM}" bytes)
if(bytes GREATER max_bytes)
  message(FATAL_ERROR "${PROGRAM} has ${bytes} bytes, more than ${max_bytes}.")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}.")
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

execute_process(COMMAND "${WINDRES}" -i "${PROGRAM}" -O rc OUTPUT_VARIABLE resources
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${WINDRES} could not read the resources of ${PROGRAM}.")
endif()
set(expected_resources
    "VALUE \"FileVersion\", \"${VERSION}\""
    "VALUE \"ProductVersion\", \"${VERSION}\""
    "RT_MANIFEST"
    "Microsoft.Windows.Common-Controls"
    "level=\"\"asInvoker\"\""
    ">PerMonitorV2, System<"
    ">true</dpiAware>"
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"  # Windows 7
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"  # Windows 10 and 11
    "RT_GROUP_ICON")
foreach(expected IN LISTS expected_resources)
  string(FIND "${resources}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} lacks ${expected} in its resources.")
  endif()
endforeach()

list(JOIN dlls ", " dlls)
message(STATUS "${PROGRAM}: ${bytes} bytes; imports ${dlls}")
