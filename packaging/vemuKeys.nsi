; The installer of Vemu Keys for 64-bit Windows, in German: installs for all
; users into "Program Files\Vemu Keys", lets the local Users group change
; files in that folder (the program keeps vemuKeys.set, its replacement
; vemuKeys.set.<process id>.new while it writes it, Errors.log and
; Errors.old.log beside itself), adds the Start menu entries and the entry
; in the list of installed apps, and optionally the autostart value the
; program itself writes. Silent with /S; see the guide's section for
; administrators for the switches and the exit codes.
;
; Every user's autostart and an administrator's uninstall run what is in
; that folder, so no user may own or change a program file: each installed
; file is written fresh (never into a file that was there), gets
; Administrators as owner and its own list of rights, and the folder lets
; users change files only once every installed file is protected. A folder
; holding files of something else is refused: they would all become
; changeable for every user.
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
!define ERROR_ACCESS_DENIED 5
; The files the program itself writes into its folder besides the settings.
!define ERROR_FILE "Errors.log"
!define OLD_ERROR_FILE "Errors.old.log"
; Exit codes of a run that did not do its work (the guide lists them).
!define EXIT_RUNNING 2
!define EXIT_FOREIGN_FOLDER 3
!define EXIT_FILE 4
!define EXIT_RIGHTS 5

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

Var RightsFailed
Var KeepSettings
; The first entry of the install folder that is not of this program.
Var Foreign
; The file that could not be replaced or protected.
Var FailedFile
; The files the uninstaller could not remove, for its message.
Var Unremoved

!define MUI_ABORTWARNING
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert ${PRODUCT} ${VERSION} für alle Benutzer dieses Computers.$\r$\n$\r$\n${PRODUCT} führt aus, was ein Hilfsmittel am seriellen Anschluss nach dem GIDEI-Protokoll sendet: Tastendrücke, Zeichen, Mausbewegungen und Klicks.$\r$\n$\r$\nBitte beenden Sie ${PRODUCT}, falls es läuft, und klicken Sie auf Weiter."
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ist installiert. Sie starten es über den Eintrag ${PRODUCT} im Startmenü; die Anleitung finden Sie dort unter ${PRODUCT} Anleitung."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
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
; when silent). A mutex that exists but may not be opened (the program of
; another user while an administrator installs) is a running program too.
!macro CheckNotRunning
  retry_running:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0 ?e'
    Pop $1
    ${If} $0 != 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${ElseIf} $1 != ${ERROR_ACCESS_DENIED}
      Goto not_running
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION|MB_RETRYCANCEL "${PRODUCT} läuft noch. Bitte beenden Sie es (Symbol im Infobereich, rechte Maustaste, Beenden) und klicken Sie auf Wiederholen." /SD IDCANCEL IDRETRY retry_running
    SetErrorLevel ${EXIT_RUNNING}
    Quit
  not_running:
!macroend

; icacls of the system, by its full path: never one found in a folder a
; user may write to. A failure is noted in $RightsFailed.
!macro Icacls ARGUMENTS
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" ${ARGUMENTS}'
  Pop $0
  ${If} $0 != 0
    DetailPrint `icacls ${ARGUMENTS}: $0`
    StrCpy $RightsFailed 1
  ${EndIf}
!macroend

; Entries that lead to files which are not there go: the apps entry without
; its uninstaller, the autostart value and the Start menu link without the
; program, the guide's link without the guide. Run after an uninstall and
; after an installation that stopped half way.
!macro MatchEntriesToFiles UN
Function ${UN}MatchEntriesToFiles
  ${IfNot} ${FileExists} "$INSTDIR\${MAIN_PROGRAM}"
    Delete "${PROGRAM_LINK}"
    ; An autostart value that starts a copy elsewhere belongs to that copy.
    ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\${MAIN_PROGRAM}"
      DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${GUIDE}"
    Delete "${GUIDE_LINK}"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro MatchEntriesToFiles ""
!insertmacro MatchEntriesToFiles "un."

; An installation that cannot go on: says why (in the list of details too;
; a silent run answers the message itself), leaves the entries matching
; the files and stops with CODE.
!macro StopInstallation CODE TEXT
  DetailPrint `${TEXT}`
  MessageBox MB_ICONSTOP `${TEXT}` /SD IDOK
  SetErrorLevel ${CODE}
  Call MatchEntriesToFiles
  Abort
!macroend

Function FileNotReplaced
  !insertmacro StopInstallation ${EXIT_FILE} "Die Datei $FailedFile im Ordner $INSTDIR konnte nicht ersetzt werden; vielleicht ist sie noch geöffnet, etwa weil ${PRODUCT} in der Sitzung eines anderen Benutzers läuft. Die Installation wurde abgebrochen. Bitte beenden Sie alle Programme, die Dateien aus diesem Ordner benutzen, und installieren Sie noch einmal."
FunctionEnd

Function FileNotProtected
  !insertmacro StopInstallation ${EXIT_RIGHTS} "Die Zugriffsrechte der Datei $FailedFile im Ordner $INSTDIR konnten nicht gesetzt werden. Die Installation wurde abgebrochen, damit keine Programmdatei für alle Benutzer änderbar bleibt."
FunctionEnd

; The name in $2 is one of the files an installation of this program holds.
!macro IsOwnName NAME
  ${If} $2 == "${NAME}"
    StrCpy $3 1
  ${EndIf}
!macroend

; The name in $2 is a replacement of the settings that a program was writing
; when it ended (vemuKeys.set.<process id>.new).
!macro IsSettingsReplacement
  StrLen $5 "${SETTINGS}."
  StrCpy $6 $2 $5
  StrCpy $7 $2 "" -4
  ${If} $6 == "${SETTINGS}."
  ${AndIf} $7 == ".new"
    StrCpy $3 1
  ${EndIf}
!macroend

; $Foreign becomes the first entry of $INSTDIR that is not of this program,
; or "" when $INSTDIR may become the program's folder: it does not exist, is
; empty, holds only files of the program (an installation, or what an
; uninstall that kept the settings left), or is the folder the apps entry
; names (whatever users have put into it since). A folder inside it is
; never the program's: the rights given to the folder would reach into it.
Function FindForeignEntry
  StrCpy $Foreign ""
  ReadRegStr $4 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      StrCpy $3 0
      ${If} $4 == $INSTDIR
        StrCpy $3 1
      ${EndIf}
      !insertmacro VemuFiles IsOwnName
      !insertmacro IsOwnName "${UNINSTALLER}"
      !insertmacro IsOwnName "${SETTINGS}"
      !insertmacro IsOwnName "${SETTINGS}.new"
      !insertmacro IsSettingsReplacement
      !insertmacro IsOwnName "${ERROR_FILE}"
      !insertmacro IsOwnName "${OLD_ERROR_FILE}"
      ${If} ${FileExists} "$INSTDIR\$2\*.*"
        StrCpy $3 0
      ${EndIf}
      ${If} $3 == 0
        StrCpy $Foreign $2
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

!define FOREIGN_FOLDER_TEXT "Der Ordner $INSTDIR enthält schon anderes ($Foreign). ${PRODUCT} erlaubt allen Benutzern, die Dateien in seinem Ordner zu ändern; bitte wählen Sie deshalb einen leeren oder neuen Ordner."

Function DirectoryLeave
  Call FindForeignEntry
  ${If} $Foreign != ""
    MessageBox MB_ICONEXCLAMATION "${FOREIGN_FOLDER_TEXT}"
    Abort
  ${EndIf}
FunctionEnd

; A file of the program stays as it was installed: owned by the
; administrators, only they and the system may change it, users may run and
; read it. Without this it would inherit the folder's rights.
!macro ProtectFile NAME
  StrCpy $RightsFailed 0
  !insertmacro Icacls '"$INSTDIR\${NAME}" /setowner ${SID_ADMINISTRATORS}'
  ${If} $RightsFailed == 0
    !insertmacro Icacls '"$INSTDIR\${NAME}" /inheritance:r /grant:r ${SID_SYSTEM}:(F) ${SID_ADMINISTRATORS}:(F) ${SID_USERS}:(RX)'
  ${EndIf}
  ${If} $RightsFailed == 1
    StrCpy $FailedFile "${NAME}"
    Call FileNotProtected
  ${EndIf}
!macroend

; What was there goes first, so that the file is written fresh: writing into
; a file a user put there would keep that user as its owner, with the rights
; and the open handles the user gave it.
!macro RemoveBeforeWriting NAME
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $FailedFile "${NAME}"
    Call FileNotReplaced
  ${EndIf}
!macroend

!macro CheckWritten NAME
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $FailedFile "${NAME}"
    Call FileNotReplaced
  ${EndIf}
!macroend

!macro InstallFile NAME
  !insertmacro RemoveBeforeWriting "${NAME}"
  ClearErrors
  File "${STAGE}\${NAME}"
  !insertmacro CheckWritten "${NAME}"
  !insertmacro ProtectFile "${NAME}"
!macroend

; A file the uninstaller could not remove, for its message.
!macro NoteUnremoved NAME
  ${If} $Unremoved == ""
    StrCpy $Unremoved "${NAME}"
  ${Else}
    StrCpy $Unremoved "$Unremoved, ${NAME}"
  ${EndIf}
!macroend

; The uninstaller leaves a file it cannot remove (noted in $Unremoved).
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    !insertmacro NoteUnremoved "${NAME}"
  ${EndIf}
!macroend

Section "${PRODUCT}" SecProgram
  SectionIn RO
  ; It may have been started since the first page.
  !insertmacro CheckNotRunning
  Call FindForeignEntry
  ${If} $Foreign != ""
    !insertmacro StopInstallation ${EXIT_FOREIGN_FOLDER} "${FOREIGN_FOLDER_TEXT}"
  ${EndIf}

  ; While the files go in, only administrators and the system may change
  ; anything in the folder (an earlier installation let users do so), and
  ; it belongs to the administrators: an empty folder a user made would
  ; otherwise let that user give himself any right. Its list of rights is
  ; made anew, without the rights it had of its own (/reset) or from above.
  SetOutPath "$INSTDIR"
  StrCpy $RightsFailed 0
  !insertmacro Icacls '"$INSTDIR" /setowner ${SID_ADMINISTRATORS}'
  ${If} $RightsFailed == 0
    !insertmacro Icacls '"$INSTDIR" /reset'
  ${EndIf}
  ${If} $RightsFailed == 0
    !insertmacro Icacls '"$INSTDIR" /inheritance:r /grant:r ${SID_SYSTEM}:(OI)(CI)(F) ${SID_ADMINISTRATORS}:(OI)(CI)(F) ${SID_USERS}:(OI)(CI)(RX)'
  ${EndIf}
  ${If} $RightsFailed == 1
    !insertmacro StopInstallation ${EXIT_RIGHTS} "Die Zugriffsrechte des Ordners $INSTDIR konnten nicht gesetzt werden. Die Installation wurde abgebrochen; es wurde nichts installiert."
  ${EndIf}
  ; Something a user put in before the folder was closed.
  Call FindForeignEntry
  ${If} $Foreign != ""
    !insertmacro StopInstallation ${EXIT_FOREIGN_FOLDER} "${FOREIGN_FOLDER_TEXT}"
  ${EndIf}

  !insertmacro VemuFiles InstallFile
  !insertmacro RemoveBeforeWriting "${UNINSTALLER}"
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro CheckWritten "${UNINSTALLER}"
  !insertmacro ProtectFile "${UNINSTALLER}"

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

  ; Every installed file is protected: now users may create files in the
  ; folder (the settings, their replacement, the error file) and change
  ; the files in it, which inherit the right. The folder itself stays as
  ; it is: a user who could rename it could put another one in its place.
  StrCpy $RightsFailed 0
  !insertmacro Icacls '"$INSTDIR" /grant ${SID_USERS}:(WD)'
  !insertmacro Icacls '"$INSTDIR" /grant ${SID_USERS}:(OI)(IO)(M)'
  ${If} $RightsFailed == 1
    SetErrorLevel ${EXIT_RIGHTS}
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

; Replacements of the settings left by a program that ended while writing
; them (vemuKeys.set.<process id>.new); one that stays is named unremoved.
Function un.RemoveSettingsReplacements
  Delete "$INSTDIR\${SETTINGS}.*.new"
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\${SETTINGS}.*.new"
  ${If} $2 != ""
    !insertmacro NoteUnremoved "$2"
  ${EndIf}
  FindClose $1
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
  ; The settings go only with the programs, and the uninstaller stays while
  ; anything else of the program does, so that the apps entry can run it
  ; again.
  StrCpy $Unremoved ""
  !insertmacro VemuFiles RemoveFile
  ${If} $Unremoved == ""
    ${If} $KeepSettings != 1
      !insertmacro RemoveFile "${SETTINGS}"
    ${EndIf}
    !insertmacro RemoveFile "${SETTINGS}.new"
    Call un.RemoveSettingsReplacements
    !insertmacro RemoveFile "${ERROR_FILE}"
    !insertmacro RemoveFile "${OLD_ERROR_FILE}"
  ${EndIf}
  ${If} $Unremoved == ""
    !insertmacro RemoveFile "${UNINSTALLER}"
  ${EndIf}
  Call un.MatchEntriesToFiles
  ${If} $Unremoved != ""
    SetErrorLevel ${EXIT_FILE}
    DetailPrint "Nicht entfernt: $Unremoved"
    MessageBox MB_ICONSTOP "Diese Dateien im Ordner $INSTDIR konnten nicht entfernt werden: $Unremoved. Vielleicht sind sie noch geöffnet. Bitte beenden Sie alle Programme, die sie benutzen, und deinstallieren Sie ${PRODUCT} noch einmal." /SD IDOK
    Abort
  ${EndIf}

  ; Only when empty: the kept settings and files a user put there stay.
  RMDir "$INSTDIR"
  ; Users may no longer change files in a folder that stays behind: no
  ; installation looks after it any more.
  ${If} ${FileExists} "$INSTDIR\*.*"
    StrCpy $RightsFailed 0
    !insertmacro Icacls '"$INSTDIR" /grant:r ${SID_USERS}:(OI)(CI)(RX)'
    ${If} $RightsFailed == 1
      SetErrorLevel ${EXIT_RIGHTS}
      MessageBox MB_ICONEXCLAMATION "Die Zugriffsrechte des Ordners $INSTDIR, der erhalten bleibt, konnten nicht zurückgesetzt werden: alle Benutzer dürfen dort weiterhin Dateien ändern." /SD IDOK
    ${EndIf}
  ${EndIf}
SectionEnd
