# Makes one Windows Installer package, the same bytes from the same inputs
# wherever and whenever it is made:
#   cmake -DWIXL=wixl -DMSIBUILD=msibuild -DMSIINFO=msiinfo -DFAKETIME=faketime
#         -DWINDRES=windres -DWXS=kelvarin.wxs -DSTAGE=dir -DFILES=a|b|... -DARCH=x64|x86
#         -DTITLE=text -DPUBLISHER=text -DNSIS_UNINSTALL_KEY=key -DNAMESPACE=guid
#         -DOTHER_UPGRADE_CODE=guid -DFOLDER_PROTECTION=sddl -DWORK_NAME=name -DBACKUP_NAME=name
#         -DOUTPUT=file.msi [-DSIGN=signer] -P make_msi.cmake
# Any word wixl or msibuild prints fails the build: wixl warns of what it
# leaves out and still writes a package. SIGN, when given, is run on the
# finished package (cmake/Signing.cmake).

cmake_minimum_required(VERSION 3.25)

# The package's summary times and its cabinet's file times: the time every
# file of the release zip has too. The summary is written in local time.
set(fixed_time "1980-01-01 00:00:00")
set(fixed_epoch 315532800)

function(run)
  # Parsed so that an argument holding ";" stays one argument.
  cmake_parse_arguments(PARSE_ARGV 0 run "" "" "")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${FAKETIME} -f "${fixed_time}"
                          ${run_UNPARSED_ARGUMENTS}
                  WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result OUTPUT_VARIABLE printed
                  ERROR_VARIABLE printed)
  if(NOT result EQUAL 0 OR NOT printed STREQUAL "")
    list(JOIN run_UNPARSED_ARGUMENTS " " command)
    message(FATAL_ERROR "${command} (in ${STAGE}) exited with ${result} and printed:\n${printed}")
  endif()
endfunction()

# The rows of a table of the package, each a list of its fields.
function(read_table table variable)
  execute_process(COMMAND ${MSIINFO} export package.msi ${table} WORKING_DIRECTORY "${STAGE}"
                  OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo could not read the table ${table} of the package in ${STAGE}.")
  endif()
  string(REGEX REPLACE "\r?\n$" "" text "${text}")
  string(REGEX REPLACE "\r?\n" ";" rows "${text}")
  list(REMOVE_AT rows 0 1 2)  # column names, column types, table name and keys
  set(${variable} "${rows}" PARENT_SCOPE)
endfunction()

# The file version and languages in the version resource of the program
# `file` (for the File table: "1.2.3.4" and "1033,1031"); the build fails
# when it has none, as Windows Installer would take it for a data file.
function(program_version file version_variable language_variable)
  execute_process(COMMAND ${WINDRES} -i "${file}" -O rc OUTPUT_VARIABLE resources
                  ERROR_VARIABLE problem RESULT_VARIABLE result)
  string(REGEX MATCH "\n *FILEVERSION ([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+)" found
               "${resources}")
  if(NOT found)
    string(STRIP "${problem}" problem)
    message(FATAL_ERROR "${file} has no version resource (${problem}), so the package would "
                        "install it as an unversioned file.")
  endif()
  set(${version_variable} "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}"
      PARENT_SCOPE)
  # VALUE "Translation", 0x409, 1200[, language, code page]...
  if(NOT resources MATCHES "VALUE \"Translation\",([^\n]*)")
    message(FATAL_ERROR "The version resource of ${file} names no language.")
  endif()
  string(REPLACE "," ";" pairs "${CMAKE_MATCH_1}")
  set(languages "")
  set(is_language TRUE)
  foreach(value IN LISTS pairs)
    if(is_language)
      string(STRIP "${value}" value)
      math(EXPR value "${value}" OUTPUT_FORMAT DECIMAL)
      list(APPEND languages ${value})
      set(is_language FALSE)
    else()
      set(is_language TRUE)
    endif()
  endforeach()
  list(JOIN languages "," languages)
  set(${language_variable} "${languages}" PARENT_SCOPE)
endfunction()

# wixl takes its sources by relative paths only.
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
string(REPLACE "|" ";" files "${FILES}")
set(staged "")
foreach(file IN LISTS files WXS)
  file(COPY "${file}" DESTINATION "${STAGE}")
  get_filename_component(name "${file}" NAME)
  list(APPEND staged "${STAGE}/${name}")
endforeach()
execute_process(COMMAND touch -d @${fixed_epoch} ${staged} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not set the time of the files in ${STAGE}.")
endif()

# The product code is derived last, from the package as made (see below):
# until then the package carries a stand-in.
set(stand_in_code 00000000-0000-0000-0000-000000000001)
set(package "${STAGE}/package.msi")
get_filename_component(wxs_name "${WXS}" NAME)
run(${WIXL} -a ${ARCH} -D ProductCode=${stand_in_code} -o package.msi ${wxs_name})

# What wixl does not write: PLAN, INSTALLDIR and the upgrade properties
# secure, so that they reach the part of the installer that installs; the
# work file and the profile's backup removed with the profile; and, from an
# installation by the NSIS setup that the package takes over, its
# uninstaller and its uninstall entry (with all its values) removed as the
# package installs, in the script, which a rollback undoes. The entry is
# removed in the registry view of its component: the 32-bit setup's in the
# 32-bit view, the 64-bit setup's in the x64 package's own.
read_table(Property properties)
foreach(row IN LISTS properties)
  if(row MATCHES "^ProductVersion\t(.*)$")
    set(product_version "${CMAKE_MATCH_1}")
  endif()
endforeach()
set(secure PLAN INSTALLDIR WIX_DOWNGRADE_DETECTED WIX_UPGRADE_DETECTED OTHERARCHBLOCKS)
set(remove_registry "INSERT INTO `RemoveRegistry` (`RemoveRegistry`, `Root`, `Key`, `Name`, `Component_`) VALUES")
set(other_arch_rows "")
set(upgrade_row "INSERT INTO Upgrade (UpgradeCode, VersionMin, VersionMax, Language, Attributes, Remove, ActionProperty) VALUES")
# Upgrade.Attributes: msidbUpgradeAttributesMigrateFeatures 1,
# msidbUpgradeAttributesOnlyDetect 2, msidbUpgradeAttributesVersionMinInclusive
# 256, msidbUpgradeAttributesVersionMaxInclusive 512.
if(ARCH STREQUAL "x64")
  list(APPEND secure OTHERARCHUPGRADE)
  list(APPEND other_arch_rows
       -q "${remove_registry} ('NsisEntry64', 2, '${NSIS_UNINSTALL_KEY}', '-', 'RememberedFolder')"
       -q "${upgrade_row} ('{${OTHER_UPGRADE_CODE}}', '', '${product_version}', '', 513, '', 'OTHERARCHUPGRADE')"
       -q "${upgrade_row} ('{${OTHER_UPGRADE_CODE}}', '${product_version}', '', '', 2, '', 'OTHERARCHBLOCKS')")
else()
  list(APPEND other_arch_rows
       -q "${upgrade_row} ('{${OTHER_UPGRADE_CODE}}', '0.0.0', '', '', 258, '', 'OTHERARCHBLOCKS')")
endif()
list(JOIN secure ";" secure)
run(${MSIBUILD} package.msi
    -q "UPDATE Property SET Value='${secure}' WHERE Property='SecureCustomProperties'"
    -q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('WorkFile', 'Profile', '${WORK_NAME}', 'INSTALLDIR', 2)"
    -q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('ProfileBackup', 'Profile', '${BACKUP_NAME}', 'INSTALLDIR', 2)"
    -q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('NsisUninstaller', 'PlanChoiceProgram', 'UNINST~1.EXE|uninstall.exe', 'INSTALLDIR', 1)"
    -q "CREATE TABLE `RemoveRegistry` (`RemoveRegistry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, `Key` CHAR(255) NOT NULL LOCALIZABLE, `Name` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `RemoveRegistry`)"
    -q "${remove_registry} ('NsisEntry', 2, '${NSIS_UNINSTALL_KEY}', '-', 'NsisEntry32')"
    ${other_arch_rows})

# Nor the install folder's protection, in place of what it would inherit
# (MsiLockPermissionsEx, Windows Installer 5): where the folder is made
# outside Program Files, users could otherwise change what runs from it as
# SYSTEM. CheckInstallFolder refuses an existing folder that is not so.
run(${MSIBUILD} package.msi
    -q "CREATE TABLE `MsiLockPermissionsEx` (`MsiLockPermissionsEx` CHAR(72) NOT NULL, `LockObject` CHAR(72) NOT NULL, `Table` CHAR(32) NOT NULL, `SDDLText` CHAR(255) NOT NULL, `Condition` CHAR(255) PRIMARY KEY `MsiLockPermissionsEx`)"
    -q "INSERT INTO `MsiLockPermissionsEx` (`MsiLockPermissionsEx`, `LockObject`, `Table`, `SDDLText`) VALUES ('InstallFolder', 'INSTALLDIR', 'CreateFolder', '${FOLDER_PROTECTION}')")

# Nor the rollback and commit actions, which wixl writes as immediate ones:
# msidbCustomActionTypeInScript 1024 with msidbCustomActionTypeRollback 256
# or msidbCustomActionTypeCommit 512, as SYSTEM like SetPlan
# (msidbCustomActionTypeNoImpersonate 2048).
set(queries "")
read_table(CustomAction actions)
foreach(row IN LISTS actions)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 action)
  list(GET fields 1 type)
  if(action STREQUAL "RestoreProfile")
    math(EXPR type "${type} | 1024 | 256 | 2048")
  elseif(action STREQUAL "DropProfileBackup")
    math(EXPR type "${type} | 1024 | 512 | 2048")
  else()
    continue()
  endif()
  list(APPEND queries -q "UPDATE CustomAction SET Type=${type} WHERE Action='${action}'")
endforeach()

# Nor: the upgrade row taking in its own version too, so that a reissue
# replaces the build installed (the downgrade row keeps that version out);
# Attributes is part of the row's key, so the row is written again.
set(version_max_inclusive 512)
read_table(Upgrade upgrades)
foreach(row IN LISTS upgrades)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 6 property)
  if(property STREQUAL "WIX_UPGRADE_DETECTED")
    set(index 0)
    foreach(column code min max language attributes remove)
      list(GET fields ${index} ${column})
      math(EXPR index "${index} + 1")
    endforeach()
    math(EXPR attributes "${attributes} | ${version_max_inclusive}")
    list(APPEND queries -q "DELETE FROM Upgrade WHERE ActionProperty='${property}'"
         -q "INSERT INTO Upgrade (UpgradeCode, VersionMin, VersionMax, Language, Attributes, Remove, ActionProperty) VALUES ('${code}', '${min}', '${max}', '${language}', ${attributes}, '${remove}', '${property}')")
  endif()
endforeach()

# Nor each program's version and languages, which Windows Installer's file
# versioning rules go by, and no hash for it, which Windows Installer allows
# for unversioned files only: without them a program would count as a data
# file, and an upgrade would keep the installed, versioned copy, then remove
# it with the older product.
read_table(File installed)
foreach(row IN LISTS installed)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 key)
  list(GET fields 2 name)
  string(REGEX REPLACE "^[^|]*[|]" "" name "${name}")  # the long name of short|long
  file(READ "${STAGE}/${name}" magic LIMIT 2 HEX)
  if(magic STREQUAL "4d5a")  # "MZ": a Windows program or DLL
    program_version("${STAGE}/${name}" version languages)
    list(APPEND queries
         -q "UPDATE File SET Version='${version}', Language='${languages}' WHERE File='${key}'"
         -q "DELETE FROM MsiFileHash WHERE File_='${key}'")
  endif()
endforeach()
if(queries)
  run(${MSIBUILD} package.msi ${queries})
endif()

# The product code names everything the package is made from: the package
# as made so far holds every staged file, the source and every table edit,
# and the tools that made it are named beside it. So another build of a
# version with other contents is another product, which replaces the
# installed build as an upgrade does (the same product code with other
# contents, Windows refuses with 1638), while the same package run again
# repairs its own product. The package code then names these contents,
# under a code that is the same for every build.
if(ARCH STREQUAL "x64")
  set(template "x64;1033")
else()
  set(template "Intel;1033")
endif()
function(set_package_code code)
  run(${MSIBUILD} package.msi -s "${TITLE}" "${PUBLISHER}" "${template}" "{${code}}")
endfunction()
set_package_code(00000000-0000-0000-0000-000000000000)
execute_process(COMMAND ${WIXL} --version OUTPUT_VARIABLE tools OUTPUT_STRIP_TRAILING_WHITESPACE)
file(SHA256 "${package}" contents)
string(UUID product_code NAMESPACE ${NAMESPACE} NAME "ProductCode\n${contents}\nwixl ${tools}"
       TYPE SHA1 UPPER)
run(${MSIBUILD} package.msi -q "UPDATE Property SET Value='{${product_code}}' WHERE Property='ProductCode'")
set_package_code(00000000-0000-0000-0000-000000000000)
file(SHA256 "${package}" contents)
string(UUID package_code NAMESPACE ${NAMESPACE} NAME "${contents}" TYPE SHA1 UPPER)
set_package_code(${package_code})

# Signed last, once the package code is set: the signature covers the
# summary that holds it.
if(SIGN)
  execute_process(COMMAND "${SIGN}" "${package}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${SIGN} could not sign the package ${package}.")
  endif()
endif()
file(RENAME "${package}" "${OUTPUT}")
