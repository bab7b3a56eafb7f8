; The miraDot installer: builds miraDot-Setup-<VERSION>.exe from the staged
; install folder.
;   makensis -DVERSION=0.1.5 -DSTAGE=<stage>/miraDot -DOUTFILE=<out>.exe miraDot.nsi
; With -DSIGN_COMMAND=<command>, <command> <file> signs the uninstaller it writes,
; and -DUNINSTALLER_COPY=<file> keeps a copy of the signed one for checking.
; Parameters: /S silent; /NOKEYBOARD an update (the keyboard is not added to
; the user's input list again). Exit code 0 only when everything is in place.
Target amd64-unicode
Unicode true

!include "FileFunc.nsh"
!include "LogicLib.nsh"

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\miraDot"
; The text service's class and its Vietnamese profile.
!define TIP "0x042A:{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}{E582B685-6F11-4BCE-ADBD-A90D41163D6A}"

!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
!endif
!ifdef UNINSTALLER_COPY
  !uninstfinalize 'cp "%1" "${UNINSTALLER_COPY}"' = 0
!endif

Name "miraDot ${VERSION}"
Caption "Cài đặt miraDot ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\miraDot"
RequestExecutionLevel admin
!ifdef QUICK_COMPRESSION
  SetCompressor zlib  ; test builds
!else
  SetCompressor /SOLID lzma
!endif
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var NoKeyboard

Function .onInit
  SetRegView 64
  StrCpy $NoKeyboard 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOKEYBOARD" $1
  ${IfNot} ${Errors}
    StrCpy $NoKeyboard 1
  ${EndIf}
FunctionEnd

Function fail
  SetErrorLevel 3
  Abort
FunctionEnd

Section "miraDot"
  SetOverwrite try
  ; A text service DLL loaded by running applications cannot be overwritten,
  ; but it can be renamed: it moves aside, keeps serving them, and goes at the
  ; next start.
  ${If} ${FileExists} "$INSTDIR\tsf\miradot_tsf.dll"
    GetTempFileName $0 "$INSTDIR\tsf"
    Delete $0
    ClearErrors
    Rename "$INSTDIR\tsf\miradot_tsf.dll" $0
    ${If} ${Errors}
      Call fail
    ${EndIf}
    Delete /REBOOTOK $0
  ${EndIf}

  ClearErrors
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    Call fail
  ${EndIf}

  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\tsf\miradot_tsf.dll"' $0
  ${If} $0 != 0
    Call fail
  ${EndIf}

  ; A first install adds the keyboard to the user's input list; an update
  ; leaves the user's choice as it is.
  ${If} $NoKeyboard == 0
    System::Call 'input::InstallLayoutOrTip(w "${TIP}", i 0) i .r1'
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "miraDot - bộ gõ tiếng Việt"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "miraDot"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\miraDot-Settings.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  ${If} ${Errors}
    Call fail
  ${EndIf}
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Removes what the installer put there and nothing else: the learned data in
; the roaming profile and the downloaded models stay.
Section "Uninstall"
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\tsf\miradot_tsf.dll"'
  Delete "$INSTDIR\miraDot-Settings.exe"
  Delete "$INSTDIR\miraDot-Voice.exe"
  RMDir /r "$INSTDIR\data"
  RMDir /r "$INSTDIR\voice"
  RMDir /r "$INSTDIR\mt"
  ; A DLL still loaded goes at the next start.
  RMDir /r /REBOOTOK "$INSTDIR\tsf"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
