# Authenticode signatures on the Windows release, made with osslsigncode:
#   cmake --preset win32 -DPLANCHOICE_SIGNING_CERT=cert.pem -DPLANCHOICE_SIGNING_KEY=key.pem
# Signed, in this order: PlanChoice.exe, planset.exe and the package's plan
# action DLL right after each is linked, so that every copy made of them is
# the signed one; the example installer and its uninstaller (makensis runs
# PLANCHOICE_SIGN_FILE on both); the Windows Installer package once it is
# made. Left empty, nothing is signed and the build is as without this file.
#
# Every signature carries one signing time, fixed when the build is
# configured: SOURCE_DATE_EPOCH if set, else the time of the checked-out
# commit. With an RSA key the same file then gets the same signature, byte
# for byte, whenever it is signed.

# Runs the signer on the target's file once it is linked, and links again
# (so signs again) when the certificate, the key or the signing time change.
function(planchoice_sign_after_build target)
  if(PLANCHOICE_SIGNING)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${PLANCHOICE_SIGN_FILE} $<TARGET_FILE:${target}> VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PLANCHOICE_SIGNING_INPUTS})
  endif()
endfunction()

set(PLANCHOICE_SIGNING OFF)
set(PLANCHOICE_SIGNING_INPUTS "")
if(NOT WIN32)
  return()
endif()

set(PLANCHOICE_SIGNING_CERT "" CACHE FILEPATH
    "PEM file of the code-signing certificate, and of the certificates that chain it to its root; empty: nothing is signed")
set(PLANCHOICE_SIGNING_KEY "" CACHE FILEPATH
    "Unencrypted PEM file of that certificate's RSA private key")
if(PLANCHOICE_SIGNING_CERT STREQUAL "" AND PLANCHOICE_SIGNING_KEY STREQUAL "")
  return()
endif()
foreach(name PLANCHOICE_SIGNING_CERT PLANCHOICE_SIGNING_KEY)
  if("${${name}}" STREQUAL "")
    message(FATAL_ERROR "Signing needs both PLANCHOICE_SIGNING_CERT and PLANCHOICE_SIGNING_KEY; "
                        "${name} is not set.")
  endif()
  if(NOT EXISTS "${${name}}" OR IS_DIRECTORY "${${name}}")
    message(FATAL_ERROR "${name} names ${${name}}, which is no file.")
  endif()
endforeach()
find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
  message(FATAL_ERROR "Signing needs osslsigncode, which was not found. scripts/setup.sh "
                      "installs it (Debian package osslsigncode).")
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(PLANCHOICE_SIGNING_TIME "$ENV{SOURCE_DATE_EPOCH}")
  set(time_source "SOURCE_DATE_EPOCH")
  if(NOT PLANCHOICE_SIGNING_TIME MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not "
                        "\"${PLANCHOICE_SIGNING_TIME}\".")
  endif()
else()
  # Only this project's own checkout says when its sources were committed,
  # not a repository that merely holds a copy of them.
  execute_process(COMMAND git rev-parse --show-toplevel WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE checkout OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE not_in_git ERROR_QUIET)
  file(REAL_PATH "${PROJECT_SOURCE_DIR}" sources)
  if(NOT not_in_git AND NOT checkout STREQUAL "")
    file(REAL_PATH "${checkout}" checkout)
  endif()
  if(not_in_git OR NOT checkout STREQUAL sources)
    message(FATAL_ERROR "A signed build takes its signing time from SOURCE_DATE_EPOCH or from "
                        "the commit of a git checkout, and ${PROJECT_SOURCE_DIR} is none; "
                        "set SOURCE_DATE_EPOCH.")
  endif()
  execute_process(COMMAND git log -1 --format=%ct%n%H WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REPLACE "\n" ";" commit "${commit}")
  list(GET commit 0 PLANCHOICE_SIGNING_TIME)
  list(GET commit 1 time_source)
  set(time_source "commit ${time_source}")
endif()
# CMake formats a given time only as SOURCE_DATE_EPOCH.
set(ENV{SOURCE_DATE_EPOCH} ${PLANCHOICE_SIGNING_TIME})
string(TIMESTAMP signing_date "%Y-%m-%d %H:%M:%S UTC" UTC)
if(NOT time_source STREQUAL "SOURCE_DATE_EPOCH")
  unset(ENV{SOURCE_DATE_EPOCH})
endif()
message(STATUS "Signing with ${PLANCHOICE_SIGNING_CERT}; signing time ${PLANCHOICE_SIGNING_TIME} "
               "(${signing_date}, from ${time_source})")

# The signer that the build and makensis run: one file, signed in place.
foreach(name OSSLSIGNCODE PLANCHOICE_SIGNING_CERT PLANCHOICE_SIGNING_KEY
             PLANCHOICE_PROGRAM_TITLE)
  string(REPLACE "'" "'\\''" quoted_${name} "${${name}}")
endforeach()
set(PLANCHOICE_SIGN_FILE ${PROJECT_BINARY_DIR}/signing/sign-file)
configure_file(${CMAKE_CURRENT_LIST_DIR}/sign-file.in ${PLANCHOICE_SIGN_FILE} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(PLANCHOICE_SIGNING ON)
set(PLANCHOICE_SIGNING_INPUTS ${PLANCHOICE_SIGN_FILE} ${PLANCHOICE_SIGNING_CERT}
                              ${PLANCHOICE_SIGNING_KEY})
