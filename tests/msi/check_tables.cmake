# Reads the Windows Installer package's tables offline and checks what wixl
# may write wrong without a word, and what the package's design rests on:
#   cmake -DMSIINFO=msiinfo -DOBJDUMP=objdump -DPACKAGE=kelvarin.msi -DARCH=x64|x86
#         -DOTHER_GUIDS=guid,... -DOTHER_UPGRADE_CODE=guid -DSCRATCH=dir -DSIGNED=ON|OFF
#         -P check_tables.cmake
# It needs no Wine, so it runs on every machine.

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../signing/signature.cmake)
set(failures "")
function(fail)
  string(JOIN "" text ${ARGN})
  set(failures "${failures}\n  ${text}" PARENT_SCOPE)
endfunction()

# The rows of a table, each a string of tab-separated fields; ";" in a value
# is read as ",".
function(read_table table variable)
  # In the scratch folder: exporting the Binary table writes its streams
  # beside the text too.
  execute_process(COMMAND ${MSIINFO} export ${PACKAGE} ${table} WORKING_DIRECTORY "${SCRATCH}"
                  OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo could not read the table ${table} of ${PACKAGE}.")
  endif()
  string(REPLACE ";" "," text "${text}")
  string(REGEX REPLACE "\r?\n$" "" text "${text}")
  string(REGEX REPLACE "\r?\n" ";" rows "${text}")
  list(REMOVE_AT rows 0 1 2)  # column names, column types, table name and keys
  set(${variable} "${rows}" PARENT_SCOPE)
endfunction()

# Field `index` of each row, or of the rows whose first field is `key`.
function(column rows index variable)
  set(values "")
  foreach(row IN LISTS ${rows})
    string(REPLACE "\t" ";" fields "${row}")
    list(GET fields ${index} value)
    list(APPEND values "${value}")
  endforeach()
  set(${variable} "${values}" PARENT_SCOPE)
endfunction()
function(field rows key index variable)
  set(${variable} "" PARENT_SCOPE)
  foreach(row IN LISTS ${rows})
    string(REPLACE "\t" ";" fields "${row}")
    list(GET fields 0 first)
    if(first STREQUAL key)
      list(GET fields ${index} value)
      set(${variable} "${value}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

# The file version in the version resource of the PE file `file`,
# "major.minor.patch.build"; empty when it carries none.
function(file_version file variable)
  set(${variable} "" PARENT_SCOPE)
  file(READ "${file}" hex HEX)
  # The fixed part of the resource begins with 0xFEEF04BD, little-endian; the
  # version's four 16-bit numbers follow the structure's own version.
  string(FIND "${hex}" "bd04effe" at)
  if(at EQUAL -1 OR NOT at MATCHES "[02468]$")
    return()
  endif()
  set(numbers "")
  foreach(offset 20 16 28 24)  # in hex digits from the signature, major first
    math(EXPR offset "${at} + ${offset}")
    string(SUBSTRING "${hex}" ${offset} 4 word)
    string(REGEX REPLACE "^(..)(..)$" "0x\\2\\1" word "${word}")
    math(EXPR number "${word}")
    list(APPEND numbers ${number})
  endforeach()
  list(JOIN numbers "." version)
  set(${variable} ${version} PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
foreach(table Property CustomAction Binary InstallExecuteSequence InstallUISequence Component
              Upgrade RegLocator File RemoveFile MsiFileHash Directory Registry AppSearch
              RemoveRegistry LaunchCondition CreateFolder MsiLockPermissionsEx)
  read_table(${table} ${table})
endforeach()

# The DLLs the package runs, each signed exactly when the build signs, and
# each of the package's version.
column(Binary 0 binaries)
field(Property ProductVersion 1 product_version)
foreach(binary IN LISTS binaries)
  execute_process(COMMAND ${MSIINFO} extract ${PACKAGE} Binary.${binary}
                  OUTPUT_FILE ${SCRATCH}/${binary}.dll)
  execute_process(COMMAND ${OBJDUMP} -p ${SCRATCH}/${binary}.dll OUTPUT_VARIABLE headers)
  set(${binary}_headers "${headers}")
  signature_problem("${headers}" "The binary ${binary}" "${SIGNED}" problem)
  if(problem)
    fail("${problem}")
  endif()
  file_version(${SCRATCH}/${binary}.dll version)
  if(version STREQUAL "")
    fail("The binary ${binary} carries no version resource")
  elseif(NOT version STREQUAL "${product_version}.0")
    fail("The binary ${binary} is of the version ${version}, not of the package's ${product_version}")
  endif()
endforeach()

# Every custom action has its source, and every DLL entry is exported.
column(CustomAction 0 actions)
foreach(action IN LISTS actions)
  field(CustomAction ${action} 1 type)
  field(CustomAction ${action} 2 source)
  field(CustomAction ${action} 3 target)
  math(EXPR kind "${type} & 63")
  if(kind EQUAL 1)  # a DLL from the Binary table
    if(NOT source IN_LIST binaries)
      fail("${action} calls into the binary ${source}, which the package lacks")
      continue()
    endif()
    if(NOT ${source}_headers MATCHES "\\] ${target}\n")
      fail("${action} calls ${target}, which the binary ${source} does not export")
    endif()
  elseif(kind EQUAL 51)  # sets a property
    if(source STREQUAL "")
      fail("${action} sets no property")
    endif()
  else()
    fail("${action} is of type ${type}, which this check does not know")
  endif()
endforeach()

# Deferred, in the script, without impersonation: the rewrite runs as the
# installer's service does, where Program Files may be written.
field(CustomAction SetPlan 1 type)
math(EXPR mode "${type} & 3072")
if(NOT mode EQUAL 3072)
  fail("SetPlan is of type ${type}, not deferred without impersonation (1024 + 2048)")
endif()
# Its rollback and commit: the backup put back, the backup removed.
foreach(pair "RestoreProfile|256|rollback" "DropProfileBackup|512|commit")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 action)
  list(GET pair 1 bit)
  list(GET pair 2 kind)
  field(CustomAction ${action} 1 type)
  math(EXPR mode "${type} & (1024 | 2048 | 256 | 512)")
  math(EXPR expected "1024 | 2048 | ${bit}")
  if(NOT mode EQUAL expected)
    fail("${action} is of type ${type}, not a ${kind} action without impersonation")
  endif()
endforeach()
# Values given by a user who is not an administrator are dropped where that
# user is known, on the installing side: in the client an administrator's
# token may not be elevated yet.
field(InstallUISequence KeepInstalledValues 2 in_client)
field(CustomAction KeepInstalledValues 1 type)
math(EXPR mode "${type} & 1024")
if(NOT in_client STREQUAL "" OR NOT mode EQUAL 0)
  fail("KeepInstalledValues is of type ${type} and in the client's sequence at \"${in_client}\": it must run immediately, on the installing side only")
endif()
field(CustomAction CheckPlan 1 type)
math(EXPR mode "${type} & 1024")
if(NOT mode EQUAL 0)
  fail("CheckPlan is of type ${type}: it must run before anything is installed")
endif()

# Each chain in the order its actions run; every action sequenced is a
# standard one or has a row.
set(InstallUISequence_chains
    "AppSearch,PlanFromPolicy,PlanFromLastInstall,TakeOverNsisInstall,CheckPlan,CostInitialize"
    "TakeOverNsisInstall,FolderFromLastInstall,FolderFromNsisInstall"
    "AppSearch,RepairWhenRunAgain,CostInitialize"
    "AppSearch,FolderFromLastInstall,CostInitialize"
    "CheckPlan,ExecuteAction")
set(InstallExecuteSequence_chains
    "AppSearch,PlanFromPolicy,PlanFromLastInstall,TakeOverNsisInstall,CostInitialize"
    "TakeOverNsisInstall,FolderFromLastInstall,FolderFromNsisInstall"
    "InstallInitialize,RemoveRegistryValues,RemoveFiles,InstallFiles"
    "AppSearch,RepairWhenRunAgain,CostInitialize"
    "AppSearch,FolderFromLastInstall,CostInitialize"
    "CostFinalize,SetInstallLocation,InstallValidate"
    "KeepInstalledValues,AppSearch,PlanFromPolicy,PlanFromLastInstall,TakeOverNsisInstall"
    "CostFinalize,CheckInstallFolder,CheckPlan,InstallValidate"
    "InstallValidate,InstallInitialize,RemoveExistingProducts,ProcessComponents"
    "InstallFiles,RestoreProfile,SetPlan,InstallFinalize"
    "InstallFiles,DropProfileBackup,SetPlan")
set(standard_actions
    AppSearch CostFinalize CostInitialize CreateFolders ExecuteAction FileCost FindRelatedProducts
    InstallFiles InstallFinalize InstallInitialize InstallValidate LaunchConditions
    MigrateFeatureStates ProcessComponents PublishFeatures PublishProduct RegisterProduct
    RegisterUser RemoveExistingProducts RemoveFiles RemoveFolders RemoveRegistryValues
    UnpublishFeatures
    ValidateProductID WriteRegistryValues)
foreach(sequence InstallUISequence InstallExecuteSequence)
  column(${sequence} 0 sequenced)
  foreach(action IN LISTS sequenced)
    if(NOT action IN_LIST standard_actions AND NOT action IN_LIST actions)
      fail("${sequence} runs ${action}, which has no CustomAction row")
    endif()
  endforeach()
  foreach(chain IN LISTS ${sequence}_chains)
    string(REPLACE "," ";" chain "${chain}")
    set(previous "")
    set(previous_number -1)
    foreach(action IN LISTS chain)
      field(${sequence} ${action} 2 number)
      if(number STREQUAL "")
        fail("${sequence} does not run ${action}")
        break()
      endif()
      if(NOT number GREATER previous_number)
        fail("${sequence} runs ${action} at ${number}, not after ${previous} at ${previous_number}")
      endif()
      set(previous ${action})
      set(previous_number ${number})
    endforeach()
  endforeach()
endforeach()

# INSTALLDIR remembered beside the plan and set from it before costing, only
# where it was not given.
field(RegLocator RememberedFolder 1 root)
field(RegLocator RememberedFolder 2 key)
field(RegLocator RememberedFolder 3 name)
field(AppSearch REMEMBEREDFOLDER 1 searched)
field(CustomAction FolderFromLastInstall 3 value)
string(FIND "${Registry}" "\t${root}\t${key}\t${name}\t[INSTALLDIR]\t" written)
if(written EQUAL -1 OR NOT searched STREQUAL "RememberedFolder" OR
   NOT value STREQUAL "[REMEMBEREDFOLDER]")
  fail("INSTALLDIR is not set from the registry value it is written to")
endif()
foreach(sequence InstallUISequence InstallExecuteSequence)
  field(${sequence} FolderFromLastInstall 1 condition)
  if(NOT condition MATCHES "^NOT INSTALLDIR AND ")
    fail("In ${sequence}, FolderFromLastInstall may replace an INSTALLDIR given: ${condition}")
  endif()
endforeach()

# The NSIS setup's installation taken over: its entry and uninstaller removed
# as the package installs.
# The 32-bit setup writes its entry in the 32-bit registry view, the 64-bit
# one in the 64-bit view: an entry is removed in its component's view.
field(RegLocator NsisFolder 2 nsis_key)
field(RemoveFile NsisUninstaller 2 removed)
if(nsis_key STREQUAL "" OR NOT removed MATCHES "[|]uninstall[.]exe$")
  fail("The package does not remove the NSIS setup's uninstaller")
endif()
set(views_removed "")
foreach(row IN LISTS RemoveRegistry)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 2 key)
  list(GET fields 4 component)
  field(Component ${component} 3 attributes)
  math(EXPR view "32 << ((${attributes} >> 8) & 1)")  # msidbComponentAttributes64bit
  if(key STREQUAL nsis_key)
    list(APPEND views_removed ${view})
  endif()
endforeach()
if(ARCH STREQUAL "x64")
  set(views 32 64)
else()
  set(views 32)
endif()
list(SORT views_removed)
if(NOT views_removed STREQUAL views)
  list(JOIN views_removed ", " removed_in)
  list(JOIN views ", " wanted)
  fail("The NSIS setup's entry ${nsis_key} is removed in the registry views \"${removed_in}\", not \"${wanted}\"")
endif()

# The upgrade row takes in this very version (another build of it), the
# downgrade row only newer ones. The other architecture's package: the x64
# package replaces an x86 installation as its own older one and refuses a
# newer one; the x86 package refuses any x64 installation.
field(Property ProductVersion 1 version)
set(other_rows "")
foreach(row IN LISTS Upgrade)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 code)
  list(GET fields 6 property)
  if(code STREQUAL "{${OTHER_UPGRADE_CODE}}")
    list(APPEND other_rows ${property})
    if(ARCH STREQUAL "x86")
      if(NOT row MATCHES "^[^\t]*\t0[.]0[.]0\t\t\t258\t")
        fail("The Upgrade row ${row} does not detect every version of the x64 package")
      endif()
      continue()
    endif()
  endif()
  list(GET fields 1 minimum)
  list(GET fields 2 maximum)
  list(GET fields 4 attributes)
  math(EXPR kind "${attributes} & (2 | 256 | 512)")  # only detect, minimum and maximum inclusive
  if(NOT (maximum STREQUAL version AND kind EQUAL 512) AND
     NOT (minimum STREQUAL version AND kind EQUAL 2))
    fail("The Upgrade row ${row} neither replaces ${version} and older nor detects newer only")
  endif()
endforeach()

if(ARCH STREQUAL "x64")
  set(expected_other_rows OTHERARCHBLOCKS OTHERARCHUPGRADE)
else()
  set(expected_other_rows OTHERARCHBLOCKS)
endif()
list(SORT other_rows)
field(LaunchCondition "Installed OR NOT OTHERARCHBLOCKS" 1 refusal)
if(NOT other_rows STREQUAL expected_other_rows OR refusal STREQUAL "")
  list(JOIN other_rows ", " found)
  list(JOIN expected_other_rows ", " wanted)
  fail("For the other architecture's package the package has the Upgrade rows \"${found}\", not \"${wanted}\" with a launch condition on OTHERARCHBLOCKS")
endif()

# Properties that the installing part of the installer must see.
field(Property SecureCustomProperties 1 secure)
string(REPLACE "," ";" secure "${secure}")
column(Upgrade 6 upgrade_properties)
foreach(property PLAN INSTALLDIR ${upgrade_properties})
  if(NOT property IN_LIST secure)
    list(JOIN secure ", " listed)
    fail("${property} is not in SecureCustomProperties (${listed})")
  endif()
endforeach()
field(Property ALLUSERS 1 all_users)
if(NOT all_users STREQUAL "1")
  fail("ALLUSERS is \"${all_users}\", not 1: the package does not install per machine")
endif()

# Components: well-formed GUIDs, none shared, none the other architecture's;
# 64-bit ones, and a 64-bit registry view, in the x64 package only.
column(Component 1 guids)
string(REPLACE "," ";" other_guids "${OTHER_GUIDS}")
set(seen "")
string(REPEAT "[0-9A-F]" 4 four)  # CMake's expressions count no repeats
set(well_formed "^{${four}${four}-${four}-${four}-${four}-${four}${four}${four}}$")
foreach(guid IN LISTS guids)
  if(NOT guid MATCHES "${well_formed}")
    fail("The component GUID ${guid} is not well-formed")
  endif()
  string(REGEX REPLACE "[{}]" "" bare "${guid}")
  if(guid IN_LIST seen)
    fail("Two components share the GUID ${guid}")
  elseif(bare IN_LIST other_guids)
    fail("The component GUID ${guid} is the other architecture's too")
  endif()
  list(APPEND seen ${guid})
endforeach()
if(ARCH STREQUAL "x64")
  set(bit 1)
else()
  set(bit 0)
endif()
foreach(row IN LISTS Component)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 component)
  list(GET fields 3 value)
  math(EXPR is_64 "(${value} >> 8) & 1")
  if(NOT is_64 EQUAL bit AND NOT component STREQUAL "NsisEntry32")
    fail("The component ${component} has the attributes ${value}: 64-bit should be ${bit}")
  endif()
endforeach()
# Every registry search in the package's own view, and, for what the 32-bit
# setup or the x86 package wrote, in the 32-bit view too (the policy key is
# one key in both).
foreach(row IN LISTS RegLocator)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 signature)
  list(GET fields 4 value)
  math(EXPR is_64 "(${value} >> 4) & 1")  # msidbLocatorType64bit
  if(signature MATCHES "32$")
    set(view_bit 0)
  else()
    set(view_bit ${bit})
  endif()
  if(NOT is_64 EQUAL view_bit)
    fail("The registry search ${signature} has the type ${value}: its 64-bit view should be ${view_bit}")
  endif()
endforeach()
foreach(signature RememberedPlan RememberedFolder NsisFolder)
  field(RegLocator ${signature}32 4 type)
  if(type STREQUAL "")
    fail("The package does not search the 32-bit registry view for ${signature}")
  endif()
endforeach()

# Programs carry their version and languages, and no hash, which Windows
# Installer allows for unversioned files only.
column(MsiFileHash 0 hashed)
string(REPEAT "[.][0-9]+" 3 three_more)
foreach(row IN LISTS File)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 file)
  list(GET fields 4 file_version)
  list(GET fields 5 languages)
  if(file MATCHES "[.](exe|dll)$" AND NOT "${file_version} ${languages}" MATCHES
                                          "^[0-9]+${three_more} [0-9]+(,[0-9]+)*$")
    fail("The program ${file} has the version \"${file_version}\", languages \"${languages}\"")
  elseif(file IN_LIST hashed AND NOT file_version STREQUAL "")
    fail("The versioned file ${file} has a hash")
  endif()
endforeach()

# Names of files and folders: short, or short|long (ICE03).
set(char "[A-Za-z0-9_~!#$%&'()@^-]")
string(REPEAT "${char}?" 7 up_to_seven)
set(short "${char}${up_to_seven}([.]${char}${char}?${char}?)?")
column(File 2 names)
column(Directory 2 folders)
foreach(name IN LISTS names folders)
  if(NOT name MATCHES "^(${short}([|][^|]+)?|[.]|SourceDir)$")
    fail("The name \"${name}\" is neither short nor short|long")
  endif()
endforeach()

# The files, and the work file a killed rewrite leaves, removed on uninstall.
column(File 2 files)
list(TRANSFORM files REPLACE "^[^|]*[|]" "")
foreach(name PlanChoice.exe planset.exe kelvarin.cmp)
  if(NOT name IN_LIST files)
    fail("The package does not install ${name}")
  endif()
endforeach()
field(RemoveFile ProfileBackup 2 backup)
if(NOT backup STREQUAL "kelvarin.bak")
  fail("The package does not remove INSTALLDIR\\kelvarin.bak, the profile's backup, on uninstall")
endif()
field(RemoveFile WorkFile 2 removed)
field(RemoveFile WorkFile 3 folder)
field(RemoveFile WorkFile 4 mode)
if(NOT removed STREQUAL "kelvarin.tmp" OR NOT folder STREQUAL "INSTALLDIR" OR NOT mode MATCHES "^[23]$")
  fail("The package does not remove INSTALLDIR\\kelvarin.tmp on uninstall")
endif()

# The install folder made with Program Files' protection, inheriting nothing
# (a protected DACL) and letting no one but SYSTEM and the administrators
# change it. The SDDL's ";" reads as "," here.
field(CreateFolder INSTALLDIR 1 folder_component)
set(protection "")
foreach(row IN LISTS MsiLockPermissionsEx)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 1 object)
  list(GET fields 2 lock_table)
  list(GET fields 3 sddl)
  if(object STREQUAL "INSTALLDIR" AND lock_table STREQUAL "CreateFolder")
    set(protection "${sddl}")
  endif()
endforeach()
string(REGEX MATCHALL "\\(A,[^,]*,[^,]*,,,[^)]*\\)" aces "${protection}")
set(grants_others FALSE)
foreach(ace IN LISTS aces)
  if(NOT ace MATCHES ",,,(SY|BA)\\)$" AND NOT ace MATCHES "^\\(A,[A-Z]*,0x1200a9,")
    set(grants_others TRUE)
  endif()
endforeach()
if(folder_component STREQUAL "" OR NOT protection MATCHES "^D:PAI?\\(" OR grants_others)
  fail("INSTALLDIR is not made with Program Files' protection: \"${protection}\"")
endif()

execute_process(COMMAND ${MSIINFO} suminfo ${PACKAGE} OUTPUT_VARIABLE summary)
if(ARCH STREQUAL "x64")
  set(template "x64;1033")
else()
  set(template "Intel;1033")
endif()
if(NOT summary MATCHES "Template: ${template}\n")
  fail("The summary's template is not ${template}:\n${summary}")
endif()
# MsiLockPermissionsEx, which protects the install folder, is read by Windows
# Installer 5 and ignored by 4.5 ("Securing Resources").
if(NOT summary MATCHES "\nVersion: ([0-9]+)" OR CMAKE_MATCH_1 LESS 500)
  fail("The package asks for Windows Installer ${CMAKE_MATCH_1}, which would install it without the folder's protection: 500 at least")
endif()
if(NOT summary MATCHES "Revision number \\(UUID\\): {[0-9A-F-]+}\n" OR
   summary MATCHES "{00000000-0000-0000-0000-000000000000}")
  fail("The summary carries no package code of its own:\n${summary}")
endif()

# The package too is signed exactly when the build signs.
execute_process(COMMAND ${MSIINFO} streams ${PACKAGE} OUTPUT_VARIABLE streams)
string(ASCII 5 reserved)  # the first character of the names Windows reserves for itself
string(FIND "${streams}" "${reserved}DigitalSignature\n" signature_stream)
if(NOT signature_stream EQUAL -1 AND NOT SIGNED)
  fail("The package carries a signature, though this build signs nothing")
elseif(signature_stream EQUAL -1 AND SIGNED)
  fail("The package carries no signature, though this build signs it")
endif()

if(failures)
  message(FATAL_ERROR "${PACKAGE}:${failures}")
endif()
list(LENGTH actions action_count)
list(LENGTH guids component_count)
message(STATUS "${PACKAGE}: ${action_count} custom actions, ${component_count} components; tables check")
