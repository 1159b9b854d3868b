; The Windows installer: makensis -DVERSION=1.0.0 -DSOURCE=<collected folder> -DOUTFILE=<setup.exe>
; (scripts/windows). Installs the programs, their DLLs, CFG\, the language
; files and the guide under Program Files, a Start menu entry and an
; uninstaller; "/S" installs and uninstalls silently.
; 64-bit like the programs (and runnable where only 64-bit programs run).
Target amd64-unicode
!include "MUI2.nsh"

Name "Tunebench ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tunebench"
InstallDirRegKey HKLM "Software\Tunebench" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunebench"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

Section "Tunebench"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "Software\Tunebench" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tunebench"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tunebench"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tunebench.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Tunebench"
  CreateShortCut "$SMPROGRAMS\Tunebench\Tunebench.lnk" "$INSTDIR\tunebench.exe"
  CreateShortCut "$SMPROGRAMS\Tunebench\Uninstall Tunebench.lnk" "$INSTDIR\Uninstall.exe"
SectionEnd

; What the installer put there goes; the settings in the registry key
; VUREZIVO and the users' own files under %APPDATA%\Tunebench stay.
Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tunebench\Tunebench.lnk"
  Delete "$SMPROGRAMS\Tunebench\Uninstall Tunebench.lnk"
  RMDir "$SMPROGRAMS\Tunebench"
  RMDir /r "$INSTDIR\CFG"
  RMDir /r "$INSTDIR\docs"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\imageformats"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\*.lng"
  Delete "$INSTDIR\logo.bmp"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Tunebench"
SectionEnd
