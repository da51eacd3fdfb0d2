# Makes the example installer with a SIGN_COMMAND that records what it is
# given, and checks that makensis has the uninstaller signed before packing
# it, then the finished installer, and fails when signing fails:
#   cmake -DMAKENSIS=makensis -DSCRIPT=kelvarin.nsi -DTARGET=x86-unicode|amd64-unicode
#         -DPROGRAMS=dir -DPROFILE=kelvarin.cmp -DEXIT_CODES=exit_codes.nsh -DIDENTITY=identity.nsh
#         -DSCRATCH=dir
#         -P check_signing_hook.cmake
# It needs no Wine, so it runs on every machine.

cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(signer "${SCRATCH}/record-signing")
set(calls "${SCRATCH}/calls")
file(WRITE "${signer}" "#!/bin/sh\nprintf '%s %s\\n' \"$(head -c 2 \"$1\")\" \"$1\" >>'${calls}'\n"
                       "exit \"$SIGNING_EXIT\"\n")
file(CHMOD "${signer}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(installer "${SCRATCH}/kelvarin-setup.exe")
# signer's exit code | makensis must
set(cases
    "0|succeed"
    "1|fail")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 exit_code)
  list(GET case 1 expected)
  file(REMOVE "${calls}" "${installer}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env SIGNING_EXIT=${exit_code}
                          ${MAKENSIS} -V2 -WX -DTARGET=${TARGET} -DPROGRAMS=${PROGRAMS}
                          -DPROFILE=${PROFILE} -DEXIT_CODES=${EXIT_CODES} -DIDENTITY=${IDENTITY}
                          -DOUTFILE=${installer}
                          -DSIGN_COMMAND=${signer}
                          ${SCRIPT}
                  RESULT_VARIABLE result OUTPUT_VARIABLE printed ERROR_VARIABLE printed)
  if(expected STREQUAL "fail")
    if(result EQUAL 0)
      message(FATAL_ERROR "makensis made the installer though signing failed:\n${printed}")
    endif()
    continue()
  endif()
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis exited with ${result}:\n${printed}")
  endif()
  file(STRINGS "${calls}" recorded)
  list(LENGTH recorded count)
  if(count EQUAL 2)
    list(GET recorded 0 first)
    list(GET recorded 1 last)
  endif()
  if(NOT count EQUAL 2 OR NOT first MATCHES "^MZ " OR first STREQUAL "MZ ${installer}" OR
     NOT last STREQUAL "MZ ${installer}")
    list(JOIN recorded "\n  " recorded)
    message(FATAL_ERROR "The signing command was run on\n  ${recorded}\n"
                        "not on the uninstaller and then on ${installer}.")
  endif()
endforeach()
