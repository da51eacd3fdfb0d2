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
#
# VERSION, to either, gives another version than the project's: that of a
# twin made by planchoice_program_at_version, below.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# In the caller's scope: PROJECT_VERSION and its parts set to `version`,
# where one is given.
macro(planchoice_use_version version)
  if(NOT "${version}" STREQUAL "")
    set(PROJECT_VERSION ${version})
    string(REPLACE "." ";" parts "${version}")
    list(GET parts 0 PROJECT_VERSION_MAJOR)
    list(GET parts 1 PROJECT_VERSION_MINOR)
    list(GET parts 2 PROJECT_VERSION_PATCH)
  endif()
endmacro()

# The manifest, when PROGRAM_MANIFEST is set in the caller's scope, and the
# version resource of `target`, of PROJECT_VERSION in the caller's scope.
macro(planchoice_add_resources target description)
  get_target_property(PROGRAM_NAME ${target} OUTPUT_NAME)
  if(NOT PROGRAM_NAME)
    set(PROGRAM_NAME ${target})
  endif()
  set(PROGRAM_DESCRIPTION "${description}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(PROGRAM_FILE ${PROGRAM_NAME}.exe)
    set(PROGRAM_FILE_TYPE VFT_APP)
  else()
    set(PROGRAM_FILE ${PROGRAM_NAME}.dll)
    set(PROGRAM_FILE_TYPE VFT_DLL)
  endif()
  set(resources ${CMAKE_CURRENT_BINARY_DIR}/${target}_program.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/program.rc.in ${resources} @ONLY)
  target_sources(${target} PRIVATE ${resources})
endmacro()

function(planchoice_version_resource target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION;VERSION" "")
  set_property(TARGET ${target} PROPERTY PLANCHOICE_RESOURCES planchoice_version_resource
                                          DESCRIPTION "${arg_DESCRIPTION}")
  planchoice_use_version("${arg_VERSION}")
  unset(PROGRAM_MANIFEST)
  planchoice_add_resources(${target} "${arg_DESCRIPTION}")
endfunction()

function(planchoice_program_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "COMMON_CONTROLS" "MANIFEST;DESCRIPTION;VERSION"
                        "SETTINGS")
  get_filename_component(arg_MANIFEST ${arg_MANIFEST} ABSOLUTE)
  set(again planchoice_program_resources MANIFEST ${arg_MANIFEST} DESCRIPTION "${arg_DESCRIPTION}"
            SETTINGS ${arg_SETTINGS})
  if(arg_COMMON_CONTROLS)
    list(APPEND again COMMON_CONTROLS)
  endif()
  set_property(TARGET ${target} PROPERTY PLANCHOICE_RESOURCES "${again}")
  planchoice_use_version("${arg_VERSION}")
  set(PROGRAM_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${arg_MANIFEST} ${PROGRAM_MANIFEST} @ONLY)
  planchoice_add_resources(${target} "${arg_DESCRIPTION}")
  set_property(SOURCE ${resources} APPEND PROPERTY OBJECT_DEPENDS ${PROGRAM_MANIFEST})

  set(expectations --name ${PROGRAM_NAME} --version ${PROJECT_VERSION})
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

# A twin of the program or DLL `target` that carries `version` instead of the
# project's, in its version resource, manifest and --version, for the test
# packages of other versions: Windows Installer compares programs by the
# version in their resources, so a package of a newer version must carry
# programs of that version. The twin is built from the same sources, into
# bin/<version>/ under the same file name; `variable` names it.
function(planchoice_program_at_version target version variable)
  string(REPLACE "." "_" suffix "${version}")
  set(twin ${target}_${suffix})
  set(${variable} ${twin} PARENT_SCOPE)
  if(TARGET ${twin})
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(source_dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  set(twin_sources "")
  foreach(source IN LISTS sources)
    if(NOT source MATCHES "_program[.]rc$")  # the resources, made again below
      get_filename_component(source ${source} ABSOLUTE BASE_DIR ${source_dir})
      list(APPEND twin_sources ${source})
    endif()
  endforeach()
  set(output ${PROJECT_BINARY_DIR}/bin/${version})
  if(type STREQUAL "EXECUTABLE")
    add_executable(${twin} EXCLUDE_FROM_ALL ${twin_sources})
    set_target_properties(${twin} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${output})
  else()
    add_library(${twin} MODULE EXCLUDE_FROM_ALL ${twin_sources})
    set_target_properties(${twin} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${output})
  endif()
  foreach(property WIN32_EXECUTABLE PREFIX LINK_LIBRARIES INCLUDE_DIRECTORIES COMPILE_OPTIONS
                   LINK_OPTIONS COMPILE_DEFINITIONS)
    get_target_property(value ${target} ${property})
    if(NOT value STREQUAL "value-NOTFOUND")
      # planset says its version from a definition of its own.
      string(REGEX REPLACE "_VERSION=\"[^\"]*\"" "_VERSION=\"${version}\"" value "${value}")
      set_property(TARGET ${twin} PROPERTY ${property} "${value}")
    endif()
  endforeach()
  set_target_properties(${twin} PROPERTIES OUTPUT_NAME ${target})
  get_target_property(resources ${target} PLANCHOICE_RESOURCES)
  list(POP_FRONT resources resource_function)
  cmake_language(CALL ${resource_function} ${twin} ${resources} VERSION ${version})
  planchoice_sign_after_build(${twin})
endfunction()
