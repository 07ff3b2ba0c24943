; Tarvenne's Windows installer: per user, without administrator rights, into the user's own
; programs folder, where the wizard can write tarvenne.ini beside itself. scripts/make-release.sh
; compiles it with VERSION, ARCH (x86 or amd64), STAGE (the staged files), PAYLOAD (their list)
; and OUTFILE defined.

!ifndef VERSION | ARCH | STAGE | PAYLOAD | OUTFILE
  !error "define VERSION, ARCH, STAGE, PAYLOAD and OUTFILE (scripts/make-release.sh does)"
!endif

Unicode true
!if "${ARCH}" == "amd64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH is x86 or amd64"
!endif

; The staged files carry the commit's time, so the installer keeps them: the same bytes on
; every run, and installed files dated like the zip's.
SetDateSave on
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvenne"
!define PUBLISHER "The Tarvenne authors"
!define WIZARD_LINK "$SMPROGRAMS\Tarvenne\Tarvenne.lnk"
!define GUIDE_LINK "$SMPROGRAMS\Tarvenne\Tarvenne Guide.lnk"

Name "Tarvenne"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tarvenne"
; An upgrade goes where the installed version is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tarvenne ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Tarvenne"
VIAddVersionKey /LANG=0 "CompanyName" "Tarvenne"
VIAddVersionKey /LANG=0 "FileDescription" "Tarvenne Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 the Tarvenne authors"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "${PAYLOAD}"

!define MUI_ICON "${__FILEDIR__}/../resources/tarvenne.ico"
!define MUI_UNICON "${__FILEDIR__}/../resources/tarvenne.ico"
!define MUI_ABORTWARNING
; The wizard's own side picture, drawn by resources/make_artwork.py.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}/../resources/side_picture_2x.bmp"
!define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH AspectFitHeight

!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tarvenne.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tarvenne"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the user's guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Tarvenne's program files, shortcuts and registration are removed. Tick Remove my settings to delete tarvenne.ini, where the wizard keeps your choices, as well."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "Also remove:"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.HideSpaceRequired
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A running wizard holds tarvenne.exe open: replacing or removing the files under it would
; leave half an installation. Its frame is a dialog with this caption. Silent: give up.
!macro CloseTheWizardFirst
  ${Do}
    FindWindow $0 "#32770" "Outlook Express to Palm Desktop"
    ${If} $0 == 0
      ${ExitDo}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tarvenne is running. Close it, then choose Retry." /SD IDCANCEL IDCANCEL`
      Abort
    ${EndIf}
  ${Loop}
!macroend

Function .onInit
  SetShellVarContext current
  !insertmacro CloseTheWizardFirst
FunctionEnd

Function un.onInit
  SetShellVarContext current
  !insertmacro CloseTheWizardFirst
FunctionEnd

; Removing frees space; the "Space required" line of the components page would say 0.0 KB.
Function un.HideSpaceRequired
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $0 $0 1023
  ShowWindow $0 ${SW_HIDE}
FunctionEnd

; Installing over an installed version replaces its files in place; tarvenne.ini is never
; part of the payload, so the user's settings stay.
Section "Tarvenne" SectionProgram
  SectionIn RO
  !insertmacro InstallPayload
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts start in the program's folder (the current output path).
  CreateDirectory "$SMPROGRAMS\Tarvenne"
  CreateShortCut "${WIZARD_LINK}" "$INSTDIR\tarvenne.exe" "" "$INSTDIR\tarvenne.exe" 0
  CreateShortCut "${GUIDE_LINK}" "$INSTDIR\README.txt"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tarvenne"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarvenne.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SectionProgram} $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there goes: the listed files, the shortcuts, the registration.
; A folder is removed only when nothing else is left in it.
Section "-un.Program"
  !insertmacro UninstallPayload
  Delete "$INSTDIR\uninstall.exe"
  Delete "${WIZARD_LINK}"
  Delete "${GUIDE_LINK}"
  RMDir "$SMPROGRAMS\Tarvenne"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Not ticked by default, and so never in a silent uninstall: the settings are the user's.
Section /o "un.Remove my settings" SectionSettings
  Delete "$INSTDIR\tarvenne.ini"
SectionEnd

Section "-un.Folder"
  RMDir "$INSTDIR"
SectionEnd
