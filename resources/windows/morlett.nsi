; The Windows installer, built with NSIS's makensis (tools/package.sh runs it):
;   makensis -DVERSION=1.1 -DFILES=<installed files> -DOUTFILE=<setup.exe> morlett.nsi
; It installs for the current user, with no elevation, into %LOCALAPPDATA%\Programs\Morlett,
; where the user may put lithrez.exe beside Morlett.exe; started elevated, it offers an
; install for all users into Program Files (silently: /AllUsers). /S and /D= work as in
; every NSIS installer. Installing again upgrades in place: one folder, one Uninstall entry.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morlett"
!define PUBLISHER "the Morlett authors"
!define ASK_ALL_USERS "Install Morlett for all users of this computer, in Program Files?$\n$\nNo installs it for you alone, where you can put lithrez.exe beside it without administrator rights."
!define KEPT_FOLDER "Morlett is removed. Its folder $INSTDIR stays, with the files you added to it, such as lithrez.exe."

Name "Morlett ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Morlett"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Morlett ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey ProductName "Morlett"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "Morlett ${VERSION} setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "2026 ${PUBLISHER}, MIT licence"

!define MUI_ICON "..\morlett.ico"
!define MUI_UNICON "..\morlett.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Morlett.exe"
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The files the installer puts in the folder; anything else there is the user's.
!macro RemoveInstalledFiles folder
  Delete "${folder}\Morlett.exe"
  Delete "${folder}\README.md"
  Delete "${folder}\LICENSE"
  Delete "${folder}\uninstall.exe"
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Morlett needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  ; Only an elevated installer can write to Program Files, so only it offers to.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    Return
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $2
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION "${ASK_ALL_USERS}" /SD IDNO IDNO done
  ${EndIf}
  ; A folder named with /D= stays; the per-user default becomes the all-users one.
  ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR == "$LOCALAPPDATA\Programs\Morlett"
  ${OrIf} $INSTDIR == $2
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\Morlett"
    ${EndIf}
  ${EndIf}
  SetShellVarContext all
  done:
FunctionEnd

Section
  ; An earlier install in another folder goes, so one entry means one copy.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    !insertmacro RemoveInstalledFiles $0
    RMDir $0
  ${EndIf}

  SetOutPath $INSTDIR
  File "${FILES}\Morlett.exe"
  File "${FILES}\README.md"
  File "${FILES}\LICENSE"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Morlett.lnk" "$INSTDIR\Morlett.exe" "" "$INSTDIR\Morlett.exe" 0

  ${GetSize} $INSTDIR "/S=0K" $1 $2 $3
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Morlett"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Morlett.exe,0"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  ; An all-users install is the one HKLM's entry points at.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro RemoveInstalledFiles $INSTDIR
  Delete "$SMPROGRAMS\Morlett.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  RMDir $INSTDIR
  ${If} ${FileExists} "$INSTDIR\*"
    DetailPrint "Kept $INSTDIR: it holds files you added, such as lithrez.exe."
    MessageBox MB_ICONINFORMATION "${KEPT_FOLDER}" /SD IDOK
  ${EndIf}
SectionEnd
