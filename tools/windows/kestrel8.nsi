; The Windows installer: both programs into Program Files\Kestrel8, a
; Start-menu entry "Kestrel8" that starts the console in the operator's
; Documents\Kestrel8 (made with the example station files if missing), and
; an uninstaller that never touches that station folder.
;
; makensis -DVERSION=0.1 -DVERSION4=0.1.0.0 -DPROGRAMS=<build-win>
;          -DSOURCES=<source tree> -DOUTFILE=<kestrel8-setup.exe> kestrel8.nsi

Unicode true
; 64-bit, like the programs it installs.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel8"

Name "Kestrel8 ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kestrel8"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "Kestrel8"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrel8 setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "2026 The Kestrel8 developers"

!define MUI_ICON "${SOURCES}\tools\windows\kestrel8.ico"
!define MUI_UNICON "${SOURCES}\tools\windows\kestrel8.ico"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README-Windows.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Kestrel8"
  ; The Start-menu entry and the station folder are the installing user's.
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\kestrel8.exe"
  File "${PROGRAMS}\kestrel8-repeaters.exe"
  File "${PROGRAMS}\README-Windows.txt"
  File "${SOURCES}\docs\operating.md"
  SetOutPath "$INSTDIR\examples"
  File "${SOURCES}\tools\demo\D-STAR_DV_config.txt"
  File "${SOURCES}\tools\demo\D-STAR_tranceiver_config.txt"
  File "${SOURCES}\tools\demo\D-STAR_my_rpt.txt"
  File "${SOURCES}\tools\demo\D-STAR_repeaters.txt"

  ; An operator's station folder is theirs: made once, never overwritten.
  IfFileExists "$DOCUMENTS\Kestrel8\*.*" station_ready
    CreateDirectory "$DOCUMENTS\Kestrel8"
    CopyFiles /SILENT "$INSTDIR\examples\*.*" "$DOCUMENTS\Kestrel8"
  station_ready:

  ; The shortcut's working folder is the output path when it is made.
  SetOutPath "$DOCUMENTS\Kestrel8"
  CreateShortcut "$SMPROGRAMS\Kestrel8.lnk" "$INSTDIR\kestrel8.exe" "" \
    "$INSTDIR\kestrel8.exe" 0 SW_SHOWNORMAL "" "D-STAR DV adapter console"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrel8"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrel8.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the programs and the Start-menu entry. The station folder in
; Documents holds the operator's settings and heard log: it stays.
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Kestrel8.lnk"
  Delete "$INSTDIR\kestrel8.exe"
  Delete "$INSTDIR\kestrel8-repeaters.exe"
  Delete "$INSTDIR\README-Windows.txt"
  Delete "$INSTDIR\operating.md"
  Delete "$INSTDIR\examples\D-STAR_DV_config.txt"
  Delete "$INSTDIR\examples\D-STAR_tranceiver_config.txt"
  Delete "$INSTDIR\examples\D-STAR_my_rpt.txt"
  Delete "$INSTDIR\examples\D-STAR_repeaters.txt"
  RMDir "$INSTDIR\examples"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
