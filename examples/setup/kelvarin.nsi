; Setup for the Kelvarin dial-up connection: installs its profile, PlanChoice.exe and
; planset.exe with an uninstaller, then has the plan set. Options, exit codes, log and
; build: docs/deploying.md. planset answers what is the product's to decide.

!ifdef SIGN_COMMAND
  !uninstfinalize '"${SIGN_COMMAND}" "%1"' = 0
  !finalize '"${SIGN_COMMAND}" "%1"' = 0
!endif
Unicode true
Target ${TARGET}
!ifdef PLUGINS
  !addplugindir /${TARGET} "${PLUGINS}"
!endif
!include FileFunc.nsh
!include LogicLib.nsh
!include TextFunc.nsh
!include "${EXIT_CODES}"
!include "${IDENTITY}"

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\${INSTALL_FOLDER}"
  !define REGISTRY_VIEW 64
  !define SECURITY_ATTRIBUTES "i 24, i 0, p R2, i 0, i 0"  ; as the system lays it out
!else
  InstallDir "$PROGRAMFILES\${INSTALL_FOLDER}"
  !define REGISTRY_VIEW 32
  !define SECURITY_ATTRIBUTES "i 12, p R2, i 0"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"  ; where a reinstall goes
RequestExecutionLevel admin
!insertmacro VERSION_INFORMATION "${PRODUCT_NAME} setup and uninstaller" kelvarin-setup.exe
!pragma warning disable 9100
ShowInstDetails show
ManifestDPIAware true  ; drawn at the screen's DPI, with themed controls
XPStyle on
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!define EXIT_INSTALLED 0
!define EXIT_CANCELLED 1602
!define EXIT_FAILED 1603
!define EXIT_ALREADY_RUNNING 1618
!define EXIT_BAD_COMMAND_LINE 1639
!define /math LONGEST_COMMAND_LINE ${NSIS_MAX_STRLEN} - 1
Var CommandLine    ; as the system handed it over: $CMDLINE has lost /D= and _?=
Var LogFile
Var LogHandle
Var Planset        ; planset.exe
Var PlansetExit    ; its exit code, or "error" when it could not be started
Var Said           ; the file of what it printed, read with ${ReadSaid}
Var Unseen         ; 1 where nobody can see a window of this setup
Var Plan           ; the plan to set, as planset names it, or empty
Var InstalledPlan  ; the plan whose number the profile in $INSTDIR carries, or empty
; Calls the installer's or the uninstaller's `function` with `argument`.
!macro Call function argument
  Push `${argument}`
  !ifdef __UNINSTALL__
    Call un.${function}
  !else
    Call ${function}
  !endif
!macroend
!define Log "!insertmacro Call WriteLog"
!define Fail "!insertmacro Call Fail"
!define RunPlanset "!insertmacro Call RunPlanset"
; Ends the run before anything was changed, with `code` and why.
!macro End code text
  Push ${code}
  !insertmacro Call End `${text}`
!macroend
; ReadSaid: the next line planset printed, or "" after the last. LogSaid logs those left.
!define ReadSaid "!insertmacro ReadSaid"
!macro ReadSaid var
  FileReadUTF16LE $Said ${var}
  ${TrimNewLines} ${var} ${var}
!macroend
!macro LogSaid
  ${Do}
    ${ReadSaid} $R0
    ${IfThen} $R0 == "" ${|} ${ExitDo} ${|}
    ${Log} "planset: $R0"
  ${Loop}
!macroend
!macro SHARED_FUNCTIONS UN PROGRAM WORK ON_FAILED ON_ABORT
; A line for the pages and the log, in UTF-16 with a byte order mark (any viewer reads it).
Function ${UN}WriteLog
  Exch $R9
  DetailPrint $R9
  FileOpen $LogHandle $LogFile a
  FileSeek $LogHandle 0 END
  FileWriteUTF16LE /BOM $LogHandle "$R9$\r$\n"
  FileClose $LogHandle
  Pop $R9
FunctionEnd
; Runs planset with the arguments on the stack, with no console window.
Function ${UN}RunPlanset
  Exch $R9
  FileClose $Said
  Delete "$PLUGINSDIR\planset.txt"
  nsExec::Exec '"$Planset" "--output=$PLUGINSDIR\planset.txt" $R9'
  Pop $PlansetExit
  FileOpen $Said "$PLUGINSDIR\planset.txt" r
  Pop $R9
FunctionEnd
; Logs why and the exit code, shows why where somebody can see it, and quits.
Function ${UN}End
  Pop $R9
  Pop $R8
  ${Log} $R9
  ${Log} "Exit code $R8; nothing was changed."
  MessageBox MB_OK|MB_ICONSTOP $R9 /SD IDOK
  SetErrorLevel $R8
  Quit
FunctionEnd
; Starts the log. Where nobody can see a window, nothing may wait for an answer.
Function ${UN}Begin
  System::Call 'kernel32::GetCommandLineW() t .R0'
  StrCpy $CommandLine $R0
  ${GetTime} "" "L" $R0 $R1 $R2 $R3 $R4 $R5 $R6
  ${Log} "${PRODUCT_NAME} ${PROGRAM} ${VERSION}, $R2-$R1-$R0 $R4:$R5:$R6, started as: $CommandLine"
  ${RunPlanset} --user-can-see
  ${If} $PlansetExit == ${PLANCHOICE_NO_USER_CAN_SEE}
    StrCpy $Unseen 1
    ${IfNot} ${Silent}
      SetSilent silent
      !insertmacro End ${EXIT_FAILED} "No user can see a window here (a service, say), so the ${PROGRAM} cannot show its pages: run it with /S."
    ${EndIf}
  ${EndIf}
FunctionEnd
; One run of this setup or its uninstaller at a time, in any session. Its lock is
; the administrators' own; planset says whether one that has the name is.
Function ${UN}RefuseSecondRun
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${SETUP_LOCK_PROTECTION}", i 1, *p .R2, p 0)'
  System::Call '*(${SECURITY_ATTRIBUTES}) p .R3'
  System::Call 'kernel32::CreateMutexW(p R3, i 0, w "${SETUP_MUTEX}") p .R0 ?e'
  Pop $R1
  System::Free $R3
  ${If} $R0 = 0
  ${OrIf} $R1 = 183  ; ERROR_ALREADY_EXISTS
    ${RunPlanset} --setup-running
    ${If} $PlansetExit != ${PLANCHOICE_CLOSED}  ; 1: what has the name is no run
      !insertmacro End ${EXIT_ALREADY_RUNNING} "Another run of the ${PRODUCT_NAME} setup or uninstaller is under way; try again once it has ended."
    ${EndIf}
    !insertmacro LogSaid
    ${Log} "Going on without the lock."
  ${EndIf}
FunctionEnd
; Fails the run from its section: logs why, and stops (the pages say so too).
Function ${UN}Fail
  Exch $R9
  ${Log} $R9
  Abort $R9
FunctionEnd
Function ${ON_FAILED}
  ${Log} "Exit code ${EXIT_FAILED}: the ${WORK} failed."
  SetErrorLevel ${EXIT_FAILED}
FunctionEnd
Function ${ON_ABORT}
  ${Log} "Exit code ${EXIT_CANCELLED}: the user cancelled the ${WORK}."
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS "" setup installation .onInstFailed .onUserAbort
!insertmacro SHARED_FUNCTIONS "un." uninstaller uninstallation un.onUninstFailed un.onUserAbort
; Runs planset, logs what it printed, and fails with `failure` unless it ends with 0.
!macro PlansetMust arguments failure
  ${RunPlanset} `${arguments}`
  !insertmacro LogSaid
  ${IfThen} $PlansetExit != 0 ${|} ${Fail} "${failure} (planset exit code $PlansetExit)." ${|}
!macroend
; A file into the install folder: one that cannot be written fails the installation.
!macro InstallFile source name
  ClearErrors
  File "/oname=$INSTDIR\${name}" "${source}"
  ${IfThen} ${Errors} ${|} ${Fail} "Could not write $INSTDIR\${name}; is it in use? Close the program that holds it and run the setup again." ${|}
!macroend
; Sets InstalledPlan to the plan whose number the profile in $INSTDIR carries, or empty.
Function FindInstalledPlan
  ${RunPlanset} '--which -- "$INSTDIR"'
  ${ReadSaid} $InstalledPlan
  ${If} $PlansetExit == ${PLANCHOICE_SHARED_NUMBER}
    ${Log} 'The number of "$InstalledPlan" is shared by plans that the profile cannot tell apart:'
    !insertmacro LogSaid
  ${ElseIf} $PlansetExit != ${PLANCHOICE_SUCCESS}
    StrCpy $InstalledPlan ""
  ${EndIf}
FunctionEnd

Function .onInit
  SetErrorLevel ${EXIT_FAILED}  ; until the installation is complete
  InitPluginsDir
  StrCpy $Planset "$PLUGINSDIR\planset.exe"
  File "/oname=$Planset" "${PROGRAMS}\planset.exe"
  ; planset reads the command line whole; NSIS would miss a quoted /S and a bad /D=.
  System::Call 'kernel32::GetCommandLineW() t .R0'
  FileOpen $0 "$PLUGINSDIR\command-line.txt" w
  FileWriteUTF16LE /BOM $0 $R0
  FileClose $0
  ${RunPlanset} '--setup-command-line "$PLUGINSDIR\command-line.txt"'
  StrCpy $0 $PlansetExit
  ${ReadSaid} $Plan
  ${ReadSaid} $1  ; the folder
  ${ReadSaid} $LogFile  ; empty where not given, or where it cannot be written
  ${ReadSaid} $3  ; "/S"
  ${ReadSaid} $4  ; why the command line is refused
  ${IfThen} $1 != "" ${|} StrCpy $INSTDIR $1 ${|}
  ${IfThen} $3 == "/S" ${|} SetSilent silent ${|}
  ${IfThen} $LogFile == "" ${|} StrCpy $LogFile "$TEMP\kelvarin-setup.log" ${|}
  Call Begin
  StrLen $1 $CommandLine
  ${If} $1 >= ${LONGEST_COMMAND_LINE}  ; then it did not reach planset whole
    StrCpy $4 "The command line is longer than ${LONGEST_COMMAND_LINE} characters."
  ${EndIf}
  ${If} $4 != ""
    !insertmacro End ${EXIT_BAD_COMMAND_LINE} $4
  ${ElseIf} $0 != ${PLANCHOICE_SUCCESS}
    !insertmacro End ${EXIT_FAILED} "planset.exe could not read the command line (exit code $0)."
  ${EndIf}
  Call RefuseSecondRun
  ; Over the package's installation this setup would make a second product of the same files.
  SetRegView 64
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "InstallDir"
  SetRegView 32
  ${IfThen} $0 == "" ${|} ReadRegStr $0 HKLM "${PRODUCT_KEY}" "InstallDir" ${|}
  SetRegView default
  ${If} $0 != ""
    !insertmacro End ${EXIT_FAILED} "${PRODUCT_NAME} is installed in $0 by its Windows Installer package (.msi). Change that installation with msiexec (msiexec /i <package>.msi PLAN=$\"<plan>$\"), or remove the package first (msiexec /x <package>.msi) and run this setup again."
  ${EndIf}
FunctionEnd

Section
  ${Log} "Installing into $INSTDIR"
  ; Without a plan given, the one the installed profile carries is kept.
  ${If} $Plan != ""
    ${Log} 'The plan to set: "$Plan"'
  ${Else}
    Call FindInstalledPlan
    StrCpy $Plan $InstalledPlan
    ${IfThen} $Plan != "" ${|} ${Log} "The profile in $INSTDIR carries the number of $\"$InstalledPlan$\"; it is kept." ${|}
  ${EndIf}
  ${If} $Plan == ""
  ${AndIf} $Unseen == 1
    ${Fail} "No user can see a window here (a service, say), so PlanChoice cannot ask for the plan: give it with /PLAN=."
  ${EndIf}
  ; Made with Program Files' protection, or refused where others could change it.
  !insertmacro PlansetMust '--install-folder -- "$INSTDIR"' "The folder $INSTDIR is not safe to install into"
  ClearErrors
  SetOutPath $INSTDIR
  ${IfThen} ${Errors} ${|} ${Fail} "Could not make the folder $INSTDIR." ${|}
  !insertmacro InstallFile "${PROGRAMS}\PlanChoice.exe" PlanChoice.exe
  !insertmacro InstallFile "${PROGRAMS}\planset.exe" planset.exe
  ; Run quietly, the uninstaller runs in place (_?=): its caller waits for its exit code.
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetRegView ${REGISTRY_VIEW}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${IfThen} ${Errors} ${|} ${Fail} "Could not register the uninstaller in $INSTDIR\uninstall.exe." ${|}
  ; planset puts the shipped profile, with the plan's number, in the installed
  ; one's place in one step (a folder without one is given the shipped one first).
  ${IfNot} ${FileExists} "$INSTDIR\${PROFILE_NAME}"
    !insertmacro InstallFile "${PROFILE}" ${PROFILE_NAME}
  ${EndIf}
  File "/oname=$PLUGINSDIR\${PROFILE_NAME}" "${PROFILE}"
  StrCpy $R1 ""
  ${IfThen} $Plan != "" ${|} StrCpy $R1 " $\"$Plan$\"" ${|}
  !insertmacro PlansetMust '--install-profile -- "$PLUGINSDIR\${PROFILE_NAME}" "$INSTDIR"$R1' "planset could not install the profile in $INSTDIR"
  ${IfThen} $Plan == "" ${|} Call ChoosePlanInWindow ${|}  ; sets Plan to the plan chosen
  ${If} $Plan == ""
    ${Log} "Exit code ${EXIT_CANCELLED}: installed, but no plan was chosen."
    SetErrorLevel ${EXIT_CANCELLED}
  ${Else}
    ${Log} "Exit code ${EXIT_INSTALLED}: installed, and the plan's dial-in number is set."
    SetErrorLevel ${EXIT_INSTALLED}
  ${EndIf}
SectionEnd

; PlanChoice.exe asks the user for the plan. Where it has shown an error, a silent
; install cannot ask again, and fails.
Function ChoosePlanInWindow
  choose:
  ${Log} "Asking for the plan in PlanChoice's window"
  ClearErrors
  ExecWait '"$INSTDIR\PlanChoice.exe" "$INSTDIR"' $0
  ${IfThen} ${Errors} ${|} ${Fail} "PlanChoice.exe could not be started." ${|}
  ${Log} "PlanChoice.exe ended with exit code $0."
  ${Switch} $0
    ${Case} ${PLANCHOICE_SUCCESS}  ; checked, as a killed program may end with 0 too
      Call FindInstalledPlan
      ${If} $InstalledPlan == ""
        ${Fail} "PlanChoice.exe ended with 0, but the profile in $INSTDIR carries no plan's number."
      ${EndIf}
      ${Log} 'The profile carries the dial-in number of "$InstalledPlan".'
      StrCpy $Plan $InstalledPlan
      ${Break}
    ${Case} ${PLANCHOICE_CLOSED}  ; nothing was changed
      MessageBox MB_YESNO|MB_ICONQUESTION "No plan was chosen, so the connection cannot dial in yet.$\n$\nChoose your plan now?" /SD IDNO IDYES choose
      ${Log} 'No plan was chosen. To choose one later, run this setup again, which asks for it, or run "$INSTDIR\PlanChoice.exe" "$INSTDIR" from a command prompt run as administrator.'
      ${Break}
    ${Case} ${PLANCHOICE_FAILED}
    ${Case} ${PLANCHOICE_NOT_YET_ON_DISK}
    ${Case} ${PLANCHOICE_ANOTHER_REWRITE}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "The dial-in number may not be saved in $INSTDIR\${PROFILE_NAME}; PlanChoice has said why.$\n$\nTry again?" /SD IDCANCEL IDRETRY choose
      ${Fail} "The dial-in number may not be saved (PlanChoice.exe exit code $0)."
    ${Case} ${PLANCHOICE_NO_USER_CAN_SEE}
      ${Fail} "No user can see PlanChoice's window here; give the plan with /PLAN=."
    ${Default}  ; no window could be made, or it did not end by itself
      MessageBox MB_OK|MB_ICONSTOP "PlanChoice.exe ended unexpectedly (exit code $0)." /SD IDOK
      ${Fail} "PlanChoice.exe ended unexpectedly (exit code $0)."
  ${EndSwitch}
FunctionEnd
; The uninstaller removes what the installer put there, and a killed rewrite's work
; file. Run in place (_?=), it leaves itself and the folder to the next restart.
Function un.onInit
  SetErrorLevel ${EXIT_FAILED}
  ${GetOptions} $CMDLINE "/LOG=" $LogFile
  ${IfThen} $LogFile == "" ${|} StrCpy $LogFile "$TEMP\kelvarin-setup.log" ${|}
  InitPluginsDir
  StrCpy $Planset "$INSTDIR\planset.exe"
  Call un.Begin
  Call un.RefuseSecondRun
FunctionEnd

!macro RemoveFile name
  Delete "$INSTDIR\${name}"
  ${IfThen} ${FileExists} "$INSTDIR\${name}" ${|} ${Fail} "Could not remove $INSTDIR\${name}; is it in use? Close the program that holds it and uninstall again." ${|}
!macroend
Section Uninstall
  ${Log} "Removing ${PRODUCT_NAME} from $INSTDIR"
  !insertmacro RemoveFile ${PROFILE_NAME}
  !insertmacro RemoveFile ${WORK_NAME}
  !insertmacro RemoveFile PlanChoice.exe
  !insertmacro RemoveFile planset.exe
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK $INSTDIR
  SetRegView ${REGISTRY_VIEW}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Log} "Exit code ${EXIT_INSTALLED}: uninstalled."
  SetErrorLevel ${EXIT_INSTALLED}
SectionEnd
