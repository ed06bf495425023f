; ORVIK's installer for 64-bit Windows, built by scripts/package-windows.sh with makensis (NSIS 3)
; from the folder that `cmake --install` filled. The script passes
;   VERSION       the version, such as 0.05, and VERSION_QUAD the same as four numbers, 0.5.0.0
;   OUTFILE       the installer to write
;   ICON          packaging/orvik.ico
;   INSTALL_LIST  a file of commands that install every file of that folder
;   REMOVE_LIST   a file of commands that remove exactly those files and then their folders
; The uninstaller removes no folder with what is in it, so whatever else a user put into the
; install folder stays, and so does the folder then.

Unicode true
; A 64-bit installer, which the 64-bit Windows that ORVIK needs runs natively (so it sees the
; 64-bit Program Files and registry).
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ORVIK"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

Name "ORVIK ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\ORVIK"
; A new version goes where the last one is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "ORVIK ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The last page offers to start the window. The installer runs as administrator, and so would a
; program it started itself: with another account's settings, and deaf to folders dropped from
; Explorer. Explorer starts it as the user who is logged on instead.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunOrvik)"
!define MUI_FINISHPAGE_RUN_FUNCTION RunOrvikAsUser
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The installer speaks the language of Windows where it is one of these, as the programs do.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"
LangString RunOrvik ${LANG_ENGLISH} "&Run ORVIK"
LangString RunOrvik ${LANG_RUSSIAN} "&Запустить ORVIK"

Function RunOrvikAsUser
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\orvik.exe"'
FunctionEnd

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "ORVIK"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "ORVIK (Kelvaro) setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "The ORVIK developers"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright © 2026 the ORVIK developers"

Section "ORVIK"
    SetShellVarContext all

    ; An earlier install is first removed by its own uninstaller, so that files this version no
    ; longer has do not stay behind. Run in place ("_?="), it waits and leaves itself, which is
    ; then overwritten.
    ${If} ${FileExists} "$INSTDIR\uninstall.exe"
        ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    ${EndIf}

    !include "${INSTALL_LIST}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut starts the window in the install folder.
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\ORVIK.lnk" "$INSTDIR\orvik.exe" "" "$INSTDIR\orvik.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "ORVIK (Kelvaro)"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvik.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The ORVIK developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\ORVIK.lnk"
    !include "${REMOVE_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
