; The Windows installer: per user, no administrator rights, a Start-menu entry, an
; uninstaller, Japanese texts. makensis -INPUTCHARSET UTF8 -DVERSION=... -DSTAGE=... -DOUT=...
; A 64-bit installer, as the program is (Wine here runs no 32-bit programs).
Target amd64-unicode
!include "MUI2.nsh"

Name "QV-475簡易ソフト ${VERSION}"
OutFile "${OUT}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\QV475"
InstallDirRegKey HKCU "Software\QV475_XP" "InstallDir"
SetCompressor /SOLID lzma

!define MUI_ICON "${STAGE}\qv475.ico"
!define MUI_UNICON "${STAGE}\qv475.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\qv475.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QV475_XP"

Section "QV-475簡易ソフト"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\QV-475簡易ソフト.lnk" "$INSTDIR\qv475.exe"
  WriteRegStr HKCU "Software\QV475_XP" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "QV-475簡易ソフト"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qv475.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The settings file and the CSV logs are the user's: they stay.
  Delete "$SMPROGRAMS\QV-475簡易ソフト.lnk"
  RMDir /r "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\QV475_XP"
SectionEnd
