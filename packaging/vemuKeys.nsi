; The installer of Vemu Keys for 64-bit Windows, in German: installs for all
; users into "Program Files\Vemu Keys", lets the local Users group change
; files in that folder (the program keeps vemuKeys.set, its replacement
; vemuKeys.set.<process id>.new and Errors.log beside itself), adds the Start menu
; entries and the entry in the list of installed apps, and optionally the
; autostart value the program itself writes. Silent with /S; see the guide's
; section for administrators for the switches.
;
; scripts/package.sh builds it with makensis and defines:
;   VERSION       the project version from CMake, for example 1.0.0
;   VERSION4      the same with four numbers, for example 1.0.0.0
;   STAGE         the folder holding the files to install
;   FILES         an include defining the macro VemuFiles, which applies a
;                 given macro to the name of every file in STAGE
;   MAIN_PROGRAM  the program the Start menu and the autostart value start
;   GUIDE         the file name of the guide
;   OUTFILE       the installer to write

!macro Required NAME
  !ifndef ${NAME}
    !error "${NAME} is not defined: scripts/package.sh builds the installer"
  !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required VERSION4
!insertmacro Required STAGE
!insertmacro Required FILES
!insertmacro Required MAIN_PROGRAM
!insertmacro Required GUIDE
!insertmacro Required OUTFILE

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include "${FILES}"

!define PRODUCT "Vemu Keys"
!define PUBLISHER "Vemu Keys"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VemuKeys"
; The autostart value, exactly as the program reads and writes it.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "vemuKeys"
!define SETTINGS "vemuKeys.set"
!define PROGRAM_LINK "$SMPROGRAMS\${PRODUCT}.lnk"
!define GUIDE_LINK "$SMPROGRAMS\${PRODUCT} Anleitung.lnk"
; Well-known groups, by SID so that localised Windows finds them.
!define SID_USERS "*S-1-5-32-545"
!define SID_ADMINISTRATORS "*S-1-5-32-544"
!define SID_SYSTEM "*S-1-5-18"
; The program holds this mutex while it runs (vemuKeysCon as well).
!define INSTANCE_MUTEX "Celeborn"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

Var RightsFailed
Var KeepSettings

!define MUI_ABORTWARNING
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert ${PRODUCT} ${VERSION} für alle Benutzer dieses Computers.$\r$\n$\r$\n${PRODUCT} führt aus, was ein Hilfsmittel am seriellen Anschluss nach dem GIDEI-Protokoll sendet: Tastendrücke, Zeichen, Mausbewegungen und Klicks.$\r$\n$\r$\nBitte beenden Sie ${PRODUCT}, falls es läuft, und klicken Sie auf Weiter."
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ist installiert. Sie starten es über den Eintrag ${PRODUCT} im Startmenü; die Anleitung finden Sie dort unter ${PRODUCT} Anleitung."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileDescription" "${PRODUCT} ${VERSION} Installation"
VIAddVersionKey /LANG=${LANG_GERMAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_GERMAN} "LegalCopyright" "${PUBLISHER}"

; Files a running program holds cannot be replaced or removed: ask the user
; to end it, and give up with exit code 2 when it keeps running (or at once
; when silent).
!macro CheckNotRunning
  retry_running:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
    StrCmp $0 0 not_running
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_ICONEXCLAMATION|MB_RETRYCANCEL "${PRODUCT} läuft noch. Bitte beenden Sie es (Symbol im Infobereich, rechte Maustaste, Beenden) und klicken Sie auf Wiederholen." /SD IDCANCEL IDRETRY retry_running
    SetErrorLevel 2
    Quit
  not_running:
!macroend

!macro InstallFile NAME
  File "${STAGE}\${NAME}"
!macroend

!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; icacls is part of Windows; its failure is noted and told once at the end.
!macro Icacls ARGUMENTS
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" ${ARGUMENTS}'
  Pop $0
  ${If} $0 != 0
    DetailPrint `icacls ${ARGUMENTS}: $0`
    StrCpy $RightsFailed 1
  ${EndIf}
!macroend

; A file of the program stays as it was installed: only administrators and
; the system may change it, users may run and read it. Without this it would
; inherit the folder's modify right for users below.
!macro ProtectFile NAME
  !insertmacro Icacls '"$INSTDIR\${NAME}" /inheritance:r /grant:r ${SID_SYSTEM}:(F) ${SID_ADMINISTRATORS}:(F) ${SID_USERS}:(RX)'
!macroend

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro VemuFiles InstallFile
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortCut "${PROGRAM_LINK}" "$INSTDIR\${MAIN_PROGRAM}"
  CreateShortCut "${GUIDE_LINK}" "$INSTDIR\${GUIDE}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${MAIN_PROGRAM}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  StrCpy $RightsFailed 0
  !insertmacro VemuFiles ProtectFile
  !insertmacro ProtectFile "${UNINSTALLER}"
  ; Users may create and change files in the folder: the settings, their
  ; replacement and the error file. New files inherit the right.
  !insertmacro Icacls '"$INSTDIR" /grant ${SID_USERS}:(OI)(CI)(M)'
  ${If} $RightsFailed == 1
    MessageBox MB_ICONEXCLAMATION "Die Zugriffsrechte des Ordners $INSTDIR konnten nicht gesetzt werden. Benutzer ohne Administratorrechte können die Einstellungen von ${PRODUCT} dann nicht speichern." /SD IDOK
  ${EndIf}
SectionEnd

Section /o "Automatisch mit Windows starten" SecAutostart
SectionEnd

; Runs after the sections the user chose: the autostart value follows the
; choice (which starts out as the state found, see .onInit).
Section "-Autostart"
  ${If} ${SectionIsSelected} ${SecAutostart}
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\${MAIN_PROGRAM}"
  ${Else}
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Die Programme ${PRODUCT} und vemuKeysCon mit der Anleitung."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} "${PRODUCT} startet bei jeder Anmeldung eines Benutzers an diesem Computer."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ; The program is 64-bit: its folder, its autostart value and its apps
  ; entry belong to the 64-bit views.
  SetRegView 64
  SetShellVarContext all
  !insertmacro CheckNotRunning
  ; The autostart choice starts as it is; /AUTOSTART=1 or =0 sets it.
  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 != ""
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AUTOSTART=" $0
  ${IfNot} ${Errors}
    ${If} $0 == "1"
      !insertmacro SelectSection ${SecAutostart}
    ${Else}
      !insertmacro UnselectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro CheckNotRunning
FunctionEnd

Section "Uninstall"
  ; The settings stay only when the user asks for it (/KEEPSETTINGS when
  ; silent).
  StrCpy $KeepSettings 0
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/KEEPSETTINGS" $0
  ${IfNot} ${Errors}
    StrCpy $KeepSettings 1
  ${ElseIf} ${FileExists} "$INSTDIR\${SETTINGS}"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Sollen Ihre Einstellungen (Datei ${SETTINGS}) für eine spätere Installation erhalten bleiben?" /SD IDNO IDNO settings_asked
    StrCpy $KeepSettings 1
    settings_asked:
  ${EndIf}
  ${If} $KeepSettings != 1
    Delete "$INSTDIR\${SETTINGS}"
  ${EndIf}
  Delete "$INSTDIR\${SETTINGS}.new"
  Delete "$INSTDIR\${SETTINGS}.*.new"
  Delete "$INSTDIR\Errors.log"
  !insertmacro VemuFiles RemoveFile
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: files a user put there stay.
  RMDir "$INSTDIR"

  Delete "${PROGRAM_LINK}"
  Delete "${GUIDE_LINK}"
  ; The autostart value goes when it starts this installation's program;
  ; one that starts a copy elsewhere belongs to that copy.
  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == "$INSTDIR\${MAIN_PROGRAM}"
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
