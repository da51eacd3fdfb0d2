; Setup for the Kelvarin dial-up connection: installs the connection profile
; kelvarin.cmp with PlanChoice.exe and planset.exe, then has the profile's
; dial-in number set for the user's plan.
;
;   kelvarin-setup.exe                        the user picks the plan in PlanChoice's window
;   kelvarin-setup.exe /S                     the same, without the installer's own pages
;   kelvarin-setup.exe /S /PLAN="Sorvel 25"   unattended: planset sets the plan, no window
;
; /D=C:\Some\Folder, last and without quotes, installs elsewhere.
; Exit code: 0 installed (with a plan, or without one because the user said
; so); 2 the installation failed, and the log on its last page says why.
;
; Build it with the programs of one build, 32- or 64-bit (the defaults are
; the 32-bit installer, from files beside this script):
;   makensis -DTARGET=x86-unicode -DPROGRAMS=<folder of PlanChoice.exe and planset.exe>
;            -DPROFILE=<kelvarin.cmp> -DOUTFILE=<kelvarin-setup.exe> kelvarin.nsi
; TARGET=amd64-unicode makes a 64-bit installer, for the 64-bit programs.
; -DSIGN_COMMAND=<program> has the installer and its uninstaller signed:
; makensis runs the program on the uninstaller before packing it and on the
; finished installer, with the file's path as its one argument, and fails
; unless it ends with 0.

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
!ifndef OUTFILE
  !define OUTFILE kelvarin-setup.exe
!endif

Unicode true
Target ${TARGET}

!include FileFunc.nsh
!include LogicLib.nsh

Name "Kelvarin Online"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\Kelvarin Setup"
!else
  InstallDir "$PROGRAMFILES\Kelvarin Setup"
!endif
RequestExecutionLevel admin
ShowInstDetails show

Page directory
Page instfiles

; The plan given as /PLAN=<label>, for unattended installs.
Var Plan

Section
  SetOutPath $INSTDIR
  File "${PROFILE}"
  File "${PROGRAMS}\PlanChoice.exe"
  File "${PROGRAMS}\planset.exe"

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PLAN=" $Plan
  ${If} ${Errors}
    Call ChoosePlanInWindow
  ${Else}
    Call SetPlanUnattended
  ${EndIf}
SectionEnd

; PlanChoice.exe shows its window even in a silent install: only the user
; knows the plan they registered for. Its exit code says what happened.
Function ChoosePlanInWindow
  choose:
  DetailPrint "Asking for the plan"
  ClearErrors
  ExecWait '"$INSTDIR\PlanChoice.exe" "$INSTDIR"' $0
  ${If} ${Errors}
    Abort "PlanChoice.exe could not be started."
  ${EndIf}

  ${Switch} $0
    ${Case} 0  ; the profile carries the chosen plan's number
      DetailPrint "The plan's dial-in number is set."
      ${Break}
    ${Case} 1  ; the user closed the window; nothing was changed
      ; A silent install cannot ask, and finishes without a plan.
      MessageBox MB_YESNO|MB_ICONQUESTION \
        "No plan was chosen, so the connection cannot dial in yet.$\n$\nChoose your plan now?" \
        /SD IDNO IDYES choose
      DetailPrint 'No plan was chosen. To choose one later, run "$INSTDIR\PlanChoice.exe" "$INSTDIR".'
      ${Break}
    ; For 3 and 4 PlanChoice.exe has shown the error; a silent install
    ; cannot ask, and fails.
    ${Case} 3  ; the profile could not be saved and is as it was
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "The dial-in number could not be saved in $INSTDIR\kelvarin.cmp.$\n$\nTry again?" \
        /SD IDCANCEL IDRETRY choose
      Abort "The dial-in number could not be saved."
    ${Case} 4  ; the profile holds the number, but it may not be on disk yet
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "The dial-in number is in $INSTDIR\kelvarin.cmp, but Windows could not confirm that it is on disk.$\n$\nTry again?" \
        /SD IDCANCEL IDRETRY choose
      Abort "The dial-in number may not be on disk."
    ${Default}  ; 5 (no window could be made), or it did not end by itself: report it and fail
      MessageBox MB_OK|MB_ICONSTOP "PlanChoice.exe ended unexpectedly (exit code $0)." /SD IDOK
      Abort "PlanChoice.exe ended unexpectedly (exit code $0)."
  ${EndSwitch}
FunctionEnd

; planset.exe sets the plan with no window; what it prints goes to the log.
; $INSTDIR never ends in "\" (the installer trims it and refuses a drive's
; root), which would make the closing quote part of planset's argument.
Function SetPlanUnattended
  DetailPrint 'Setting the plan "$Plan"'
  nsExec::ExecToLog '"$INSTDIR\planset.exe" "$INSTDIR" "$Plan"'
  Pop $0  ; planset's exit code, or "error" when it could not be started
  ${If} $0 != 0
    Abort "planset.exe could not set the plan (exit code $0)."
  ${EndIf}
  DetailPrint "The plan's dial-in number is set."
FunctionEnd
