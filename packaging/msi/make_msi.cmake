# Makes one Windows Installer package, the same bytes from the same inputs
# wherever and whenever it is made:
#   cmake -DWIXL=wixl -DMSIBUILD=msibuild -DFAKETIME=faketime -DWXS=kelvarin.wxs
#         -DSTAGE=dir -DFILES=a|b|... -DARCH=x64|x86 -DTITLE=text -DNAMESPACE=guid
#         -DOUTPUT=file.msi [-DSIGN=signer] -P make_msi.cmake
# Any word wixl or msibuild prints fails the build: wixl warns of what it
# leaves out and still writes a package. SIGN, when given, is run on the
# finished package (cmake/Signing.cmake).

cmake_minimum_required(VERSION 3.25)

# The package's summary times and its cabinet's file times: the time every
# file of the release zip has too. The summary is written in local time.
set(fixed_time "1980-01-01 00:00:00")
set(fixed_epoch 315532800)

function(run)
  # Parsed so that an argument holding ";" stays one argument.
  cmake_parse_arguments(PARSE_ARGV 0 run "" "" "")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${FAKETIME} -f "${fixed_time}"
                          ${run_UNPARSED_ARGUMENTS}
                  WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result OUTPUT_VARIABLE printed
                  ERROR_VARIABLE printed)
  if(NOT result EQUAL 0 OR NOT printed STREQUAL "")
    list(JOIN run_UNPARSED_ARGUMENTS " " command)
    message(FATAL_ERROR "${command} (in ${STAGE}) exited with ${result} and printed:\n${printed}")
  endif()
endfunction()

# wixl takes its sources by relative paths only.
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
string(REPLACE "|" ";" files "${FILES}")
set(staged "")
foreach(file IN LISTS files WXS)
  file(COPY "${file}" DESTINATION "${STAGE}")
  get_filename_component(name "${file}" NAME)
  list(APPEND staged "${STAGE}/${name}")
endforeach()
execute_process(COMMAND touch -d @${fixed_epoch} ${staged} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not set the time of the files in ${STAGE}.")
endif()

set(package "${STAGE}/package.msi")
get_filename_component(wxs_name "${WXS}" NAME)
run(${WIXL} -a ${ARCH} -o package.msi ${wxs_name})

# What wixl does not write: PLAN and INSTALLDIR secure, so that they reach
# the part of the installer that installs; the work file removed with the
# profile.
run(${MSIBUILD} package.msi
    -q "UPDATE Property SET Value='PLAN;INSTALLDIR;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE Property='SecureCustomProperties'"
    -q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('WorkFile', 'Profile', 'kelvarin.tmp', 'INSTALLDIR', 2)")

# The package code names these contents: made from the package's bytes
# under a code that is the same for every build.
if(ARCH STREQUAL "x64")
  set(template "x64;1033")
else()
  set(template "Intel;1033")
endif()
run(${MSIBUILD} package.msi -s "${TITLE}" Kelvarin "${template}"
    "{00000000-0000-0000-0000-000000000000}")
file(SHA256 "${package}" contents)
string(UUID package_code NAMESPACE ${NAMESPACE} NAME "${contents}" TYPE SHA1 UPPER)
run(${MSIBUILD} package.msi -s "${TITLE}" Kelvarin "${template}" "{${package_code}}")

# Signed last, once the package code is set: the signature covers the
# summary that holds it.
if(SIGN)
  execute_process(COMMAND "${SIGN}" "${package}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${SIGN} could not sign the package ${package}.")
  endif()
endif()
file(RENAME "${package}" "${OUTPUT}")
