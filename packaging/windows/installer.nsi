; The German installer of Quorvane for Windows, made by scripts/build-windows.sh:
;   makensis -DVERSION=2.1.0.0 -DSTAGE=<folder of the zip's content> -DFILES=<files.nsh> -DICON=<.ico>
;            -DSIZE_KB=<size> -DOUTFILE=<Quorvane-VERSION-setup.exe> [-DSIGN=<sign-windows.sh>] installer.nsi
; Per user, without administrator rights: %LOCALAPPDATA%\Programs\Quorvane, a start-menu entry,
; the uninstaller registered under HKCU for "Programme und Features". FILES lists every installed
; file (the install and uninstall macros), so the uninstaller removes exactly those and leaves
; whatever else lies in the folder (a user's projects) where it is.
; A 64-bit installer for the 64-bit programs (and for Wine prefixes without 32-bit support).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
!include "MUI2.nsh"
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane"
!define UNINSTALLER "Quorvane deinstallieren.exe"

!ifdef SIGN
  ; The uninstaller is signed as makensis writes it, before it goes into the installer.
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

Name "Quorvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Quorvane ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductName" "Quorvane"
VIAddVersionKey /LANG=1031 "FileDescription" "Quorvane ${VERSION} Setup"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "GNU General Public License, Version 3 oder später"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvane.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\LIESMICH.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
; The GPL asks for no consent to use the program: the page informs, its button goes on.
!define MUI_PAGE_HEADER_TEXT "Lizenzen"
!define MUI_PAGE_HEADER_SUBTEXT "Quorvane und die Bibliotheken, die es enthält."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_TOP "Quorvane ist freie Software. Die Lizenzen der Programme und ihrer Bibliotheken:"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Sie müssen nichts annehmen, um Quorvane zu benutzen. Alle Texte liegen nach der Installation im Ordner Lizenzen."
!insertmacro MUI_PAGE_LICENSE "${STAGE}\Lizenzen\UEBERSICHT.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Section "Quorvane"
  SetShellVarContext current
  !insertmacro QuorvaneInstallFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\Quorvane.lnk" "$INSTDIR\quorvane.exe" "" "$INSTDIR\quorvane.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quorvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quorvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro QuorvaneUninstallFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\Quorvane.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only an empty folder goes: what the user put there stays.
  RMDir "$INSTDIR"
SectionEnd
