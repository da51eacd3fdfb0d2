# Fails when the shipped file FILE imports a function that
# cmake/windows-imports.txt does not list, or one that it lists as first in a
# Windows newer than the oldest the programs run on: Windows would refuse to
# start the file there ("entry point not found"), which no Wine test shows.
# Each name of REQUIRE (DLL!Function) must be imported. The file's imports
# are written, one a line, to LISTING.
#   cmake -DFILE=planset.exe -DOBJDUMP=objdump -DALLOWED=windows-imports.txt
#         -DLISTING=planset.exe.imports [-DREQUIRE=dll!Function;...] -P check_imports.cmake

cmake_minimum_required(VERSION 3.25)
set(oldest_windows 7)
set(windows_versions 7 8 8.1 10 11)

get_filename_component(allowed_name "${ALLOWED}" NAME)
file(STRINGS "${ALLOWED}" allowed_lines)
set(allowed "")
foreach(line IN LISTS allowed_lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  if(NOT line MATCHES "^([^ \t!]+)!([^ \t]+)[ \t]+([0-9.]+)[ \t]*$")
    message(FATAL_ERROR "${allowed_name}: \"${line}\" is not \"DLL!Function  first-Windows-version\".")
  endif()
  string(TOLOWER "${CMAKE_MATCH_1}" dll)
  set(version "${CMAKE_MATCH_3}")
  if(NOT version IN_LIST windows_versions)
    message(FATAL_ERROR "${allowed_name}: \"${line}\" names ${version}, which is none of the"
                        " Windows versions ${windows_versions}.")
  endif()
  # "!" may not stand in a variable reference; "/" may.
  set(first_windows_${dll}/${CMAKE_MATCH_2} "${version}")
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${FILE}" OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${FILE}.")
endif()
# Each DLL of the import table, then its functions, one a line with the
# hint before the name: "\t43b58\t 1283  EqualSid".
string(REGEX MATCH "The Import Tables[^\n]*\n.*" imports_part "${headers}")
string(REGEX REPLACE "\nThe [A-Z][^\n]*Table.*" "" imports_part "${imports_part}")
string(REPLACE ";" "," imports_part "${imports_part}")
string(REPLACE "\n" ";" import_lines "${imports_part}")
set(dll "")
set(imports "")
foreach(line IN LISTS import_lines)
  if(line MATCHES "DLL Name: ([^ \t\r]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
  elseif(line MATCHES "^\t[0-9a-f]+\t +[0-9]+  ([^ \t\r]+)" AND dll)
    list(APPEND imports "${dll}!${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\t[0-9a-f]+\t +<none>|Ordinal")
    message(FATAL_ERROR "${FILE} imports from ${dll} by number, which no list can name: \"${line}\".")
  endif()
endforeach()
if(NOT imports)
  message(FATAL_ERROR "No imported function found in ${FILE}.")
endif()
list(SORT imports)
list(JOIN imports "\n" listing)
file(WRITE "${LISTING}" "${listing}\n")

get_filename_component(file_name "${FILE}" NAME)
set(problems "")
foreach(import IN LISTS imports)
  string(REPLACE "!" "/" key "${import}")
  set(version "${first_windows_${key}}")
  if(version STREQUAL "")
    list(APPEND problems "${import} is not in ${allowed_name}: add it with the first Windows \
version that has it, from Microsoft's documentation of the function")
  elseif(NOT version VERSION_EQUAL oldest_windows)
    list(APPEND problems "${import} is first in Windows ${version}, and the programs run on \
Windows ${oldest_windows}: look it up at run time (GetProcAddress)")
  endif()
endforeach()
foreach(required IN LISTS REQUIRE)
  if(NOT required IN_LIST imports)
    list(APPEND problems "it must import ${required}, and does not")
  endif()
endforeach()
if(problems)
  list(JOIN problems ";\n  " problems)
  message(FATAL_ERROR "${file_name}:\n  ${problems}.\nIts imports are listed in ${LISTING}.")
endif()
list(LENGTH imports count)
message(STATUS "${file_name}: ${count} imported functions, each in Windows ${oldest_windows}")
