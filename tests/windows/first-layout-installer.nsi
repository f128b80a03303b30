; The first Windows installer, kept to test upgrading from its layout: its
; uninstall.exe is the NSIS uninstaller itself, which returns at once unless run
; in place (_?=). scripts/windows/test.sh builds it from the package's lists, with
; a file of its own.
; A 64-bit installer for a 64-bit program (and Wine without its 32-bit part runs it).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define APPNAME "Ливентор"
!define REGKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SurfaceViewer"

Name "${APPNAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Surface Viewer"
InstallDirRegKey HKLM "${REGKEY}" "InstallLocation"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Install"
  !include "${FILES}"
  ; A file only this layout has: an upgrade that did not run this layout's
  ; uninstaller would leave it behind.
  FileOpen $0 "$INSTDIR\first-layout-only.txt" w
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The program reads Textures\ from its working folder: the shortcut starts it
  ; in the install folder (CreateShortcut takes the output path for that).
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\surface-viewer.exe"
  WriteRegStr HKLM "${REGKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${REGKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${REGKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${REGKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${REGKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${REGKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${REGKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\first-layout-only.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: whatever the user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${REGKEY}"
SectionEnd
