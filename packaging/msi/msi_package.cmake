# Windows Installer packages of this build's programs (see kelvarin.wxs.in),
# made by wixl and msibuild (Debian package msitools):
#   planchoice_add_msi(TARGET <target> VERSION <x.y.z> OUTPUT <file.msi> [ALL]
#                      [PROFILE <dir/profile>])
# PROFILE: the profile to ship instead of the one in examples/, named as it.
# The package is x64 in the win64 build and x86 in the win32 one.
# Never to change: by its upgrade code Windows Installer finds the older
# install that a newer package replaces. Each architecture is a product of
# its own, with a folder, a registry view and components of its own.
set(MSI_UPGRADE_CODE_x64 8D26488F-3F70-489C-9273-DFCE357D7020)
set(MSI_UPGRADE_CODE_x86 5207C9E2-EE71-4E33-B744-DAF2CFAABB6F)
set(MSI_COMPONENTS PlanChoiceProgram PlansetProgram Profile RememberedPlan RememberedFolder
    NsisEntry32)

if(WINDOWS_ARCH STREQUAL "win64")
  set(MSI_ARCH x64)
else()
  set(MSI_ARCH x86)
endif()
set(MSI_PACKAGE ${PROJECT_BINARY_DIR}/kelvarin-${PROJECT_VERSION}-${MSI_ARCH}.msi)

# A name-based GUID under the architecture's upgrade code: the same name
# always gets the same GUID, and no two architectures share one.
function(msi_guid variable arch name)
  string(UUID guid NAMESPACE ${MSI_UPGRADE_CODE_${arch}} NAME "${name}" TYPE SHA1 UPPER)
  set(${variable} ${guid} PARENT_SCOPE)
endfunction()

function(msi_component_guids variable arch)
  set(guids "")
  foreach(component IN LISTS MSI_COMPONENTS)
    msi_guid(guid ${arch} "Component ${component}")
    list(APPEND guids ${guid})
  endforeach()
  set(${variable} ${guids} PARENT_SCOPE)
endfunction()

function(planchoice_add_msi)
  cmake_parse_arguments(PARSE_ARGV 0 msi "ALL" "TARGET;VERSION;OUTPUT;PROFILE" "")
  if(NOT msi_PROFILE)
    set(msi_PROFILE ${PROJECT_SOURCE_DIR}/examples/${PLANCHOICE_PROFILE_NAME})
  endif()
  set(MSI_VERSION ${msi_VERSION})
  set(MSI_UPGRADE_CODE ${MSI_UPGRADE_CODE_${MSI_ARCH}})
  foreach(component IN LISTS MSI_COMPONENTS)
    msi_guid(MSI_GUID_${component} ${MSI_ARCH} "Component ${component}")
  endforeach()
  # One product on a 64-bit machine: the x64 package replaces an x86
  # installation of its version or older, and refuses a newer one; the x86
  # package refuses where the x64 one is installed.
  if(MSI_ARCH STREQUAL "x64")
    set(MSI_PROGRAM_FILES ProgramFiles64Folder)
    set(MSI_WIN64 yes)
    set(other_arch x86)
    set(MSI_OTHER_ARCH_MESSAGE
        "A newer version of ${PLANCHOICE_PRODUCT_NAME} is installed by its 32-bit package (x86). Install the 64-bit package of that version or a newer one, or remove the 32-bit one first.")
  else()
    set(MSI_PROGRAM_FILES ProgramFilesFolder)
    set(MSI_WIN64 no)
    set(other_arch x64)
    set(MSI_OTHER_ARCH_MESSAGE
        "${PLANCHOICE_PRODUCT_NAME} is installed by its 64-bit package (x64). Use that package on this machine, or remove it first.")
  endif()
  get_filename_component(package_name ${msi_OUTPUT} NAME)

  set(work ${CMAKE_CURRENT_BINARY_DIR}/${msi_TARGET})
  set(source_dir ${PROJECT_SOURCE_DIR}/packaging/msi)
  configure_file(${source_dir}/kelvarin.wxs.in ${work}/kelvarin.wxs @ONLY)
  set(sign "")
  if(PLANCHOICE_SIGNING)
    set(sign -DSIGN=${PLANCHOICE_SIGN_FILE})
  endif()
  # A package of another version carries programs of that version.
  set(programs PlanChoice planset plan_action)
  if(NOT msi_VERSION VERSION_EQUAL PROJECT_VERSION)
    set(twins "")
    foreach(program IN LISTS programs)
      planchoice_program_at_version(${program} ${msi_VERSION} twin)
      list(APPEND twins ${twin})
    endforeach()
    set(programs ${twins})
  endif()
  list(TRANSFORM programs REPLACE ".+" "$<TARGET_FILE:\\0>" OUTPUT_VARIABLE files)
  list(APPEND files ${msi_PROFILE} ${PROJECT_SOURCE_DIR}/src/dialog/planchoice.ico)
  add_custom_command(
    OUTPUT ${msi_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${WIXL} -DMSIBUILD=${MSIBUILD} -DMSIINFO=${MSIINFO}
            -DFAKETIME=${FAKETIME} -DWINDRES=${CMAKE_RC_COMPILER}
            -DWXS=${work}/kelvarin.wxs -DSTAGE=${work}/stage "-DFILES=$<JOIN:${files},|>"
            -DARCH=${MSI_ARCH} "-DTITLE=${PLANCHOICE_PRODUCT_NAME} ${msi_VERSION} (${MSI_ARCH})"
            "-DPUBLISHER=${PLANCHOICE_PUBLISHER}" "-DNSIS_UNINSTALL_KEY=${PLANCHOICE_NSIS_UNINSTALL_KEY}"
            -DOTHER_UPGRADE_CODE=${MSI_UPGRADE_CODE_${other_arch}}
            "-DFOLDER_PROTECTION=${PLANCHOICE_FOLDER_PROTECTION}"
            -DWORK_NAME=${PLANCHOICE_WORK_NAME} -DBACKUP_NAME=${PLANCHOICE_BACKUP_NAME}
            -DNAMESPACE=${MSI_UPGRADE_CODE} -DOUTPUT=${msi_OUTPUT} ${sign}
            -P ${source_dir}/make_msi.cmake
    DEPENDS ${work}/kelvarin.wxs ${source_dir}/make_msi.cmake ${files} ${programs}
            ${PLANCHOICE_SIGNING_INPUTS}
    COMMENT "Making ${package_name}"
    VERBATIM)
  if(msi_ALL)
    add_custom_target(${msi_TARGET} ALL DEPENDS ${msi_OUTPUT})
  else()
    add_custom_target(${msi_TARGET} DEPENDS ${msi_OUTPUT})
  endif()
endfunction()
