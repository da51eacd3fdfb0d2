# The rows of src/logic/outcome.def, a code each. A semicolon would split
# CMake's lists; a bar stands in for it in the rows.
macro(planchoice_exit_code_rows out_var)
  set(table ${PROJECT_SOURCE_DIR}/src/logic/outcome.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(READ ${table} text)
  string(REPLACE ";" "|" text "${text}")
  string(REPLACE "\n" ";" ${out_var} "${text}")
  list(FILTER ${out_var} INCLUDE REGEX "^PLANCHOICE_EXIT_CODE")
endmacro()

# Sets code, name, window and planset from one row of the table.
macro(planchoice_exit_code_row row table)
  if(NOT "${row}" MATCHES
     "^PLANCHOICE_EXIT_CODE\\(([0-9]+), ([A-Za-z]+), \"([^\"]*)\", \"([^\"]*)\"\\)$")
    message(FATAL_ERROR "${table}: not a row of the table: ${row}")
  endif()
  set(code ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  set(window "${CMAKE_MATCH_3}")
  set(planset "${CMAKE_MATCH_4}")
endmacro()

# Writes `file`, an NSIS header with a !define PLANCHOICE_<NAME> for each code
# of the programs (NotYetOnDisk as PLANCHOICE_NOT_YET_ON_DISK), so that an
# installer names the codes it handles.
function(planchoice_exit_code_nsis_header file)
  planchoice_exit_code_rows(rows)
  set(text "; Made by the build from src/logic/outcome.def: the programs' exit codes.\n")
  foreach(row IN LISTS rows)
    planchoice_exit_code_row("${row}" ${table})
    string(REGEX REPLACE "([a-z])([A-Z])" "\\1_\\2" name "${name}")
    string(TOUPPER "${name}" name)
    string(APPEND text "!define PLANCHOICE_${name} ${code}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()
