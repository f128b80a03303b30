; The Windows installer. scripts/windows/package.sh defines VERSION, PUBLISHER,
; HOMEPAGE, ICON, OUTFILE, LAUNCHER (uninstall.exe, which runs this script's uninstaller,
; uninstall.dat, and waits for it) and the two lists written from the package:
; FILES (what to install) and UNFILES (what the uninstaller removes again).
;
; With administrator rights it installs for all users (Program Files, HKLM);
; without them, or with /CurrentUser, for the current user alone (the user's own
; programs folder, HKCU). An earlier installation of the same kind is removed
; first. /S installs silently, /D=FOLDER (last, unquoted) picks the folder.
; A 64-bit installer for a 64-bit program (and Wine without its 32-bit part runs it).
Target amd64-unicode
ManifestDPIAware true
ManifestSupportedOS all
; Administrators are asked to elevate; everyone else installs for themselves.
RequestExecutionLevel highest
SetCompressor /SOLID lzma

!include FileFunc.nsh
!include LogicLib.nsh

!define APPNAME "Ливентор"
!define EXE "surface-viewer.exe"
!define REGKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SurfaceViewer"

LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"
LangString Running ${LANG_RUSSIAN} "Ливентор запущен из папки «$R0». Закройте программу и нажмите «Повтор»."
LangString OldStays ${LANG_RUSSIAN} "Прежнюю установку Ливентора в папке «$R0» удалить не удалось."

; The uninstaller's: whether it removes the current user's installation.
Var PerUser

Name "${APPNAME}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка программы ${APPNAME}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Waits until the program in folder $R0 is not running: a running program's file
; cannot be opened for writing. The user closes it and retries, or gives up,
; which ends the (un)installation with error level 2; a silent run gives up.
!macro WAIT_CLOSED un
Function ${un}WaitClosed
  ${DoWhile} ${FileExists} "$R0\${EXE}"
    ClearErrors
    FileOpen $R1 "$R0\${EXE}" a
    ${IfNot} ${Errors}
      FileClose $R1
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}
FunctionEnd
!macroend
!insertmacro WAIT_CLOSED ""
!insertmacro WAIT_CLOSED "un."

Function .onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${If} $0 == "Admin"
  ${AndIf} ${Errors}
    SetShellVarContext all
    StrCpy $3 "$PROGRAMFILES64\Surface Viewer"
  ${Else}
    SetShellVarContext current
    StrCpy $3 "$LOCALAPPDATA\Programs\Surface Viewer"
  ${EndIf}
  ; /D= sets the folder before this runs; else where the earlier one is, else the default.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR SHCTX "${REGKEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR $3
  ${EndIf}
FunctionEnd

Section "Install"
  ReadRegStr $R0 SHCTX "${REGKEY}" "InstallLocation"
  ${If} $R0 != ""
    Call WaitClosed
    ${If} ${FileExists} "$R0\uninstall.dat"
      ExecWait '"$R0\uninstall.exe" /S' $R1
    ${ElseIf} ${FileExists} "$R0\uninstall.exe"
      ; An earlier uninstaller returns at once unless run in place (_?=), and
      ; then leaves itself behind.
      ExecWait '"$R0\uninstall.exe" /S _?=$R0' $R1
      ${If} $R1 == 0
        Delete "$R0\uninstall.exe"
        RMDir "$R0"
      ${EndIf}
    ${Else}
      StrCpy $R1 0
    ${EndIf}
    ${If} $R1 != 0
      MessageBox MB_OK|MB_ICONSTOP "$(OldStays)" /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}
  StrCpy $R0 $INSTDIR
  Call WaitClosed

  !include "${FILES}"
  ; The program reads Textures\ from its working folder: the shortcut starts it
  ; in the install folder (CreateShortcut takes the output path for that).
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.dat"
  File "/oname=uninstall.exe" "${LAUNCHER}"
  CreateShortcut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${REGKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr SHCTX "${REGKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${REGKEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${REGKEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${REGKEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegDWORD SHCTX "${REGKEY}" "EstimatedSize" $0
  WriteRegStr SHCTX "${REGKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${REGKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${REGKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${REGKEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${REGKEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
  ; The current user's own installation, or the one for all users.
  ReadRegStr $0 HKCU "${REGKEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext current
    StrCpy $PerUser 1
  ${Else}
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $R0 $INSTDIR
  Call un.WaitClosed
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  !include "${UNFILES}"
  DeleteRegKey SHCTX "${REGKEY}"
  ; This uninstaller runs from a copy, and uninstall.exe, which waits for it,
  ; has moved itself out of the way: once ended, it deletes itself, and the
  ; folder if it is left empty.
  Delete "$INSTDIR\uninstall.dat"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: whatever the user put there stays.
  RMDir "$INSTDIR"
  ${If} $PerUser == 1
    ; The user's programs folder, when this made it and nothing else is there.
    RMDir "$LOCALAPPDATA\Programs"
  ${EndIf}
SectionEnd
