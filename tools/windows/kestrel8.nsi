; The Windows installer, for the user who runs it and without administrator
; rights: both programs into that user's AppData\Local\Programs\Kestrel8,
; that folder on the user's PATH, three Start-menu entries in a folder
; "Kestrel8" ("Kestrel8" starts the console, "Import a repeater list" runs
; the importer, both in the user's Documents\Kestrel8, made with the example
; station files if missing; "Kestrel8 guide" opens the guide in the
; browser), the entry in the user's list of apps, and an uninstaller that
; never touches that station folder.
;
; makensis -DVERSION=0.1 -DVERSION4=0.1.0.0 -DPROGRAMS=<build-win>
;          -DSOURCES=<source tree> -DOUTFILE=<kestrel8-setup.exe> kestrel8.nsi

Unicode true
; 64-bit, like the programs it installs.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "StrFunc.nsh"
!include "WinMessages.nsh"
${StrStr}
${UnStrRep}

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel8"
!define PUBLISHER "The Kestrel8 developers"
!define ENTRIES "$SMPROGRAMS\Kestrel8"

Name "Kestrel8 ${VERSION}"
BrandingText "Kestrel8 ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrel8"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
ManifestDPIAware true

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "Kestrel8"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrel8 setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "2026 ${PUBLISHER}"

!define MUI_ICON "${SOURCES}\tools\windows\kestrel8.ico"
!define MUI_UNICON "${SOURCES}\tools\windows\kestrel8.ico"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README-Windows.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Kestrel8"
  ; Everything here is the user's own: their profile, their registry.
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\kestrel8.exe"
  File "${PROGRAMS}\kestrel8-repeaters.exe"
  File "${PROGRAMS}\installed\README-Windows.txt"
  ; The guide of an earlier version, which no Windows program opened.
  Delete "$INSTDIR\operating.md"
  SetOutPath "$INSTDIR\guide"
  File "${PROGRAMS}\guide\operating.html"
  File "${PROGRAMS}\guide\kestrel8-repeaters.html"
  File "${PROGRAMS}\installed\guide\README-Windows.html"
  File "${SOURCES}\docs\kestrel8.png"
  SetOutPath "$INSTDIR\guide\screenshots"
  File "${SOURCES}\docs\screenshots\kestrel8-1_25.png"
  SetOutPath "$INSTDIR\examples"
  File "${SOURCES}\tools\demo\D-STAR_DV_config.txt"
  File "${SOURCES}\tools\demo\D-STAR_tranceiver_config.txt"
  File "${SOURCES}\tools\demo\D-STAR_my_rpt.txt"
  File "${SOURCES}\tools\demo\D-STAR_repeaters.txt"
  File "${SOURCES}\tools\demo\D-STAR_reflectors.txt"

  ; An operator's station folder is theirs: made once, never overwritten.
  IfFileExists "$DOCUMENTS\Kestrel8\*.*" station_ready
    CreateDirectory "$DOCUMENTS\Kestrel8"
    CopyFiles /SILENT "$INSTDIR\examples\*.*" "$DOCUMENTS\Kestrel8"
  station_ready:

  ; A shortcut's working folder is the output path when it is made. A CSV
  ; file dropped on the import entry follows "import" as the table to read.
  CreateDirectory "${ENTRIES}"
  SetOutPath "$DOCUMENTS\Kestrel8"
  CreateShortcut "${ENTRIES}\Kestrel8.lnk" "$INSTDIR\kestrel8.exe" "" \
    "$INSTDIR\kestrel8.exe" 0 SW_SHOWNORMAL "" "D-STAR DV adapter console"
  CreateShortcut "${ENTRIES}\Import a repeater list.lnk" "$INSTDIR\kestrel8-repeaters.exe" \
    "import" "$INSTDIR\kestrel8.exe" 0 SW_SHOWNORMAL "" \
    "Drop a repeater table (CSV) here to make D-STAR_repeaters.txt in Documents\Kestrel8"
  CreateShortcut "${ENTRIES}\Kestrel8 guide.lnk" "$INSTDIR\guide\operating.html" "" "" 0 \
    SW_SHOWNORMAL "" "Operating Kestrel8, in your browser"
  SetOutPath "$INSTDIR"

  ; kestrel8-repeaters in any Command Prompt opened after this.
  ReadRegStr $0 HKCU "Environment" "Path"
  ${StrStr} $1 ";$0;" ";$INSTDIR;"
  StrCmp $1 "" 0 path_done
    StrCpy $2 $0 1 -1
    StrCmp $0 "" 0 +3
      StrCpy $0 "$INSTDIR"
      Goto path_write
    StrCmp $2 ";" 0 +3
      StrCpy $0 "$0$INSTDIR"
      Goto path_write
    StrCpy $0 "$0;$INSTDIR"
  path_write:
    WriteRegExpandStr HKCU "Environment" "Path" "$0"
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  path_done:

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kestrel8"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrel8.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the programs, the Start-menu entries and the PATH entry. The
; station folder in Documents holds the operator's settings and heard log:
; it stays.
Section "Uninstall"
  SetShellVarContext current
  Delete "${ENTRIES}\Kestrel8.lnk"
  Delete "${ENTRIES}\Import a repeater list.lnk"
  Delete "${ENTRIES}\Kestrel8 guide.lnk"
  RMDir "${ENTRIES}"
  Delete "$INSTDIR\kestrel8.exe"
  Delete "$INSTDIR\kestrel8-repeaters.exe"
  Delete "$INSTDIR\README-Windows.txt"
  Delete "$INSTDIR\operating.md"
  Delete "$INSTDIR\guide\operating.html"
  Delete "$INSTDIR\guide\kestrel8-repeaters.html"
  Delete "$INSTDIR\guide\README-Windows.html"
  Delete "$INSTDIR\guide\kestrel8.png"
  Delete "$INSTDIR\guide\screenshots\kestrel8-1_25.png"
  RMDir "$INSTDIR\guide\screenshots"
  RMDir "$INSTDIR\guide"
  Delete "$INSTDIR\examples\D-STAR_DV_config.txt"
  Delete "$INSTDIR\examples\D-STAR_tranceiver_config.txt"
  Delete "$INSTDIR\examples\D-STAR_my_rpt.txt"
  Delete "$INSTDIR\examples\D-STAR_repeaters.txt"
  Delete "$INSTDIR\examples\D-STAR_reflectors.txt"
  RMDir "$INSTDIR\examples"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  ; Only the folder this installer added; the user's other entries stay.
  ReadRegStr $0 HKCU "Environment" "Path"
  ${UnStrRep} $1 ";$0;" ";$INSTDIR;" ";"
  StrCpy $1 $1 "" 1
  StrCpy $1 $1 -1
  StrCmp $1 $0 path_kept
    StrCmp $1 "" 0 +3
      DeleteRegValue HKCU "Environment" "Path"
      Goto path_broadcast
    WriteRegExpandStr HKCU "Environment" "Path" "$1"
  path_broadcast:
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  path_kept:

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
