# The test kit, for running the project's own tests on a Windows machine that
# has no CMake, no Wine and no build tree:
#   cmake --build --preset win32|win64 --target test-kit
# makes PlanChoice-<version>-<arch>-tests.zip beside the release zip. Its
# folder holds the files under test (the programs, the example installer and
# its profile), every test program that planchoice_add_gtest registered, in
# tests\, the table files-under-test.txt by which they find the others, and
# run-tests.cmd, which runs them all; where a Windows Installer package is
# built, msi-lifecycle.cmd and the packages it installs, upgrades and removes
# (tests/msi/CMakeLists.txt), with the release's kelvarin-detect.ps1, which
# msi-lifecycle.cmd runs as a deployment tool would; and checking-by-hand.md,
# what is checked on Windows by hand.

# `files`: the name=file entries of planchoice_file_under_test.
function(planchoice_test_kit files)
  set(name ${PROJECT_NAME}-${PROJECT_VERSION}-${WINDOWS_ARCH}-tests)
  set(work ${PROJECT_BINARY_DIR}/test-kit)
  set(zip ${PROJECT_BINARY_DIR}/${name}.zip)

  set(table "")
  set(members "")
  set(depends "")
  foreach(entry IN LISTS files)
    string(REGEX REPLACE "=.*" "" file_name "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
    string(APPEND table "${file_name}=$<PATH:GET_FILENAME,${file}>\n")
    string(APPEND members "$<PATH:GET_FILENAME,${file}>=${file}\n")
    list(APPEND depends ${file})
  endforeach()
  get_property(makers GLOBAL PROPERTY PLANCHOICE_FILES_UNDER_TEST_MADE_BY)
  list(APPEND depends ${makers})
  get_property(programs GLOBAL PROPERTY PLANCHOICE_TEST_PROGRAMS)
  foreach(program IN LISTS programs)
    string(APPEND members "tests/$<TARGET_FILE_NAME:${program}>=$<TARGET_FILE:${program}>\n")
    list(APPEND depends ${program})
  endforeach()

  # Windows' command processor reads a batch file with CR LF line ends.
  configure_file(${PROJECT_SOURCE_DIR}/tests/kit/run-tests.cmd.in ${work}/run-tests.cmd @ONLY
                 NEWLINE_STYLE CRLF)
  file(GENERATE OUTPUT ${work}/files-under-test.txt CONTENT "${table}")
  string(APPEND members "run-tests.cmd=${work}/run-tests.cmd\n"
                "files-under-test.txt=${work}/files-under-test.txt\n"
                "checking-by-hand.md=${PROJECT_SOURCE_DIR}/docs/checking-on-windows.md\n"
                "kelvarin-detect.ps1=${PLANCHOICE_DETECT_SCRIPT}\n")
  file(GENERATE OUTPUT ${work}/members.txt CONTENT "${members}")

  add_custom_command(
    OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -DMEMBERS=${work}/members.txt -DSTAGE=${work}/stage -DNAME=${name}
            -DZIP=${zip} -P ${PROJECT_SOURCE_DIR}/cmake/pack_test_kit.cmake
    DEPENDS ${depends} ${work}/members.txt ${work}/files-under-test.txt ${work}/run-tests.cmd
            ${PLANCHOICE_DETECT_SCRIPT}
            ${PROJECT_SOURCE_DIR}/docs/checking-on-windows.md
            ${PROJECT_SOURCE_DIR}/cmake/pack_test_kit.cmake
    COMMENT "Packing the test kit ${name}.zip"
    VERBATIM)
  add_custom_target(test-kit DEPENDS ${zip})
endfunction()
