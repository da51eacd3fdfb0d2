# Packs the release into a scratch directory as `--target package` does and
# checks what a setup engineer gets: the zip's name and members in their
# order, the programs as built, a README that Notepad shows with the version,
# the access numbers and planset.exe's help, a detection script with the
# version and the registry keys filled in, SHA256SUMS that `sha256sum -c`
# accepts, and the version resource of every PE file shipped (PROGRAMS,
# SHIPPED, and the programs 7z unpacks from SETUP):
#   cmake -DCPACK=cpack -DCONFIG=CPackConfig.cmake -DOUTPUT=dir -DARCH=win32|win64
#         -DVERSION=1.2.3 -DPROGRAMS=a.exe,b.exe -DNUMBERS=n1,n2,n3 -DSHIPPED=c.dll,setup.exe
#         -DPRODUCT_KEY=key -DUNINSTALL_KEY=key
#         -DSETUP=setup.exe -DSEVENZIP=7z -DWINDRES=windres -P check_package.cmake
# It needs no Wine, so it runs on every machine.

cmake_minimum_required(VERSION 3.25)
function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${CPACK}" --config "${CONFIG}" -B "${OUTPUT}" OUTPUT_VARIABLE log
                ERROR_VARIABLE log RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("cpack failed:\n${log}")
endif()

set(name PlanChoice-${VERSION}-${ARCH})
set(zip "${OUTPUT}/${name}.zip")
if(NOT EXISTS "${zip}")
  file(GLOB made RELATIVE "${OUTPUT}" "${OUTPUT}/*")
  fail("cpack made no ${name}.zip; the directory holds: ${made}")
endif()

execute_process(COMMAND sha256sum -c SHA256SUMS WORKING_DIRECTORY "${OUTPUT}"
                OUTPUT_VARIABLE checked ERROR_VARIABLE checked RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT checked STREQUAL "${name}.zip: OK\n")
  fail("sha256sum -c SHA256SUMS beside the zip said:\n${checked}")
endif()

# Listed in the zip's own order, which must not depend on the file system.
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${zip}" OUTPUT_VARIABLE members
                RESULT_VARIABLE result)
string(REGEX REPLACE "\n$" "" members "${members}")
string(REPLACE "\n" ";" members "${members}")
set(expected ${name}/PlanChoice.exe ${name}/README.txt ${name}/kelvarin-detect.ps1
             ${name}/planset.exe)
if(NOT result EQUAL 0 OR NOT members STREQUAL expected)
  list(JOIN members ", " members)
  list(JOIN expected ", " expected)
  fail("${name}.zip holds ${members}; expected ${expected}")
endif()

set(unpacked "${OUTPUT}/unpacked")
file(ARCHIVE_EXTRACT INPUT "${zip}" DESTINATION "${unpacked}")
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program IN LISTS programs)
  get_filename_component(program_name "${program}" NAME)
  file(SHA256 "${program}" built)
  file(SHA256 "${unpacked}/${name}/${program_name}" packed)
  if(NOT packed STREQUAL built)
    fail("${program_name} in the zip is not the one built at ${program}")
  endif()
endforeach()

# The text files, which Notepad shows as lines only with CR LF line ends,
# and what each must hold.
string(REPLACE "," ";" numbers "${NUMBERS}")
# planset.exe's help, with a form only planset.exe has, not the help of the
# build machine's planset.
set(README.txt_holds "Plan Choice ${VERSION} (${ARCH})" ${numbers} "Usage: planset DIRECTORY PLAN"
    "planset --install-folder DIRECTORY")
set(kelvarin-detect.ps1_holds "$MinimumVersion = [version]'${VERSION}'"
    "$ProductKey = '${PRODUCT_KEY}'" "$SetupUninstallKey = '${UNINSTALL_KEY}'")
foreach(text_file README.txt kelvarin-detect.ps1)
  file(READ "${unpacked}/${name}/${text_file}" hex HEX)
  string(REGEX MATCHALL ".." bytes "${hex}")
  set(previous "")
  foreach(byte IN LISTS bytes)
    if((byte STREQUAL "0a" AND NOT previous STREQUAL "0d") OR
       (previous STREQUAL "0d" AND NOT byte STREQUAL "0a"))
      fail("${text_file} has a line end other than CR LF")
    endif()
    set(previous ${byte})
  endforeach()
  if(NOT previous STREQUAL "0a")
    fail("${text_file} does not end with a line end")
  endif()
  file(READ "${unpacked}/${name}/${text_file}" text)
  foreach(expected IN LISTS ${text_file}_holds)
    string(FIND "${text}" "${expected}" found)
    if(found EQUAL -1)
      fail("${text_file} lacks \"${expected}\":\n${text}")
    endif()
  endforeach()
endforeach()

list(JOIN members ", " members)
message(STATUS "${name}.zip: ${members}; SHA256SUMS checks")

# Every PE file shipped, and each one the installer and its uninstaller
# unpack but NSIS's plug-ins, has a version resource of this version.
string(REPLACE "," ";" shipped "${PROGRAMS},${SHIPPED}")
if(SETUP)
  execute_process(COMMAND "${SEVENZIP}" x -y "-o${OUTPUT}/setup" "${SETUP}" OUTPUT_QUIET
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${SEVENZIP}" x -y "-o${OUTPUT}/setup/un" "${OUTPUT}/setup/uninstall.exe"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE unpacked "${OUTPUT}/setup/*.exe")
endif()
string(REPLACE "." ", " numbers "${VERSION}, 0")
foreach(file IN LISTS shipped unpacked)
  execute_process(COMMAND "${WINDRES}" -i "${file}" -O rc OUTPUT_VARIABLE resources ERROR_QUIET)
  if(NOT resources MATCHES "FILEVERSION ${numbers}\n.*\"ProductVersion\", \"${VERSION}\"")
    fail("${file} has no version resource of ${VERSION}")
  endif()
endforeach()
list(LENGTH shipped shipped)
list(LENGTH unpacked unpacked)
message(STATUS "${shipped} PE files shipped, ${unpacked} programs in the installer: version ${VERSION}")
