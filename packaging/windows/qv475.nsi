; The Windows installer: per user, no administrator rights, a Start-menu entry, an
; uninstaller, Japanese texts. makensis -INPUTCHARSET UTF8 -DVERSION=... -DSTAGE=... -DOUT=...
; -DFILES=... (the uninstaller's list: a Delete line for each file the installer writes and
; an RMDir line for each of its folders, deepest first). The uninstaller removes those and
; nothing else, so records and other files in the folder stay; the installer refuses a
; folder that holds files of anything but an earlier install.
; A 64-bit installer, as the program is (Wine here runs no 32-bit programs).
Target amd64-unicode
!include "MUI2.nsh"
!include "WinVer.nsh"

Name "QV-475簡易ソフト ${VERSION}"
OutFile "${OUT}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\QV475"
InstallDirRegKey HKCU "Software\QV475_XP" "InstallDir"
SetCompressor /SOLID lzma

!define MUI_ICON "${STAGE}\qv475.ico"
!define MUI_UNICON "${STAGE}\qv475.ico"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\qv475.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QV475_XP"

!define FOREIGN_FOLDER "このﾌｫﾙﾀﾞには他のﾌｧｲﾙがあります。空のﾌｫﾙﾀﾞか、新しいﾌｫﾙﾀﾞを選んでください。$\r$\n$INSTDIR"

; The program needs 64-bit Windows 10 or 11.
Function .onInit
  ${IfNot} ${AtLeastWin10}
    MessageBox MB_ICONEXCLAMATION "QV-475簡易ソフトは 64 ﾋﾞｯﾄ版の Windows 10 または 11 が必要です。" /SD IDOK
  ${EndIf}
FunctionEnd

; $0 = 1 when $INSTDIR holds anything but an earlier install of this program.
Function FolderIsForeign
  StrCpy $0 0
  IfFileExists "$INSTDIR\uninstall.exe" done
  FindFirst $1 $2 "$INSTDIR\*.*"
  loop:
    StrCmp $2 "" close
    StrCmp $2 "." next
    StrCmp $2 ".." next
    StrCpy $0 1
    Goto close
  next:
    FindNext $1 $2
    Goto loop
  close:
    FindClose $1
  done:
FunctionEnd

Function CheckFolder
  Call FolderIsForeign
  ${If} $0 == 1
    MessageBox MB_ICONSTOP "${FOREIGN_FOLDER}"
    Abort
  ${EndIf}
FunctionEnd

Section "QV-475簡易ソフト" SecProgram
  SectionIn RO
  ; A silent install is refused the same way, with exit code 2.
  Call FolderIsForeign
  ${If} $0 == 1
    MessageBox MB_ICONSTOP "${FOREIGN_FOLDER}" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The program starts in the user's Documents, where the file dialog then opens and a
  ; bare file name goes: never in the program's folder.
  SetOutPath "$DOCUMENTS"
  CreateShortcut "$SMPROGRAMS\QV-475簡易ソフト.lnk" "$INSTDIR\qv475.exe"
  CreateShortcut "$SMPROGRAMS\QV-475簡易ソフト 利用の手引き.lnk" "$INSTDIR\manual.html"
  WriteRegStr HKCU "Software\QV475_XP" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "QV-475簡易ソフト"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qv475.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Logging starts again after Windows restarts (an update at night, a power cut): the
; program at logon, connecting and logging from the first frame.
Section "ログオン時に起動して記録を開始" SecStartup
  SetOutPath "$DOCUMENTS"
  CreateShortcut "$SMSTARTUP\QV-475簡易ソフト.lnk" "$INSTDIR\qv475.exe" "--log"
SectionEnd

Section "Uninstall"
  ; The settings file and the CSV logs are the user's: they stay. Only what the installer
  ; wrote goes, and the folder only when nothing else is left in it.
  Delete "$SMPROGRAMS\QV-475簡易ソフト.lnk"
  Delete "$SMPROGRAMS\QV-475簡易ソフト 利用の手引き.lnk"
  Delete "$SMSTARTUP\QV-475簡易ソフト.lnk"
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\QV475_XP"
SectionEnd
