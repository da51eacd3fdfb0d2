# Writes the test kit's msi-lifecycle.cmd from its template, with the file
# name, version and product code of each package it runs, read from the
# packages themselves:
#   cmake -DMSIINFO=msiinfo -DTEMPLATE=msi-lifecycle.cmd.in -DPACKAGES=a.msi|b.msi|c.msi
#         -DMSI_ARCH=x64|x86 -DOUTPUT=msi-lifecycle.cmd -P make_msi_lifecycle.cmake
# The packages are numbered from 0 in the order given: @PACKAGE_0@,
# @VERSION_0@, @CODE_0@, ...
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" packages "${PACKAGES}")
set(index 0)
foreach(package IN LISTS packages)
  execute_process(COMMAND ${MSIINFO} export ${package} Property OUTPUT_VARIABLE properties
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo could not read the properties of ${package}.")
  endif()
  foreach(property ProductCode ProductVersion)
    if(NOT properties MATCHES "\n${property}\t([^\r\n]+)")
      message(FATAL_ERROR "${package} has no ${property}.")
    endif()
    set(${property} ${CMAKE_MATCH_1})
  endforeach()
  get_filename_component(PACKAGE_${index} ${package} NAME)
  set(VERSION_${index} ${ProductVersion})
  set(CODE_${index} ${ProductCode})
  math(EXPR index "${index} + 1")
endforeach()

# The registry view and the Program Files folder of the package's programs.
if(MSI_ARCH STREQUAL "x64")
  set(REGISTRY_BITS 64)
  set(PROGRAM_FILES ProgramW6432)
else()
  set(REGISTRY_BITS 32)
  set(PROGRAM_FILES "ProgramFiles(x86)")
endif()
# Windows' command processor reads a batch file with CR LF line ends.
configure_file(${TEMPLATE} ${OUTPUT} @ONLY NEWLINE_STYLE CRLF)
