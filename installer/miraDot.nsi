; The miraDot installer: builds miraDot-Setup-<VERSION>.exe from the staged
; install folder.
;   makensis -DVERSION=0.1.5 -DFILE_VERSION=0.1.5.0 -DSTAGE=<stage>/miraDot -DICON=<miraDot.ico> -DOUTFILE=<out>.exe miraDot.nsi
; With -DSIGN_COMMAND=<command>, <command> <file> signs the uninstaller it writes,
; and -DUNINSTALLER_COPY=<file> keeps a copy of the signed one for checking.
; Parameters: /S silent; /NOKEYBOARD an update (the keyboard is not added to
; the user's input list again); /DOWNGRADE allows a silent install of an older
; version over a newer one; /RUNSETTINGS starts the settings program when done
; (the settings program's own update, which closes itself to be replaced).
; Exit codes: see EXIT_* below and the README.
Target amd64-unicode
Unicode true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"
!include "WordFunc.nsh"

!ifndef VERSION | FILE_VERSION | STAGE | OUTFILE | ICON
  !error "define VERSION, FILE_VERSION (four parts), STAGE, ICON and OUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\miraDot"
; The text service's class and its Vietnamese profile.
!define TIP "0x042A:{70FDEC8F-FE33-4D80-984A-F26DB7E72AD2}{E582B685-6F11-4BCE-ADBD-A90D41163D6A}"
; The settings dialog's caption, as the program itself sets it.
!searchparse /file "${__FILEDIR__}/../settings/dialog/resource.h" '#define SETTINGS_CAPTION "' SETTINGS_CAPTION '"'
!define SHORTCUT "$SMPROGRAMS\miraDot.lnk"
; Files still held by a running program move here and go at the next start.
!define ASIDE "$INSTDIR\~old"
!define QUIT_WAIT_TENTHS 150

!define EXIT_FILES 3      ; the files could not all be put in place
!define EXIT_REGISTER 4   ; the text service could not be registered
!define EXIT_ENTRY 5      ; the shortcut or the uninstall entry could not be written
!define EXIT_KEYBOARD 6   ; everything is in place but the keyboard is not in the input list
!define EXIT_OLDER 7      ; a newer version is installed; nothing was changed

!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
!endif
!ifdef UNINSTALLER_COPY
  !uninstfinalize 'cp "%1" "${UNINSTALLER_COPY}"' = 0
!endif

Name "miraDot"
Caption "Cài đặt miraDot ${VERSION}"
UninstallCaption "Gỡ miraDot"
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
BrandingText "miraDot ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "Cài đặt miraDot ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "miraDot là bộ gõ tiếng Việt: gõ Telex hoặc VNI, tự nhận từ tiếng Anh, sửa chính tả và nói thành chữ.$\r$\n$\r$\nNếu miraDot đang chạy, các chương trình của nó sẽ được đóng lại trong lúc cài.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "miraDot đã sẵn sàng"
!define MUI_FINISHPAGE_TEXT "Bấm Win+Space để chọn bàn phím miraDot (Tiếng Việt), rồi gõ như thường. Ctrl+Shift+Space bật, tắt tiếng Việt.$\r$\n$\r$\nCài đặt miraDot nằm trong menu Start, mục miraDot."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Mở Cài đặt miraDot"
!define MUI_FINISHPAGE_RUN_FUNCTION open_settings
!insertmacro MUI_PAGE_FINISH

!define MUI_WELCOMEPAGE_TITLE "Gỡ miraDot"
!define MUI_WELCOMEPAGE_TEXT "Bộ gõ miraDot sẽ được gỡ khỏi máy. Các chương trình của nó đang chạy sẽ được đóng lại.$\r$\n$\r$\nDữ liệu đã học, các mô hình đã tải và cài đặt của bạn được giữ lại, trừ khi bạn chọn xoá chúng.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_UNPAGE_WELCOME
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Đã gỡ miraDot"
!define MUI_FINISHPAGE_TEXT "miraDot đã được gỡ khỏi máy."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "Vietnamese"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_VIETNAMESE} "ProductName" "miraDot"
VIAddVersionKey /LANG=${LANG_VIETNAMESE} "FileDescription" "Cài đặt miraDot"
VIAddVersionKey /LANG=${LANG_VIETNAMESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_VIETNAMESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_VIETNAMESE} "CompanyName" "miraDot"
VIAddVersionKey /LANG=${LANG_VIETNAMESE} "LegalCopyright" "miraDot"

Var NoKeyboard
Var Downgrade
Var RunSettings
Var Result
Var HeldFiles  ; counted by the file walks below

; Asks the running programs of this installation to quit and waits until
; their files can be replaced, for at most 15 seconds: the settings dialogs
; through their window, the voice helper and the translation service through
; their pipes. Whatever still holds its file is dealt with by the caller.
!macro STOP_RUNNING_PROGRAMS un
Function ${un}stop_running_programs
  StrCpy $1 0
  ${Do}
    FindWindow $0 "#32770" "${SETTINGS_CAPTION}" "" $1
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ; A dialog that is busy stays; look past it.
    IsWindow $0 0 +2
    StrCpy $1 $0
  ${Loop}
  ${If} ${FileExists} "$INSTDIR\miraDot-Voice.exe"
    ExecWait '"$INSTDIR\miraDot-Voice.exe" --quit'
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\miraDot-Settings.exe"
    ExecWait '"$INSTDIR\miraDot-Settings.exe" --mt-quit'
  ${EndIf}
  StrCpy $2 0
  ${Do}
    StrCpy $HeldFiles 0
    ${Locate} "$INSTDIR" "/L=F /M=*.*" ${un}count_held_file
    ${If} $HeldFiles == 0
    ${OrIf} $2 >= ${QUIT_WAIT_TENTHS}
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $2 $2 + 1
  ${Loop}
FunctionEnd

; Counts a program file ($R9) that cannot be opened for writing.
Function ${un}count_held_file
  StrCpy $R0 $R9 "" -4
  ${If} $R0 == ".exe"
  ${OrIf} $R0 == ".dll"
    ClearErrors
    FileOpen $R1 $R9 a
    ${If} ${Errors}
      IntOp $HeldFiles $HeldFiles + 1
    ${Else}
      FileClose $R1
    ${EndIf}
  ${EndIf}
  Push 0
FunctionEnd
!macroend
!insertmacro STOP_RUNNING_PROGRAMS ""
!insertmacro STOP_RUNNING_PROGRAMS "un."

; A program file still held by a running program (a text service DLL loaded
; by applications, a program that did not quit in time) cannot be
; overwritten, but it can be renamed: it moves aside, keeps serving, and goes
; at the next start.
; Counts the files it could not move.
Function move_held_file_aside
  StrLen $R2 "${ASIDE}"
  StrCpy $R3 $R9 $R2
  ${If} $R3 == "${ASIDE}"
    Push 0
    Return
  ${EndIf}
  ClearErrors
  FileOpen $R1 $R9 a
  ${IfNot} ${Errors}
    FileClose $R1
    Push 0
    Return
  ${EndIf}
  CreateDirectory "${ASIDE}"
  GetTempFileName $R4 "${ASIDE}"
  Delete $R4
  ClearErrors
  Rename $R9 $R4
  ${If} ${Errors}
    IntOp $HeldFiles $HeldFiles + 1
  ${EndIf}
  Delete /REBOOTOK $R4
  Push 0
FunctionEnd

; The result code, and the reason in words when someone is watching.
!macro FAIL code text
  StrCpy $Result ${code}
  MessageBox MB_ICONSTOP|MB_OK "${text}" /SD IDOK
  Call finish
  Abort
!macroend

Function .onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOKEYBOARD" $1
  ${If} ${Errors}
    StrCpy $NoKeyboard 0
  ${Else}
    StrCpy $NoKeyboard 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/DOWNGRADE" $1
  ${If} ${Errors}
    StrCpy $Downgrade 0
  ${Else}
    StrCpy $Downgrade 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/RUNSETTINGS" $1
  ${If} ${Errors}
    StrCpy $RunSettings 0
  ${Else}
    StrCpy $RunSettings 1
  ${EndIf}
  StrCpy $Result 0

  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $1 != ""
  ${AndIf} $Downgrade == 0
    ${VersionCompare} "${VERSION}" $1 $2
    ${If} $2 == 2
      ${If} ${Silent}
        StrCpy $Result ${EXIT_OLDER}
        Call finish
        Quit
      ${EndIf}
      MessageBox MB_ICONEXCLAMATION|MB_YESNO|MB_DEFBUTTON2 "Máy đã có miraDot $1, mới hơn bản ${VERSION} này.$\r$\nVẫn cài bản cũ hơn?" IDYES older_accepted
      StrCpy $Result ${EXIT_OLDER}
      Call finish
      Quit
      older_accepted:
    ${EndIf}
  ${EndIf}
FunctionEnd

; Sets the exit code; the settings program's own update gets its program
; back in every case, told how the update went.
Function finish
  SetErrorLevel $Result
  ${If} $RunSettings == 1
  ${AndIf} ${FileExists} "$INSTDIR\miraDot-Settings.exe"
    Exec '"$INSTDIR\miraDot-Settings.exe" --update-result $Result'
  ${EndIf}
FunctionEnd

; The finish page's box.
Function open_settings
  Exec '"$INSTDIR\miraDot-Settings.exe"'
FunctionEnd

Section "miraDot"
  SetOverwrite on
  SetShellVarContext all
  CreateDirectory "$INSTDIR"
  Call stop_running_programs
  RMDir /r "${ASIDE}"
  StrCpy $HeldFiles 0
  ${Locate} "$INSTDIR" "/L=F /M=*.*" move_held_file_aside
  ${If} $HeldFiles != 0
    !insertmacro FAIL ${EXIT_FILES} "Không thay được tệp của miraDot đang chạy. Hãy khởi động lại máy rồi cài lại."
  ${EndIf}

  ClearErrors
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro FAIL ${EXIT_FILES} "Không chép được các tệp của miraDot vào $INSTDIR. Bản cũ (nếu có) vẫn được giữ trong danh sách chương trình."
  ${EndIf}

  ; Only now that every new file is in place do the registration and the
  ; uninstall entry change.
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\tsf\miradot_tsf.dll"' $0
  ${If} $0 != 0
    !insertmacro FAIL ${EXIT_REGISTER} "Không đăng ký được bộ gõ miraDot với Windows (mã $0)."
  ${EndIf}

  ClearErrors
  CreateShortcut "${SHORTCUT}" "$INSTDIR\miraDot-Settings.exe" "" "$INSTDIR\miraDot-Settings.exe" 0
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
    !insertmacro FAIL ${EXIT_ENTRY} "Không ghi được lối tắt hoặc mục miraDot trong danh sách chương trình đã cài."
  ${EndIf}

  ; A first install adds the keyboard to the user's input list; an update
  ; leaves the user's choice as it is.
  ${If} $NoKeyboard == 0
    System::Call 'input::InstallLayoutOrTip(w "${TIP}", i 0) i .r1'
    ${If} $1 != 1
      StrCpy $Result ${EXIT_KEYBOARD}
      MessageBox MB_ICONEXCLAMATION|MB_OK "miraDot đã được cài, nhưng chưa thêm được vào danh sách bàn phím.$\r$\nHãy thêm bằng tay: Cài đặt Windows > Thời gian và ngôn ngữ > Ngôn ngữ > Tiếng Việt > Bàn phím > miraDot." /SD IDOK
    ${EndIf}
  ${EndIf}
  Call finish
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Removes what the installer put there. The user's data stays unless the
; user asks for it to go too: the learned data in the roaming profile, the
; downloaded models and the translation runtime, and the settings key.
Section "Uninstall"
  SetShellVarContext all
  Call un.stop_running_programs
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\tsf\miradot_tsf.dll"'
  Delete "${SHORTCUT}"
  ; A file still held goes at the next start.
  Delete /REBOOTOK "$INSTDIR\miraDot-Settings.exe"
  Delete /REBOOTOK "$INSTDIR\miraDot-Voice.exe"
  RMDir /r "$INSTDIR\data"
  RMDir /r /REBOOTOK "$INSTDIR\voice"
  RMDir /r "$INSTDIR\mt"
  RMDir /r /REBOOTOK "$INSTDIR\tsf"
  RMDir /r /REBOOTOK "${ASIDE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  MessageBox MB_ICONQUESTION|MB_YESNO|MB_DEFBUTTON2 "Xoá cả dữ liệu của bạn?$\r$\nDữ liệu đã học, giọng nói và bản dịch đã tải, cài đặt của miraDot." /SD IDNO IDNO keep_user_data
  SetShellVarContext current
  RMDir /r "$APPDATA\miraDot"
  RMDir /r "$LOCALAPPDATA\miraDot"
  DeleteRegKey HKCU "Software\miraDot"
  keep_user_data:
SectionEnd
