# Copies the test kit's members into STAGE/NAME and packs that folder into ZIP:
#   cmake -DMEMBERS=members.txt -DSTAGE=dir -DNAME=folder -DZIP=kit.zip -P pack_test_kit.cmake
# MEMBERS holds one line a member, "path in the kit=file to copy".
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${STAGE}")
file(STRINGS "${MEMBERS}" members)
set(packed "")
foreach(member IN LISTS members)
  string(REGEX REPLACE "=.*" "" destination "${member}")
  string(REGEX REPLACE "^[^=]*=" "" source "${member}")
  get_filename_component(folder "${STAGE}/${NAME}/${destination}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${source}" "${STAGE}/${NAME}/${destination}" ONLY_IF_DIFFERENT)
  list(APPEND packed "${NAME}/${destination}")
endforeach()
list(SORT packed)
file(REMOVE "${ZIP}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}" --format=zip -- ${packed}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not pack ${ZIP}.")
endif()
