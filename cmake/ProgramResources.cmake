# What every Windows program of the project carries in its resources: its own
# manifest, made from the template MANIFEST, and a version resource, both of
# the project's version. The build checks the manifest of the linked program
# (cmake/check_manifest.py) and fails when Windows would refuse it:
#
#   planchoice_program_resources(TARGET MANIFEST template DESCRIPTION text
#                                [COMMON_CONTROLS] [SETTINGS name=value...])
#
# COMMON_CONTROLS: the manifest must ask for Common Controls 6. SETTINGS: the
# windowsSettings it must hold, each with its value.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

function(planchoice_program_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "COMMON_CONTROLS" "MANIFEST;DESCRIPTION" "SETTINGS")
  set(PROGRAM_NAME ${target})
  set(PROGRAM_DESCRIPTION "${arg_DESCRIPTION}")
  set(PROGRAM_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(resources ${CMAKE_CURRENT_BINARY_DIR}/${target}_program.rc)
  configure_file(${arg_MANIFEST} ${PROGRAM_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/src/program.rc.in ${resources} @ONLY)
  target_sources(${target} PRIVATE ${resources})
  set_property(SOURCE ${resources} APPEND PROPERTY OBJECT_DEPENDS ${PROGRAM_MANIFEST})

  set(expectations --name ${target} --version ${PROJECT_VERSION})
  if(arg_COMMON_CONTROLS)
    list(APPEND expectations --common-controls)
  endif()
  foreach(setting IN LISTS arg_SETTINGS)
    list(APPEND expectations --setting ${setting})
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/check_manifest.py
                             $<TARGET_FILE:${target}> ${expectations}
                     VERBATIM)
endfunction()
