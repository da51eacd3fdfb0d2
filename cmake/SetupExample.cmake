# The example installer of examples/setup, made with makensis from this
# build's programs: a 32-bit installer for the 32-bit build, a 64-bit one
# for the 64-bit build. SETUP_PROGRAM names it.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(WARNING "makensis was not found, so the example installer and its tests are not "
                  "built. scripts/setup.sh installs it (Debian package nsis).")
  return()
endif()

if(WINDOWS_ARCH STREQUAL "win64")
  set(nsis_target amd64-unicode)
else()
  set(nsis_target x86-unicode)
endif()
set(setup_script ${PROJECT_SOURCE_DIR}/examples/setup/kelvarin.nsi)
set(shipped_profile ${PROJECT_SOURCE_DIR}/examples/${PLANCHOICE_PROFILE_NAME})
set(SETUP_PROGRAM ${PROJECT_BINARY_DIR}/setup/kelvarin-setup.exe)
# The programs' exit codes by name, for the script's branches.
include(${PROJECT_SOURCE_DIR}/cmake/ExitCodes.cmake)
set(setup_exit_codes ${PROJECT_BINARY_DIR}/setup/exit_codes.nsh)
planchoice_exit_code_nsis_header(${setup_exit_codes})
# The product's name, publisher, folder, keys and version.
set(setup_identity ${PROJECT_BINARY_DIR}/setup/identity.nsh)
planchoice_identity_nsis_header(${setup_identity})
# In a signed build makensis signs the uninstaller and the installer.
set(sign_command "")
if(PLANCHOICE_SIGNING)
  set(sign_command -DSIGN_COMMAND=${PLANCHOICE_SIGN_FILE})
endif()

# The NSIS plug-ins the script calls (as System::Call), which the installer
# and the uninstaller unpack and load: copied into the build, signed in a
# signed build, and packed from there.
execute_process(COMMAND ${MAKENSIS} -HDRINFO OUTPUT_VARIABLE nsis_info)
if(NOT nsis_info MATCHES "NSISDIR=([^,\r\n]+)")
  message(FATAL_ERROR "${MAKENSIS} -HDRINFO names no NSISDIR.")
endif()
set(nsis_plugins ${CMAKE_MATCH_1}/Plugins/${nsis_target})
set(setup_plugins ${PROJECT_BINARY_DIR}/setup/plugins)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${setup_script})
file(STRINGS ${setup_script} calls REGEX "[A-Za-z0-9_]+::")
string(REGEX MATCHALL "[A-Za-z0-9_]+::" calls "${calls}")
list(TRANSFORM calls REPLACE "::$" "")
list(REMOVE_DUPLICATES calls)
set(SETUP_PLUGINS "")
foreach(name IN LISTS calls)
  if(EXISTS ${nsis_plugins}/${name}.dll)
    set(plugin ${setup_plugins}/${name}.dll)
    set(sign "")
    if(PLANCHOICE_SIGNING)
      set(sign COMMAND ${PLANCHOICE_SIGN_FILE} ${plugin})
    endif()
    add_custom_command(OUTPUT ${plugin}
                       COMMAND ${CMAKE_COMMAND} -E copy ${nsis_plugins}/${name}.dll ${plugin}
                       ${sign}
                       DEPENDS ${nsis_plugins}/${name}.dll ${PLANCHOICE_SIGNING_INPUTS}
                       COMMENT "Copying the NSIS plug-in ${name}.dll (${nsis_target})" VERBATIM)
    list(APPEND SETUP_PLUGINS ${plugin})
  endif()
endforeach()
if(NOT SETUP_PLUGINS)
  message(FATAL_ERROR "${setup_script} calls no plug-in of ${nsis_plugins}.")
endif()

# The script takes PlanChoice.exe and planset.exe from one folder. The
# installer stores no file times (SetDateSave off), so the same files make
# the same installer whenever they were built or checked out; the installed
# files get the time they are installed.
add_custom_command(
  OUTPUT ${SETUP_PROGRAM}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/setup
  COMMAND ${MAKENSIS} -V2 -WX "-XSetDateSave off" -DTARGET=${nsis_target}
          -DPROGRAMS=$<TARGET_FILE_DIR:PlanChoice> -DPROFILE=${shipped_profile}
          -DOUTFILE=${SETUP_PROGRAM} -DEXIT_CODES=${setup_exit_codes} -DIDENTITY=${setup_identity}
          -DPLUGINS=${setup_plugins} ${sign_command} ${setup_script}
  DEPENDS ${setup_script} ${shipped_profile} ${setup_exit_codes} ${setup_identity} PlanChoice planset
          ${SETUP_PLUGINS} ${PLANCHOICE_SIGNING_INPUTS}
  COMMENT "Making the example installer (${nsis_target})"
  VERBATIM)
add_custom_target(kelvarin_setup ALL DEPENDS ${SETUP_PROGRAM})
