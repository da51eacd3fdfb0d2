; Setup for the Kelvarin dial-up connection: installs the connection profile
; kelvarin.cmp with PlanChoice.exe and planset.exe, then has the profile's
; dial-in number set for the user's plan.
;
;   kelvarin-setup.exe                         the user picks the plan in PlanChoice's window
;   kelvarin-setup.exe /S                      the same, without the installer's own pages
;   kelvarin-setup.exe /S /PLAN="Sorvel 25"    unattended: planset sets the plan, no window
;   ... /LOG=C:\Logs\kelvarin.log              the log elsewhere than %TEMP%\kelvarin-setup.log
;   ... /D=C:\Some Folder                      installs elsewhere: last, and without quotes
;
; A reinstall without /D= goes to the folder installed before, and into a
; folder whose profile carries a plan's number sets that plan's number again
; without asking (a /PLAN= of another plan wins). planset decides what a
; plan is, which one the installed profile carries, and puts the new profile
; in the old one's place in one step. The command line
; is read whole before anything is installed, and what this setup cannot take
; as it was meant is refused. Exit codes, as Windows Installer defines them:
; 0 installed; 1602 the user cancelled, or closed PlanChoice's window and
; declined to choose again; 1603 the installation failed; 1618 another run
; of this setup is under way; 1639 the command line is invalid. The log says
; what was done and why it ended. Over an installation by the Windows
; Installer package it refuses with 1603, before changing anything: the
; package is changed with msiexec, or removed first.
;
; Build it with the programs of one build, 32- or 64-bit (the defaults are
; the 32-bit installer, from files beside this script):
;   makensis -DTARGET=x86-unicode -DPROGRAMS=<folder of PlanChoice.exe and planset.exe>
;            -DPROFILE=<kelvarin.cmp> -DOUTFILE=<kelvarin-setup.exe>
;            -DEXIT_CODES=<exit_codes.nsh> -DIDENTITY=<identity.nsh> kelvarin.nsi
; exit_codes.nsh, made by the build from the programs' table of exit codes,
; names each code as PLANCHOICE_<NAME>; identity.nsh, made from
; cmake/Identity.cmake, the product's name, publisher, folder, registry keys
; and version.
; TARGET=amd64-unicode makes a 64-bit installer, for the 64-bit programs.
; -DSIGN_COMMAND=<program> has the installer and its uninstaller signed:
; makensis runs the program on the uninstaller before packing it and on the
; finished installer, with the file's path as its one argument, and fails
; unless it ends with 0.
; -DPLUGINS=<folder> packs the NSIS plug-ins (System.dll) from that folder
; instead of makensis's own, so that a signed build ships signed copies.

!ifdef SIGN_COMMAND
  !uninstfinalize '"${SIGN_COMMAND}" "%1"' = 0
  !finalize '"${SIGN_COMMAND}" "%1"' = 0
!endif

!ifndef TARGET
  !define TARGET x86-unicode
!endif
!ifndef PROGRAMS
  !define PROGRAMS .
!endif
!ifndef PROFILE
  !define PROFILE kelvarin.cmp
!endif
!define SETUP_FILE kelvarin-setup.exe
!ifndef OUTFILE
  !define OUTFILE ${SETUP_FILE}
!endif
!ifndef EXIT_CODES
  !define EXIT_CODES exit_codes.nsh
!endif
!ifndef IDENTITY
  !define IDENTITY identity.nsh
!endif

Unicode true
Target ${TARGET}
!ifdef PLUGINS
  !addplugindir /${TARGET} "${PLUGINS}"
!endif

!include FileFunc.nsh
!include LogicLib.nsh
!include StrFunc.nsh
${StrLoc}  ; where a text first stands in another, letter case aside; empty when nowhere
!include "${EXIT_CODES}"
!include "${IDENTITY}"

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\${INSTALL_FOLDER}"
  !define POINTER_SIZE 8
  ; Structures are given to the system field by field, so the padding that
  ; aligns a pointer after a 32-bit field is written out.
  !define PAD "i 0,"
!else
  InstallDir "$PROGRAMFILES\${INSTALL_FOLDER}"
  !define POINTER_SIZE 4
  !define PAD ""
!endif
RequestExecutionLevel admin
; The version resource, which the uninstaller carries too (NSIS gives both
; the one resource): what Explorer shows, and what publisher and version
; rules of WDAC and AppLocker name.
VIProductVersion ${VERSION_4_PARTS}
VIFileVersion ${VERSION_4_PARTS}
VIAddVersionKey ProductName "${PRODUCT_NAME}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT_NAME} setup and uninstaller"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey OriginalFilename "${SETUP_FILE}"
; No LegalCopyright, which makensis warns of: the programs carry none either.
!pragma warning disable 9100
ShowInstDetails show
; Drawn by the system at the screen's DPI, with the themed controls.
ManifestDPIAware true
XPStyle on

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A reinstall without /D= goes where the last installation went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
!define PLAN_EXAMPLE '/PLAN=$\"Sorvel 25$\"'

!define EXIT_INSTALLED 0
!define EXIT_CANCELLED 1602
!define EXIT_FAILED 1603
!define EXIT_ALREADY_RUNNING 1618
!define EXIT_BAD_COMMAND_LINE 1639

Var CommandLine   ; as the system handed it over, whole
Var Refusal       ; why the command line cannot be taken; empty when it can
Var PlanGiven     ; 1 when /PLAN= was given
Var Plan          ; its plan, as given; once planset has checked it, as planset names it
Var LogOption     ; the file of /LOG=, or empty
Var LogFile       ; where the log goes
Var LogWritten    ; 1 once a line of the log reached the file
Var UserCanSee    ; 0 where nobody can see a window of this setup
Var PlansetExit   ; planset's exit code, or "error" when it could not be started
Var PlansetSaid   ; what planset printed, decoded from UTF-8
Var InstalledPlan ; a plan whose number the profile in $INSTDIR carries, or empty
Var InstalledPlans ; for the log: 'of "<plan>"', or 'shared by "<plan>" and "<plan>"'
Var Declined      ; 1 when the user chose no plan
Var FailureLogged ; 1 once the reason for a failure is in the log
Var WasSilent     ; 1 when the command line asked for a silent run
Var PlanToSet     ; the plan whose number planset sets, or empty
Var Text          ; text being split into lines, and what is left of it
Var Line          ; the line split off it
Var Quoted        ; a text as one argument of a command line

; ---------------------------------------------------------------------------
; What the installer and the uninstaller share, made once for each.

!macro SHARED_FUNCTIONS UN PROGRAM
; Adds a line to the log on the pages and to the log file: every step and
; the exit code, in UTF-16 with a byte order mark, which Notepad, PowerShell
; and log viewers read whatever the code page. Each run adds to the file, so
; that two runs at once both keep their lines.
Function ${UN}WriteLog
  Exch $R9
  Push $R8
  Push $R7
  DetailPrint $R9
  ClearErrors
  FileOpen $R8 $LogFile a
  ${IfNot} ${Errors}
    FileSeek $R8 0 END $R7
    ${If} $R7 = 0
      FileWriteWord $R8 0xFEFF
    ${EndIf}
    FileWriteUTF16LE $R8 "$R9$\r$\n"
    FileClose $R8
    StrCpy $LogWritten 1
  ${EndIf}
  Pop $R7
  Pop $R8
  Pop $R9
FunctionEnd

; Sets UserCanSee: 0 in a window station that is not interactive (a
; service's, or one a deployment tool made) and in session 0, where services
; run and no user signs in; 1 otherwise, and when the system cannot tell.
Function ${UN}FindWhetherUserCanSee
  StrCpy $UserCanSee 1
  System::Call 'kernel32::GetCurrentProcessId() i .R0'
  System::Call 'kernel32::ProcessIdToSessionId(i R0, *i .R1) i .R2'
  ${If} $R2 <> 0
  ${AndIf} $R1 = 0
    StrCpy $UserCanSee 0
    Return
  ${EndIf}
  System::Call 'user32::GetProcessWindowStation() p .R0'
  System::Call '*(i 0, i 0, i 0) p .R1'
  System::Call 'user32::GetUserObjectInformationW(p R0, i 1, p R1, i 12, *i 0) i .R2'
  System::Call '*$R1(i, i, i .R3)'
  System::Free $R1
  ${If} $R2 <> 0
    IntOp $UserCanSee $R3 & 1  ; WSF_VISIBLE
  ${EndIf}
FunctionEnd

; One run of this setup or its uninstaller at a time, in any session. The
; mutex is the system's to release when the process ends.
Function ${UN}RefuseSecondRun
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .R0 ?e'
  Pop $R1
  ${If} $R0 = 0
  ${OrIf} $R1 = 183  ; ERROR_ALREADY_EXISTS
    Push ${EXIT_ALREADY_RUNNING}
    Push "Another run of the ${PRODUCT_NAME} setup or uninstaller is under way; try again once it has ended."
    Call ${UN}End
  ${EndIf}
FunctionEnd

; Ends the run before anything was changed: logs the sentence and the exit
; code, shows the sentence where somebody can see it, and quits.
Function ${UN}End
  Pop $R9  ; the sentence
  Pop $R8  ; the exit code
  Push $R9
  Call ${UN}WriteLog
  Push "Exit code $R8; nothing was changed."
  Call ${UN}WriteLog
  ${IfNot} ${Silent}
    MessageBox MB_OK|MB_ICONSTOP $R9 /SD IDOK
  ${EndIf}
  SetErrorLevel $R8
  Quit
FunctionEnd

; Logs the start of a run: the program, its version, the time and the command line.
Function ${UN}LogStart
  ${GetTime} "" "L" $R0 $R1 $R2 $R3 $R4 $R5 $R6
  Push "${PRODUCT_NAME} ${PROGRAM} ${VERSION}, $R2-$R1-$R0 $R4:$R5:$R6, started as: $CommandLine"
  Call ${UN}WriteLog
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS "" setup
!insertmacro SHARED_FUNCTIONS "un." uninstaller

!define Log "!insertmacro Log"
!macro Log text
  Push `${text}`
  !ifdef __UNINSTALL__
    Call un.WriteLog
  !else
    Call WriteLog
  !endif
!macroend

; Fails the installation: logs why and the exit code, and stops.
Function Fail
  Exch $R9
  ${Log} $R9
  ${Log} "Exit code ${EXIT_FAILED}: the installation failed."
  StrCpy $FailureLogged 1
  SetErrorLevel ${EXIT_FAILED}
  Abort $R9
FunctionEnd
!macro Fail text
  Push `${text}`
  Call Fail
!macroend
!define Fail "!insertmacro Fail"

; ---------------------------------------------------------------------------
; Text

; Splits Text at its first line end ("\n", and a "\r" before it): Line
; is the first line, and Text what follows.
Function SplitFirstLine
  StrCpy $R0 0
  ${Do}
    StrCpy $R1 $Text 1 $R0
    ${If} $R1 == ""
    ${OrIf} $R1 == "$\n"
      ${ExitDo}
    ${EndIf}
    IntOp $R0 $R0 + 1
  ${Loop}
  StrCpy $Line $Text $R0
  IntOp $R0 $R0 + 1
  StrCpy $Text $Text "" $R0
  StrCpy $R1 $Line 1 -1
  ${If} $R1 == "$\r"
    StrCpy $Line $Line -1
  ${EndIf}
FunctionEnd

; Sets Quoted to the text on the stack in quotes, as one argument of a
; command line that the program's C runtime reads back as it was: a quote in
; it, and the backslashes before a quote or the end, are escaped.
Function QuoteArgument
  Exch $R0  ; what is left of the text
  Push $R1  ; its next character
  Push $R2  ; the backslashes before it
  StrCpy $Quoted '"'
  StrCpy $R2 ""
  ${Do}
    StrCpy $R1 $R0 1
    StrCpy $R0 $R0 "" 1
    ${If} $R1 == "\"
      StrCpy $R2 "$R2\"
      ${Continue}
    ${EndIf}
    ${If} $R1 == '"'
      StrCpy $R1 `\"`
      StrCpy $R2 "$R2$R2"
    ${ElseIf} $R1 == ""
      StrCpy $R2 "$R2$R2"
    ${EndIf}
    StrCpy $Quoted "$Quoted$R2$R1"
    StrCpy $R2 ""
  ${LoopUntil} $R1 == ""
  StrCpy $Quoted '$Quoted"'
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; ---------------------------------------------------------------------------
; planset, run with its output in a file of this run's own

; Runs planset.exe with the arguments on the stack (quoted as on a command
; line) and sets PlansetExit and PlansetSaid. planset writes UTF-8 when its
; output is not a console, which is decoded here as such; what it printed is
; kept up to the length of one string of this setup.
Function RunPlanset
  Exch $R9
  StrCpy $PlansetExit error
  StrCpy $PlansetSaid ""
  StrCpy $R8 "$PLUGINSDIR\planset.out"
  System::Call 'kernel32::CreateFileW(w R8, i 0xC0000000, i 3, p 0, i 2, i 0x100, p 0) p .R0'
  ${If} $R0 = -1
    Pop $R9
    Return
  ${EndIf}
  System::Call 'kernel32::SetHandleInformation(p R0, i 1, i 1)'  ; the child's to inherit
  ; STARTUPINFOW with STARTF_USESTDHANDLES: standard output and error into the file.
  System::Call '*(&l4, ${PAD} p 0, p 0, p 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0x100, &i2 0, &i2 0, ${PAD} p 0, p 0, p R0, p R0) p .R1'
  System::Call '*(p 0, p 0, i 0, i 0) p .R2'  ; PROCESS_INFORMATION
  StrCpy $R3 "$PLUGINSDIR\planset.exe"
  StrCpy $R4 '"$R3" $R9'
  ; CREATE_NO_WINDOW: no console window flashes up.
  System::Call 'kernel32::CreateProcessW(w R3, w R4, p 0, p 0, i 1, i 0x08000000, p 0, p 0, p R1, p R2) i .R5'
  ${If} $R5 <> 0
    System::Call '*$R2(p .R6, p .R7)'
    System::Call 'kernel32::WaitForSingleObject(p R6, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p R6, *i .R5)'
    StrCpy $PlansetExit $R5
    System::Call 'kernel32::CloseHandle(p R6)'
    System::Call 'kernel32::CloseHandle(p R7)'
  ${EndIf}
  System::Free $R1
  System::Free $R2

  ; Read into a zeroed buffer one byte longer, the output ends in a zero,
  ; which MultiByteToWideChar carries into the string it makes.
  System::Call 'kernel32::SetFilePointer(p R0, i 0, p 0, i 0)'
  System::Alloc 4096
  Pop $R1
  System::Call 'kernel32::ReadFile(p R0, p R1, i 4095, *i .R2, p 0)'
  System::Call 'kernel32::CloseHandle(p R0)'
  System::Call 'kernel32::MultiByteToWideChar(i 65001, i 0, p R1, i -1, w .R4, i ${NSIS_MAX_STRLEN})'
  StrCpy $PlansetSaid $R4
  System::Free $R1
  Delete $R8
  Pop $R9
FunctionEnd
!macro RunPlanset arguments
  Push `${arguments}`
  Call RunPlanset
!macroend
!define RunPlanset "!insertmacro RunPlanset"

; Logs each line that planset printed.
Function LogPlansetSaid
  StrCpy $Text $PlansetSaid
  ${DoWhile} $Text != ""
    Call SplitFirstLine
    ${If} $Line != ""
      ${Log} "planset: $Line"
    ${EndIf}
  ${Loop}
FunctionEnd

; Sets InstalledPlan to the plan whose number every "Phone0=" entry of the
; profile in $INSTDIR carries (the first, where plans share that number), and
; InstalledPlans to what the log says of it; both empty when it carries no
; plan's number, or there is no profile.
Function FindInstalledPlan
  StrCpy $InstalledPlan ""
  ${RunPlanset} '--which -- "$INSTDIR"'
  ${If} $PlansetExit == ${PLANCHOICE_SUCCESS}
  ${OrIf} $PlansetExit == ${PLANCHOICE_SHARED_NUMBER}
    StrCpy $Text $PlansetSaid
    Call SplitFirstLine  ; a plan a line
    StrCpy $InstalledPlan $Line
    StrCpy $InstalledPlans 'of "$Line"'
    ${If} $Text != ""
      StrCpy $InstalledPlans 'shared by "$Line"'
      ${DoWhile} $Text != ""
        Call SplitFirstLine
        StrCpy $InstalledPlans '$InstalledPlans and "$Line"'
      ${Loop}
    ${EndIf}
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; The command line

; Keeps the first reason for refusing the command line.
!macro Refuse text
  ${If} $Refusal == ""
    StrCpy $Refusal `${text}`
  ${EndIf}
!macroend
!define Refuse "!insertmacro Refuse"

; Takes one option of the command line, from the stack.
Function ReadOption
  Pop $R0
  StrCpy $R1 $R0 5
  StrCpy $R2 $R0 1 5
  StrCpy $R3 $R0 3
  ${If} $R0 S== "/S"
    SetSilent silent  ; given in quotes, which the installer itself would not take
  ${ElseIf} $R0 S== "/NCRC"
  ${ElseIf} $R1 == "/PLAN"
    ${If} $R2 == "="
      ${If} $PlanGiven == 1
        ${Refuse} "/PLAN= is given more than once; give it once."
      ${EndIf}
      StrCpy $PlanGiven 1
      StrCpy $Plan $R0 "" 6
    ${ElseIf} $R2 == ""
      ${Refuse} "/PLAN needs a plan after an equals sign, as in ${PLAN_EXAMPLE}."
    ${ElseIf} $R2 == ":"
      ${Refuse} "$R0 is not taken: write /PLAN= with an equals sign, as in ${PLAN_EXAMPLE}."
    ${Else}
      ${Refuse} "$R0 is not an option of this setup."
    ${EndIf}
  ${ElseIf} $R1 == "/LOG="
    ${If} $LogOption != ""
      ${Refuse} "/LOG= is given more than once; give it once."
    ${EndIf}
    StrCpy $LogOption $R0 "" 5
    ${If} $LogOption == ""
      ${Refuse} "/LOG= names no file; give one, as in /LOG=C:\Logs\kelvarin-setup.log."
    ${EndIf}
  ${ElseIf} $R3 == "/D="
    ${Refuse} "$R0 is not taken: /D= must come last, in capitals and without quotes, even when the folder has a blank, as in /D=C:\${INSTALL_FOLDER}."
  ${Else}
    ${Refuse} "$R0 is not an option of this setup. It takes /S, /PLAN=<plan>, /LOG=<file> and, last, /D=<folder>; /S and /D= in capitals."
  ${EndIf}
FunctionEnd

; Reads the command line whole, as the system handed it over: the installer
; itself finds /S and /PLAN= only unquoted, and silently puts a /D= it cannot
; use, or that is quoted or not last, in place of the default folder.
Function ReadCommandLine
  StrCpy $0 $CommandLine
  StrLen $1 $0
  IntOp $2 ${NSIS_MAX_STRLEN} - 1
  ${If} $1 >= $2
    ${Refuse} "The command line is longer than $2 characters."
  ${EndIf}
  ; The installer takes everything after " /D=", in capitals, as the folder.
  ${StrLoc} $3 $0 " /D=" ">"
  StrCpy $9 $0 4 $3
  ${IfThen} $9 S!= " /D=" ${|} StrCpy $3 "" ${|}
  ${If} $3 != ""
    StrCpy $4 $0 $3
    IntOp $3 $3 + 4
    StrCpy $5 $0 "" $3
  ${Else}
    StrCpy $4 $0
  ${EndIf}

  System::Call 'shell32::CommandLineToArgvW(w r4, *i .r6) p .r7'
  ${If} $7 = 0
    ${Refuse} "The command line cannot be read."
  ${EndIf}
  StrCpy $8 1  ; the program's own name is left out
  ${DoWhile} $8 < $6
    IntPtrOp $9 $8 * ${POINTER_SIZE}
    IntPtrOp $9 $7 + $9
    System::Call '*$9(w .r1)'  ; argv[$8]
    Push $1
    Call ReadOption
    IntOp $8 $8 + 1
  ${Loop}
  System::Call 'kernel32::LocalFree(p r7)'

  ${If} $3 != ""
    ${StrLoc} $6 $5 " /" ">"
    ${StrLoc} $7 $5 '"' ">"
    ; The installer trims blanks and backslashes at the end.
    StrCpy $8 $5
    ${Do}
      StrCpy $9 $8 1 -1
      ${If} $9 == " "
      ${OrIf} $9 == "\"
        StrCpy $8 $8 -1
      ${Else}
        ${ExitDo}
      ${EndIf}
    ${Loop}
    ${If} $6 != ""
      ${Refuse} "/D= must come last: everything after it is taken as the folder, here $\"$5$\"."
    ${ElseIf} $7 != ""
      ${Refuse} "/D= must not be in quotes, even when the folder has a blank, as in /D=C:\${INSTALL_FOLDER}."
    ${ElseIf} $8 S!= $INSTDIR
      ${Refuse} "/D=$5 is not a folder this setup can install into; it must be a full path with backslashes, such as C:\${INSTALL_FOLDER}, and not a drive's root."
    ${EndIf}
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; The installation

; The package remembers the folder it installed under the product's key, in
; its architecture's registry view. Over its installation this setup would
; make a second product of the same files, so it refuses.
Function RefuseOverPackage
  SetRegView 64
  ReadRegStr $R0 HKLM "${PRODUCT_KEY}" "InstallDir"
  ${If} $R0 == ""
    SetRegView 32
    ReadRegStr $R0 HKLM "${PRODUCT_KEY}" "InstallDir"
  ${EndIf}
  SetRegView default
  ${If} $R0 != ""
    Push ${EXIT_FAILED}
    Push "${PRODUCT_NAME} is installed in $R0 by its Windows Installer package (.msi). Change that installation with msiexec (msiexec /i <package>.msi PLAN=$\"<plan>$\"), or remove the package first (msiexec /x <package>.msi) and run this setup again."
    Call End
  ${EndIf}
FunctionEnd

; The command line as the system handed it over, whole.
!macro READ_COMMAND_LINE
  System::Call 'kernel32::GetCommandLineW() w .R0'
  StrCpy $CommandLine $R0
!macroend

Function .onInit
  SetErrorLevel ${EXIT_FAILED}  ; until the installation is complete
  !insertmacro READ_COMMAND_LINE
  StrCpy $WasSilent 0
  ${IfThen} ${Silent} ${|} StrCpy $WasSilent 1 ${|}
  Call FindWhetherUserCanSee
  ${If} $UserCanSee == 0
    SetSilent silent  ; no page or question may wait for an answer nobody can give
  ${EndIf}
  InitPluginsDir
  File "/oname=$PLUGINSDIR\planset.exe" "${PROGRAMS}\planset.exe"
  Call ReadCommandLine
  StrCpy $LogFile "$TEMP\kelvarin-setup.log"
  ${If} $LogOption != ""
    StrCpy $LogFile $LogOption
  ${EndIf}
  Call LogStart
  ${If} $LogWritten != 1
  ${AndIf} $LogOption != ""
    StrCpy $LogFile "$TEMP\kelvarin-setup.log"
    Call LogStart
    StrCpy $Refusal "The log file $LogOption cannot be written."
  ${EndIf}
  ${If} $Refusal != ""
    Push ${EXIT_BAD_COMMAND_LINE}
    Push $Refusal
    Call End
  ${EndIf}
  Call RefuseSecondRun
  Call RefuseOverPackage

  ; planset knows the plans, and names the one given as it takes it.
  ${If} $PlanGiven == 1
    Push $Plan
    Call QuoteArgument
    ${RunPlanset} '--check-plan -- $Quoted'
    StrCpy $Text $PlansetSaid
    Call SplitFirstLine
    ${If} $PlansetExit == ${PLANCHOICE_USAGE}
      Push ${EXIT_BAD_COMMAND_LINE}
      Push "/PLAN= is refused: $Line"
      Call End
    ${ElseIf} $PlansetExit != ${PLANCHOICE_SUCCESS}
      Push ${EXIT_FAILED}
      Push "planset.exe could not be run (exit code $PlansetExit)."
      Call End
    ${EndIf}
    StrCpy $Plan $Line
  ${EndIf}

  ${If} $UserCanSee == 0
    ${If} $WasSilent == 0
      Push ${EXIT_FAILED}
      Push "No user can see a window here (a service, say), so this setup cannot show its pages: run it with /S and ${PLAN_EXAMPLE}."
      Call End
    ${EndIf}
    ${If} $PlanGiven != 1
      Call FindInstalledPlan
      ${If} $InstalledPlan == ""
        Push ${EXIT_FAILED}
        Push "No user can see a window here (a service, say), so PlanChoice cannot ask for the plan: give it as ${PLAN_EXAMPLE}."
        Call End
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; A file of this setup into the install folder; one that cannot be written
; (a program in use, say) fails the installation.
!macro InstallFile source name
  ClearErrors
  File "/oname=$INSTDIR\${name}" "${source}"
  ${If} ${Errors}
    ${Fail} "Could not write $INSTDIR\${name}; is it in use? Close the program that holds it and run the setup again."
  ${EndIf}
!macroend

Section
  ${Log} "Installing into $INSTDIR"
  ; Which plan to set, found before the shipped profile takes the old one's place.
  StrCpy $PlanToSet $Plan
  ${If} $PlanGiven == 1
    ${Log} 'The plan to set: "$Plan"'
  ${Else}
    Call FindInstalledPlan
    StrCpy $PlanToSet $InstalledPlan
    ${If} $PlanToSet != ""
      ${Log} "The profile in $INSTDIR carries the number $InstalledPlans; it is kept."
    ${EndIf}
  ${EndIf}
  StrCpy $Declined 0

  ; The folder programs run from as an administrator: made with Program
  ; Files' protection, or refused where others could change it.
  ${RunPlanset} '--install-folder -- "$INSTDIR"'
  Call LogPlansetSaid
  ${If} $PlansetExit != ${PLANCHOICE_SUCCESS}
    ${Fail} "The folder $INSTDIR is not safe to install into (planset exit code $PlansetExit)."
  ${EndIf}
  ClearErrors
  SetOutPath $INSTDIR
  ${If} ${Errors}
    ${Fail} "Could not make the folder $INSTDIR."
  ${EndIf}
  !insertmacro InstallFile "${PROGRAMS}\PlanChoice.exe" PlanChoice.exe
  !insertmacro InstallFile "${PROGRAMS}\planset.exe" planset.exe
  Call RegisterUninstaller
  Call InstallProfile
  ${If} $PlanToSet == ""
    Call ChoosePlanInWindow
  ${EndIf}

  ${If} $Declined == 1
    ${Log} "Exit code ${EXIT_CANCELLED}: installed, but no plan was chosen."
    SetErrorLevel ${EXIT_CANCELLED}
  ${Else}
    ${Log} "Exit code ${EXIT_INSTALLED}: installed, and the plan's dial-in number is set."
    SetErrorLevel ${EXIT_INSTALLED}
  ${EndIf}
SectionEnd

; The installer aborted on its own, e.g. when the user chose Abort after a
; file could not be written.
Function .onInstFailed
  ${If} $FailureLogged != 1
    ${Log} "The installation was stopped; the log on the setup's last page says where."
    ${Log} "Exit code ${EXIT_FAILED}: the installation failed."
  ${EndIf}
  SetErrorLevel ${EXIT_FAILED}
FunctionEnd

Function .onUserAbort
  ${Log} "The user cancelled the setup."
  ${Log} "Exit code ${EXIT_CANCELLED}: cancelled."
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd

; The uninstaller, in Add/Remove Programs. Run quietly it runs in place
; (_?=), so that whoever started it waits for its exit code.
Function RegisterUninstaller
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !if ${TARGET} == amd64-unicode
    SetRegView 64
  !endif
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    ${Fail} "Could not register the uninstaller in $INSTDIR\uninstall.exe."
  ${EndIf}
FunctionEnd

; planset puts the shipped profile, with the number of PlanToSet or as it
; is shipped, in the installed one's place in one step: whatever fails, the
; profile in the folder is the old one or the new one, never a part of
; either. A folder without a profile is given the shipped one first.
Function InstallProfile
  ${IfNot} ${FileExists} "$INSTDIR\kelvarin.cmp"
    !insertmacro InstallFile "${PROFILE}" kelvarin.cmp
  ${EndIf}
  ClearErrors
  File "/oname=$PLUGINSDIR\kelvarin.cmp" "${PROFILE}"
  ${If} ${Errors}
    ${Fail} "Could not write $PLUGINSDIR\kelvarin.cmp."
  ${EndIf}
  StrCpy $R0 ""
  ${If} $PlanToSet != ""
    StrCpy $R0 ' "$PlanToSet"'
  ${EndIf}
  ${RunPlanset} '--install-profile -- "$PLUGINSDIR\kelvarin.cmp" "$INSTDIR"$R0'
  Call LogPlansetSaid
  ${If} $PlansetExit != ${PLANCHOICE_SUCCESS}
    ${Fail} "planset could not install the profile in $INSTDIR (exit code $PlansetExit)."
  ${EndIf}
  ${If} $PlanToSet != ""
    ${Log} "The plan's dial-in number is set."
  ${EndIf}
FunctionEnd

; PlanChoice.exe asks the user for the plan; its exit code says what happened.
Function ChoosePlanInWindow
  choose:
  ${Log} "Asking for the plan in PlanChoice's window"
  ClearErrors
  ExecWait '"$INSTDIR\PlanChoice.exe" "$INSTDIR"' $0
  ${If} ${Errors}
    ${Fail} "PlanChoice.exe could not be started."
  ${EndIf}
  ${Log} "PlanChoice.exe ended with exit code $0."

  ${Switch} $0
    ${Case} ${PLANCHOICE_SUCCESS}  ; checked, as a killed program may end with 0 too
      Call FindInstalledPlan
      ${If} $InstalledPlan == ""
        ${Fail} "PlanChoice.exe ended with 0, but the profile in $INSTDIR carries no plan's number."
      ${EndIf}
      ${Log} "The profile carries the dial-in number $InstalledPlans."
      ${Break}
    ${Case} ${PLANCHOICE_CLOSED}  ; nothing was changed. A silent install cannot ask.
      MessageBox MB_YESNO|MB_ICONQUESTION \
        "No plan was chosen, so the connection cannot dial in yet.$\n$\nChoose your plan now?" \
        /SD IDNO IDYES choose
      ${Log} 'No plan was chosen. To choose one later, run this setup again, which asks for it, or run "$INSTDIR\PlanChoice.exe" "$INSTDIR" from a command prompt run as administrator.'
      StrCpy $Declined 1
      ${Break}
    ; Here PlanChoice.exe has shown the error; a silent install cannot ask,
    ; and fails.
    ${Case} ${PLANCHOICE_FAILED}  ; the profile is as it was
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "The dial-in number could not be saved in $INSTDIR\kelvarin.cmp.$\n$\nTry again?" \
        /SD IDCANCEL IDRETRY choose
      ${Fail} "The dial-in number could not be saved."
    ${Case} ${PLANCHOICE_NOT_YET_ON_DISK}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "The dial-in number is in $INSTDIR\kelvarin.cmp, but Windows could not confirm that it is on disk.$\n$\nTry again?" \
        /SD IDCANCEL IDRETRY choose
      ${Fail} "The dial-in number may not be on disk."
    ${Case} ${PLANCHOICE_ANOTHER_REWRITE}  ; nothing was changed
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "Another program was changing $INSTDIR\kelvarin.cmp.$\n$\nTry again?" \
        /SD IDCANCEL IDRETRY choose
      ${Fail} "Another program was changing the profile; the dial-in number was not saved."
    ${Case} ${PLANCHOICE_NO_USER_CAN_SEE}
      ${Fail} "No user can see PlanChoice's window here; give the plan as ${PLAN_EXAMPLE}."
    ${Default}  ; no window could be made, or it did not end by itself
      MessageBox MB_OK|MB_ICONSTOP "PlanChoice.exe ended unexpectedly (exit code $0)." /SD IDOK
      ${Fail} "PlanChoice.exe ended unexpectedly (exit code $0)."
  ${EndSwitch}
FunctionEnd

; ---------------------------------------------------------------------------
; The uninstaller: removes what the installer put there, a work file left
; by a killed rewrite included. Run in place (_?=), it cannot remove itself
; while it runs: uninstall.exe and the emptied folder go at the next restart.

Function un.onInit
  SetErrorLevel ${EXIT_FAILED}
  !insertmacro READ_COMMAND_LINE
  StrCpy $LogFile "$TEMP\kelvarin-setup.log"
  ClearErrors
  ${GetOptions} $CMDLINE "/LOG=" $0
  ${IfNot} ${Errors}
    StrCpy $LogFile $0
  ${EndIf}
  Call un.LogStart
  Call un.FindWhetherUserCanSee
  ${If} $UserCanSee == 0
  ${AndIfNot} ${Silent}
    SetSilent silent
    Push ${EXIT_FAILED}
    Push "No user can see a window here (a service, say), so the uninstaller cannot show its pages: run it with /S."
    Call un.End
  ${EndIf}
  Call un.RefuseSecondRun
FunctionEnd

!macro RemoveFile name
  Delete "$INSTDIR\${name}"
  ${If} ${FileExists} "$INSTDIR\${name}"
    ${Log} "Could not remove $INSTDIR\${name}; is it in use? Close the program that holds it and uninstall again."
    ${Log} "Exit code ${EXIT_FAILED}: the uninstallation failed."
    StrCpy $FailureLogged 1
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}
!macroend

Section Uninstall
  ${Log} "Removing ${PRODUCT_NAME} from $INSTDIR"
  !insertmacro RemoveFile kelvarin.cmp
  !insertmacro RemoveFile kelvarin.tmp
  !insertmacro RemoveFile PlanChoice.exe
  !insertmacro RemoveFile planset.exe
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK $INSTDIR
  !if ${TARGET} == amd64-unicode
    SetRegView 64
  !endif
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Log} "Exit code ${EXIT_INSTALLED}: uninstalled."
  SetErrorLevel ${EXIT_INSTALLED}
SectionEnd

Function un.onUninstFailed
  ${If} $FailureLogged != 1
    ${Log} "Exit code ${EXIT_FAILED}: the uninstallation failed."
  ${EndIf}
  SetErrorLevel ${EXIT_FAILED}
FunctionEnd

Function un.onUserAbort
  ${Log} "Exit code ${EXIT_CANCELLED}: the user cancelled the uninstallation."
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd
