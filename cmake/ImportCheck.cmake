# Checks each shipped file's imported functions against the committed list,
# cmake/windows-imports.txt, once the file is linked: the build fails on a
# function the list lacks or names as newer than Windows 7.
#
#   planchoice_check_imports(TARGET [REQUIRE DLL!Function...])
#
# REQUIRE: functions the file must import, such as the one only a part every
# program must run calls.
function(planchoice_check_imports target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "REQUIRE")
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}>
                             -DOBJDUMP=${CMAKE_OBJDUMP}
                             -DALLOWED=${PROJECT_SOURCE_DIR}/cmake/windows-imports.txt
                             -DLISTING=${CMAKE_CURRENT_BINARY_DIR}/$<TARGET_FILE_NAME:${target}>.imports
                             "-DREQUIRE=${arg_REQUIRE}"
                             -P ${PROJECT_SOURCE_DIR}/cmake/check_imports.cmake
                     VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
               ${PROJECT_SOURCE_DIR}/cmake/windows-imports.txt)
endfunction()
