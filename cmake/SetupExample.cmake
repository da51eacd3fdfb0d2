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
set(shipped_profile ${PROJECT_SOURCE_DIR}/examples/kelvarin.cmp)
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
          ${sign_command} ${setup_script}
  DEPENDS ${setup_script} ${shipped_profile} ${setup_exit_codes} ${setup_identity} PlanChoice planset
          ${PLANCHOICE_SIGNING_INPUTS}
  COMMENT "Making the example installer (${nsis_target})"
  VERBATIM)
add_custom_target(kelvarin_setup ALL DEPENDS ${SETUP_PROGRAM})
