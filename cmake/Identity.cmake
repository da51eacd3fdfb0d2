# The product's identity, in one place: the installers, the package and the
# programs' version resources take it from here, the NSIS script through a
# generated identity.nsh and the C++ code through generated/identity.h.
#
# The name and publisher are what Add/Remove Programs shows, whichever
# installer was used; the folder is the default one under Program Files.
set(PLANCHOICE_PRODUCT_NAME "Kelvarin Setup")
set(PLANCHOICE_PUBLISHER "Kelvarin")
set(PLANCHOICE_FOLDER "Kelvarin Setup")
# Registry keys under HKLM. The package remembers its plan and folder under
# the product's key; Group Policy sets the plan under the policy key. The NSIS
# setup's uninstall entry keeps the name its first versions gave it, so that
# a newer setup, and the package, find an installation made by one of them.
set(PLANCHOICE_PRODUCT_KEY "SOFTWARE\\Kelvarin\\PlanChoice")
set(PLANCHOICE_POLICY_KEY "SOFTWARE\\Policies\\Kelvarin\\PlanChoice")
set(PLANCHOICE_NSIS_UNINSTALL_KEY
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvarin Online")
# The connection profile that the programs rewrite, in the install folder;
# the work file that becomes the new one; the copy of the old one that the
# package keeps until its installation is committed.
set(PLANCHOICE_PROFILE_NAME "kelvarin.cmp")
set(PLANCHOICE_WORK_NAME "kelvarin.tmp")
set(PLANCHOICE_BACKUP_NAME "kelvarin.bak")
# The programs' title: the caption of PlanChoice's window and of its messages,
# and the description of the programs' files and signatures.
set(PLANCHOICE_PROGRAM_TITLE "Kelvarin Plan Choice")
# One run of the NSIS setup or its uninstaller at a time; named as before, so
# that a newer setup waits for an older one too.
set(PLANCHOICE_SETUP_MUTEX "Global\\Kelvarin Online Setup")
# The lock's owner and permissions: the administrators own it, which no other
# user can make them, and only they and the system may open it (SDDL).
set(PLANCHOICE_SETUP_LOCK_PROTECTION "O:BAD:(A;;GA;;;SY)(A;;GA;;;BA)")

# What an install folder that either installer makes outside Program Files
# is given instead of what it would inherit: Program Files' protection, full
# control for SYSTEM and the administrators, read and run for users (SDDL).
set(PLANCHOICE_FOLDER_PROTECTION "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)")

# The folder's 8.3 name, which the package's Directory table wants beside
# the long one: its first six letters and digits, in capitals, and "~1".
string(REGEX REPLACE "[^A-Za-z0-9]" "" short "${PLANCHOICE_FOLDER}")
string(SUBSTRING "${short}" 0 6 short)
string(TOUPPER "${short}~1" PLANCHOICE_FOLDER_SHORT)
unset(short)

configure_file(${PROJECT_SOURCE_DIR}/src/identity.h.in ${PROJECT_BINARY_DIR}/generated/identity.h
               @ONLY)

# Writes `file`, an NSIS header that !defines the identity and the version
# for the example installer (VERSION_4_PARTS is the version as a version
# resource gives it, 1.2.3.0), and the macro that gives the installer its
# version information.
function(planchoice_identity_nsis_header file)
  set(text "; Made by the build from cmake/Identity.cmake: the product's identity.\n")
  foreach(pair "PRODUCT_NAME|${PLANCHOICE_PRODUCT_NAME}" "PUBLISHER|${PLANCHOICE_PUBLISHER}"
               "INSTALL_FOLDER|${PLANCHOICE_FOLDER}" "PRODUCT_KEY|${PLANCHOICE_PRODUCT_KEY}"
               "UNINSTALL_KEY|${PLANCHOICE_NSIS_UNINSTALL_KEY}"
               "SETUP_MUTEX|${PLANCHOICE_SETUP_MUTEX}"
               "SETUP_LOCK_PROTECTION|${PLANCHOICE_SETUP_LOCK_PROTECTION}"
               "PROFILE_NAME|${PLANCHOICE_PROFILE_NAME}"
               "WORK_NAME|${PLANCHOICE_WORK_NAME}" "VERSION|${PROJECT_VERSION}"
               "VERSION_4_PARTS|${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
    # Split at the first bar: a value may hold semicolons (SDDL).
    string(FIND "${pair}" "|" bar)
    string(SUBSTRING "${pair}" 0 ${bar} name)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${pair}" ${bar} -1 value)
    string(APPEND text "!define ${name} \"${value}\"\n")
  endforeach()
  # What Explorer, WDAC and AppLocker read, as in the programs' version
  # resources (src/program.rc.in): no LegalCopyright.
  string(APPEND text "!macro VERSION_INFORMATION description file\n"
         "  VIProductVersion \${VERSION_4_PARTS}\n  VIFileVersion \${VERSION_4_PARTS}\n"
         "  VIAddVersionKey ProductName \"\${PRODUCT_NAME}\"\n"
         "  VIAddVersionKey CompanyName \"\${PUBLISHER}\"\n"
         "  VIAddVersionKey FileDescription \"\${description}\"\n"
         "  VIAddVersionKey FileVersion \"\${VERSION}\"\n"
         "  VIAddVersionKey ProductVersion \"\${VERSION}\"\n"
         "  VIAddVersionKey OriginalFilename \"\${file}\"\n!macroend\n")
  file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()
