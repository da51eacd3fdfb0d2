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
#
# A DLL of the project carries the version resource alone:
#
#   planchoice_version_resource(TARGET DESCRIPTION text)
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# The manifest, when PROGRAM_MANIFEST is set in the caller's scope, and the
# version resource of `target`.
macro(planchoice_add_resources target description)
  set(PROGRAM_NAME ${target})
  set(PROGRAM_DESCRIPTION "${description}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(PROGRAM_FILE ${target}.exe)
    set(PROGRAM_FILE_TYPE VFT_APP)
  else()
    set(PROGRAM_FILE ${target}.dll)
    set(PROGRAM_FILE_TYPE VFT_DLL)
  endif()
  set(resources ${CMAKE_CURRENT_BINARY_DIR}/${target}_program.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/program.rc.in ${resources} @ONLY)
  target_sources(${target} PRIVATE ${resources})
endmacro()

function(planchoice_version_resource target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION" "")
  unset(PROGRAM_MANIFEST)
  planchoice_add_resources(${target} "${arg_DESCRIPTION}")
endfunction()

function(planchoice_program_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "COMMON_CONTROLS" "MANIFEST;DESCRIPTION" "SETTINGS")
  set(PROGRAM_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${arg_MANIFEST} ${PROGRAM_MANIFEST} @ONLY)
  planchoice_add_resources(${target} "${arg_DESCRIPTION}")
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
