; The installer of Vemu Keys for 64-bit Windows, in German: installs for all
; users into "Program Files\Vemu Keys", adds the Start menu entries and the
; entry in the list of installed apps, and optionally the autostart value
; the program itself writes. Silent with /S; see the guide's section for
; administrators for the switches and the exit codes.
;
; Every user's autostart and an administrator's uninstall run what is in
; that folder, and the Windows loader reads files beside a program (its
; .config, side-by-side manifests and DLLs, a .local folder) before any of
; its code runs. So users may write the shared data files and nothing else
; there: the installer creates the files the program writes (vemuKeys.set,
; its journal vemuKeys.set.journal, Errors.log, Errors.old.log) and gives
; the Users group read and write on exactly these; everything else they may
; read and run, and they may create, rename or delete nothing in the folder.
; Each program file is written fresh, owned by the Administrators, with its
; own list of rights. An update removes what a user may have put there that
; could change a program start, and takes every right of the Users group
; from other files it does not know; a new folder holding anything of
; something else is refused.
;
; Whatever can stop an installation is checked before anything in the
; folder changes; a run that is refused (exit code 3) or fails (4, 5) leaves
; the installation that was there, its Start menu entries and its apps entry
; as they were: the old program files are kept aside until the new ones are
; in place and protected, and put back when that fails.
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
;   RIGHTS_HELPER the helper program that makes and protects the folder
;                 and its files (vemuKeysRights.exe; the installer tests
;                 pack a test build of it that records its calls)

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
!insertmacro Required RIGHTS_HELPER

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
; The autostart value, exactly as the program reads and writes it: the
; program's path in quotes, so that Windows never takes a part of it
; ("C:\Program.exe") for the program. Older versions wrote it unquoted;
; such a value is the program's own as well.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "vemuKeys"
!define RUN_DATA '"$INSTDIR\${MAIN_PROGRAM}"'
!define OLD_RUN_DATA "$INSTDIR\${MAIN_PROGRAM}"
!define SETTINGS "vemuKeys.set"
!define JOURNAL "vemuKeys.set.journal"
!define PROGRAM_LINK "$SMPROGRAMS\${PRODUCT}.lnk"
!define GUIDE_LINK "$SMPROGRAMS\${PRODUCT} Anleitung.lnk"
; The folder an uninstall that kept the settings left: the installation
; that comes next takes it as the recorded one.
!define KEPT_FOLDER_VALUE "KeptFolder"
; The program holds this mutex while it runs (vemuKeysCon as well).
!define INSTANCE_MUTEX "Celeborn"
!define ERROR_ACCESS_DENIED 5
!define ERROR_SHARING_VIOLATION 32
; CreateFileW, GetFileAttributesW and GetFileInformationByHandle, for the
; checks of the folder's entries.
!define DELETE_ACCESS 0x00010000
!define READ_ATTRIBUTES 0x80
!define SHARE_ALL 7
!define OPEN_EXISTING 3
!define OPEN_LINK_ITSELF 0x00200000
; The same for a folder as well.
!define OPEN_ENTRY_ITSELF 0x02200000
!define FILE_INFORMATION_SIZE 52
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FOLDER_OR_LINK 0x410
; The files the program itself writes into its folder besides the settings.
!define ERROR_FILE "Errors.log"
!define OLD_ERROR_FILE "Errors.old.log"
; The files every user's program writes in place, and nothing else.
!macro DataFiles DO
  !insertmacro ${DO} "${SETTINGS}"
  !insertmacro ${DO} "${JOURNAL}"
  !insertmacro ${DO} "${ERROR_FILE}"
  !insertmacro ${DO} "${OLD_ERROR_FILE}"
!macroend
; Where the old program files wait while the new ones go in.
!define KEPT_ASIDE "$PLUGINSDIR\alt"
; Where the content of a data file with a second name waits for its new
; file, and the largest content kept (the error file's limit, with room).
!define KEPT_DATA "$PLUGINSDIR\daten"
!define MAX_DATA_SIZE 2097152
; Exit codes of a run that did not do its work (the guide lists them).
!define EXIT_RUNNING 2
!define EXIT_FOREIGN_FOLDER 3
!define EXIT_FILE 4
!define EXIT_RIGHTS 5
!define EXIT_SERVICE 6
; The sign-in helper's service, and the machine's key its helper reads
; (written by the program's elevated step).
!define SIGNIN_SERVICE "vemuKeysSignIn"
!define SIGNIN_SERVICE_PROGRAM "vemuKeysSignInService.exe"
!define SIGNIN_DISPLAY "Vemu Keys bei der Anmeldung"
!define SIGNIN_KEY "SOFTWARE\Vemu Keys\SignIn"
!define SIGNIN_KEY_PARENT "SOFTWARE\Vemu Keys"
; How the service is registered: its program by a quoted path in the locked
; folder, on its own, at every start of Windows, as LocalSystem.
!define SIGNIN_SERVICE_SETUP 'binPath= "\"$INSTDIR\${SIGNIN_SERVICE_PROGRAM}\"" type= own start= auto obj= LocalSystem DisplayName= "${SIGNIN_DISPLAY}"'

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

Var KeepSettings
; The first entry of the install folder that is not of this program.
Var Foreign
; The file that could not be replaced or protected.
Var FailedFile
; The files the uninstaller could not remove, for its message.
Var Unremoved
; While the program files are replaced, a stop puts the old ones back:
; "aside" while they are put aside, "writing" once all are aside and the
; new ones are written.
Var Replacing
; The old program files that could not be put back, for the message.
Var NotPutBack

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

; The helper that sets owners and rights (NSIS cannot set an owner and a
; protected list in one call, nor walk a tree by handle), run from the
; installer's own temporary folder, never from the program's. $0 is its
; exit code: 0 done, 3 a folder that is not the program's, 4 an entry in
; use or changed, 5 rights not set, 7 a parent that lets other users rename
; its folders.
!define RIGHTS_PROGRAM "$PLUGINSDIR\vemuKeysRights.exe"
!define HELPER_FOREIGN 3
!define HELPER_IN_USE 4
!define HELPER_PARENT 7
!macro PutRightsHelper
  InitPluginsDir
  ${IfNot} ${FileExists} "${RIGHTS_PROGRAM}"
    File "/oname=${RIGHTS_PROGRAM}" "${RIGHTS_HELPER}"
  ${EndIf}
!macroend
!macro Rights ARGUMENTS
  nsExec::Exec '"${RIGHTS_PROGRAM}" ${ARGUMENTS}'
  Pop $0
  ${If} $0 != 0
    DetailPrint `vemuKeysRights ${ARGUMENTS}: $0`
  ${EndIf}
!macroend

; The system's own service tools, by their full paths; net waits until a
; service has stopped. $0 is the exit code (0 when the service was running
; and stopped, or was there, for a query).
!macro ServiceTool TOOL ARGUMENTS
  nsExec::ExecToLog '"$SYSDIR\${TOOL}.exe" ${ARGUMENTS}'
  Pop $0
!macroend

; The sign-in service is stopped, so that its helper lets go of its file
; and the port; the section "-SignIn" starts it again when it stays.
!macro StopSignIn
  !insertmacro ServiceTool net 'stop ${SIGNIN_SERVICE}'
!macroend

; Stops and removes the sign-in service and the machine's key.
!macro RemoveSignIn
  !insertmacro StopSignIn
  !insertmacro ServiceTool sc 'delete ${SIGNIN_SERVICE}'
  DeleteRegKey HKLM "${SIGNIN_KEY}"
  DeleteRegKey /ifempty HKLM "${SIGNIN_KEY_PARENT}"
!macroend

; Entries that lead to files which are not there go: the apps entry without
; its uninstaller, the autostart value and the Start menu link without the
; program, the guide's link without the guide. Run after an uninstall.
Function un.MatchEntriesToFiles
  ${IfNot} ${FileExists} "$INSTDIR\${MAIN_PROGRAM}"
    Delete "${PROGRAM_LINK}"
    ; An autostart value that starts a copy elsewhere belongs to that copy.
    ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == `${RUN_DATA}`
    ${OrIf} $0 == "${OLD_RUN_DATA}"
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

; An installation that cannot go on: puts back the program files it had
; replaced, says why (in the list of details too; a silent run answers the
; message itself), names an old file that could not be put back, and stops
; with CODE. The entries are written last, so they are still those of the
; installation that was there, wherever that is.
!macro StopInstallation CODE TEXT
  StrCpy $NotPutBack ""
  ${If} $Replacing != ""
    Call PutBackProgramFiles
  ${EndIf}
  StrCpy $0 `${TEXT}`
  ${If} $NotPutBack != ""
    StrCpy $0 "$0$\r$\n$\r$\nDiese Dateien der bisherigen Installation konnten nicht zurückgelegt werden: $NotPutBack. Bitte installieren Sie ${PRODUCT} noch einmal."
  ${EndIf}
  DetailPrint $0
  MessageBox MB_ICONSTOP $0 /SD IDOK
  SetErrorLevel ${CODE}
  Abort
!macroend

Function FileNotReplaced
  !insertmacro StopInstallation ${EXIT_FILE} "Die Datei $FailedFile im Ordner $INSTDIR konnte nicht ersetzt werden; vielleicht ist sie noch geöffnet, etwa weil ${PRODUCT} in der Sitzung eines anderen Benutzers läuft. Die Installation wurde abgebrochen. Bitte beenden Sie alle Programme, die Dateien aus diesem Ordner benutzen, und installieren Sie noch einmal."
FunctionEnd

Function FileNotProtected
  !insertmacro StopInstallation ${EXIT_RIGHTS} "Die Zugriffsrechte der Datei $FailedFile im Ordner $INSTDIR konnten nicht gesetzt werden. Die Installation wurde abgebrochen, damit keine Datei dort für alle Benutzer änderbar bleibt."
FunctionEnd

; What an installation does with an entry $2 of $INSTDIR, in $3:
;   program   a file of the program or the uninstaller: replaced
;   data      a file the program writes: kept, owner and rights set anew
;   leftover  a replacement of the settings an older version wrote
;             (vemuKeys.set.<process id>.new): removed
;   relink    a data file that has another name as well (any user may add
;             a hard link to it): its content is kept for a new file (see
;             KeepContent) and the name is removed, which takes only that
;             name; the file elsewhere keeps its owner and rights
;   remove    what could change a program start (*.config, *.manifest,
;             *.local, *.dll), any folder and any link: removed; and a
;             program file that has another name as well
;   foreign   any other file: kept, without any right of the Users group
; $5 gets the entry's attributes (-1 when it could not be looked at, which
; makes it one to remove).
!macro NameIs NAME KIND
  ${If} $2 == "${NAME}"
    StrCpy $3 ${KIND}
  ${EndIf}
!macroend
!macro ProgramName NAME
  !insertmacro NameIs "${NAME}" program
!macroend
!macro DataName NAME
  !insertmacro NameIs "${NAME}" data
!macroend
!macro ExtensionRemoved EXTENSION
  ${If} $6 == "${EXTENSION}"
    StrCpy $3 remove
  ${EndIf}
!macroend

Function ClassifyEntry
  StrCpy $3 foreign
  !insertmacro VemuFiles ProgramName
  !insertmacro ProgramName "${UNINSTALLER}"
  !insertmacro DataFiles DataName
  !insertmacro NameIs "${SETTINGS}.new" leftover
  StrLen $5 "${SETTINGS}."
  StrCpy $6 $2 $5
  StrCpy $7 $2 "" -4
  ${If} $6 == "${SETTINGS}."
  ${AndIf} $7 == ".new"
    StrCpy $3 leftover
  ${EndIf}
  ${GetFileExt} "$2" $6
  !insertmacro ExtensionRemoved config
  !insertmacro ExtensionRemoved manifest
  !insertmacro ExtensionRemoved local
  !insertmacro ExtensionRemoved dll
  Call DescribeEntry
  IntOp $6 $5 & ${FOLDER_OR_LINK}
  ${If} $6 <> 0
    StrCpy $3 remove
  ${ElseIf} $7 > 1
  ${AndIf} $3 == data
    StrCpy $3 relink
  ${ElseIf} $7 > 1
  ${AndIf} $3 != program
    StrCpy $3 remove
  ${EndIf}
FunctionEnd

; The entry $2 of $INSTDIR itself, opened without following a link: $5 gets
; its attributes (-1 when it cannot be opened), $7 its number of names.
Function DescribeEntry
  StrCpy $5 -1
  StrCpy $7 1
  System::Call 'kernel32::CreateFileW(w "$INSTDIR\$2", i ${READ_ATTRIBUTES}, i ${SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i ${OPEN_ENTRY_ITSELF}, p 0) p .r8'
  ${If} $8 <> -1
    System::Alloc ${FILE_INFORMATION_SIZE}
    Pop $9
    System::Call 'kernel32::GetFileInformationByHandle(p r8, p r9) i .r6'
    ${If} $6 <> 0
      ; dwFileAttributes, three times, the volume, the size, nNumberOfLinks
      System::Call '*$9(i .r5, i, i, i, i, i, i, i, i, i, i .r7)'
    ${EndIf}
    System::Free $9
    System::Call 'kernel32::CloseHandle(p r8)'
  ${EndIf}
FunctionEnd

; $Foreign becomes the first entry of $INSTDIR that is not of this program,
; or "" when $INSTDIR may become the program's folder: it does not exist, is
; empty, holds only files of the program (an installation, or what an
; uninstall that kept the settings left), or is the folder the apps entry
; names (an update, which deals with whatever users have put into it).
Function FindForeignEntry
  StrCpy $Foreign ""
  ReadRegStr $4 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $4 == $INSTDIR
    Return
  ${EndIf}
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      Call ClassifyEntry
      ${If} $3 == remove
      ${OrIf} $3 == relink
      ${OrIf} $3 == foreign
        StrCpy $Foreign $2
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

; $R9 gets the owner of the file or folder $R8 as a SID text, "" when it
; cannot be read.
Function OwnerOf
  Push $R6
  Push $R7
  StrCpy $R9 ""
  System::Call 'advapi32::GetNamedSecurityInfoW(w R8, i 1, i 1, *p .R6, p 0, p 0, p 0, *p .R7) i .r0'
  ${If} $0 == 0
    System::Call 'advapi32::ConvertSidToStringSidW(p R6, *p .R6) i .r0'
    ${If} $0 <> 0
      System::Call 'kernel32::lstrcpynW(w .R9, p R6, i ${NSIS_MAX_STRLEN})'
      System::Call 'kernel32::LocalFree(p R6)'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p R7)'
  ${EndIf}
  Pop $R7
  Pop $R6
FunctionEnd

; The data file $2 has another name as well: its content waits in
; ${KEPT_DATA} for the new file MakeDataFile makes, when it is what an
; installation made (owned by the administrators, or by whoever owns what
; this installer makes) and no larger than the program lets its files grow.
; A file of someone else behind that name is never copied where every user
; may read it; the new file then begins empty.
Function KeepContent
  Push $R5
  Push $R8
  Push $R9
  StrCpy $R8 "$PLUGINSDIR"
  Call OwnerOf
  StrCpy $R5 $R9
  StrCpy $R8 "$INSTDIR\$2"
  Call OwnerOf
  ${If} $R9 == ""
    StrCpy $R5 "?"
  ${ElseIf} $R9 == "S-1-5-32-544"
    StrCpy $R5 $R9
  ${EndIf}
  ${If} $R9 == $R5
    ClearErrors
    FileOpen $R8 "$INSTDIR\$2" r
    ${IfNot} ${Errors}
      FileSeek $R8 0 END $R9
      FileClose $R8
      ${If} $R9 <= ${MAX_DATA_SIZE}
        CreateDirectory "${KEPT_DATA}"
        CopyFiles /SILENT "$INSTDIR\$2" "${KEPT_DATA}\$2"
        DetailPrint "Inhalt behalten: $INSTDIR\$2"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $R9
  Pop $R8
  Pop $R5
FunctionEnd

!define FOREIGN_FOLDER_TEXT "Der Ordner $INSTDIR enthält schon anderes ($Foreign). Bitte wählen Sie einen leeren oder neuen Ordner für ${PRODUCT}."
!define PARENT_TEXT "Der übergeordnete Ordner von $INSTDIR fehlt oder erlaubt anderen Benutzern, die Ordner darin umzubenennen oder zu löschen. Dort könnte ein Benutzer ${PRODUCT} gegen ein eigenes Programm austauschen, das dann bei jedem Benutzer startet. Bitte wählen Sie einen Ordner unter $PROGRAMFILES64, etwa $PROGRAMFILES64\${PRODUCT}."

Function DirectoryLeave
  Call FindForeignEntry
  ${If} $Foreign != ""
    MessageBox MB_ICONEXCLAMATION "${FOREIGN_FOLDER_TEXT}"
    Abort
  ${EndIf}
  !insertmacro PutRightsHelper
  !insertmacro Rights 'check-parent "$INSTDIR"'
  ${If} $0 != 0
    MessageBox MB_ICONEXCLAMATION "${PARENT_TEXT}"
    Abort
  ${EndIf}
FunctionEnd

; Every file the installation will replace, remove or give new rights to
; can be opened for deletion without sharing: no other program (another
; user's, or one a user keeps a file open with) holds it. Checked before
; anything in the folder changes; stops with exit code 4.
Function CheckNothingHeld
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoWhile} $2 != ""
    ${IfNot} ${FileExists} "$INSTDIR\$2\*.*"
      System::Call 'kernel32::CreateFileW(w "$INSTDIR\$2", i ${DELETE_ACCESS}, i 0, p 0, i ${OPEN_EXISTING}, i ${OPEN_LINK_ITSELF}, p 0) p .r3 ?e'
      Pop $4
      ${If} $3 = -1
        ${If} $4 == ${ERROR_SHARING_VIOLATION}
          FindClose $1
          StrCpy $FailedFile $2
          Call FileNotReplaced
        ${EndIf}
      ${Else}
        System::Call 'kernel32::CloseHandle(p r3)'
      ${EndIf}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

; Before anything is written, only administrators and the system may
; change anything in the folder, and it belongs to the administrators. A new
; folder gets its owner and protected rights in the call that makes it; the
; recorded installation's (an update, or what an uninstall that kept the
; settings left) gets them in one call, never passing through a state that
; inherits; an empty folder someone else made, who may still hold it open,
; is made afresh; anything else is refused, and so is a place whose parent
; lets other users rename or delete its folders. Users may read and run
; what is there.
Function MakeFolder
  StrCpy $R0 new
  ReadRegStr $4 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $5 HKLM "${SIGNIN_KEY_PARENT}" "${KEPT_FOLDER_VALUE}"
  ${If} $4 == $INSTDIR
  ${OrIf} $5 == $INSTDIR
    StrCpy $R0 recorded
  ${EndIf}
  !insertmacro Rights 'make-folder "$INSTDIR" $R0'
  ${If} $0 == ${HELPER_PARENT}
    !insertmacro StopInstallation ${EXIT_FOREIGN_FOLDER} "${PARENT_TEXT}"
  ${ElseIf} $0 == ${HELPER_FOREIGN}
    ; Named by its first entry; an empty one someone holds is in use.
    StrCpy $Foreign "in Benutzung"
    ClearErrors
    FindFirst $1 $2 "$INSTDIR\*"
    ${DoWhile} $2 != ""
      ${If} $2 != "."
      ${AndIf} $2 != ".."
        StrCpy $Foreign $2
        ${ExitDo}
      ${EndIf}
      FindNext $1 $2
    ${Loop}
    FindClose $1
    !insertmacro StopInstallation ${EXIT_FOREIGN_FOLDER} "${FOREIGN_FOLDER_TEXT}"
  ${ElseIf} $0 != 0
    !insertmacro StopInstallation ${EXIT_RIGHTS} "Die Zugriffsrechte des Ordners $INSTDIR konnten nicht gesetzt werden. Die Installation wurde abgebrochen; es wurde nichts installiert."
  ${EndIf}
  ; The folder is the program's from now on, whatever stops the run.
  WriteRegStr HKLM "${SIGNIN_KEY_PARENT}" "${KEPT_FOLDER_VALUE}" "$INSTDIR"
FunctionEnd

; A file of the folder gets the Administrators as owner and only its own
; rights (RIGHTS: none, read-run or read-write for the Users group), in one
; call on the file itself: whatever rights a user who owned it gave it go,
; and nothing is inherited.
!macro SetFileRights NAME RIGHTS
  !insertmacro Rights 'protect-file "$INSTDIR\${NAME}" ${RIGHTS}'
  ${If} $0 != 0
    StrCpy $FailedFile "${NAME}"
    Call FileNotProtected
  ${EndIf}
!macroend

; A folder $2 a user made in $INSTDIR while users could is still his, and
; so is what is in it: once one of its folders is empty he could turn it
; into a link to a folder elsewhere while an administrator walks through
; it. The helper walks it by handle, takes each folder from him before it
; walks into it, and removes a link inside as itself: what it leads to
; stays. Rights that cannot be set stop the installation (5), an entry in
; use or changed meanwhile as a file not replaced (4).
Function RemoveUsersFolder
  !insertmacro Rights 'remove-tree "$INSTDIR\$2"'
  ${If} $0 == ${EXIT_RIGHTS}
    FindClose $1
    StrCpy $FailedFile $2
    Call FileNotProtected
  ${EndIf}
FunctionEnd

; Nothing a user put into the folder can take effect: what could change a
; program start goes, other files keep no right of the Users group, and
; leftovers of older versions go. The details list each.
Function DealWithForeignEntries
  ClearErrors
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      Call ClassifyEntry
      ${If} $3 == relink
        Call KeepContent
      ${EndIf}
      ${If} $3 == remove
      ${OrIf} $3 == leftover
      ${OrIf} $3 == relink
        DetailPrint "Entfernt: $INSTDIR\$2"
        IntOp $6 $5 & ${FOLDER_OR_LINK}
        ${If} $6 = ${FILE_ATTRIBUTE_DIRECTORY}
          Call RemoveUsersFolder
        ${Else}
          RMDir "$INSTDIR\$2"
          Delete "$INSTDIR\$2"
        ${EndIf}
        ${If} ${FileExists} "$INSTDIR\$2"
          FindClose $1
          StrCpy $FailedFile $2
          Call FileNotReplaced
        ${EndIf}
      ${ElseIf} $3 == foreign
        DetailPrint "Keine Rechte mehr für Benutzer: $INSTDIR\$2"
        !insertmacro SetFileRights "$2" none
      ${EndIf}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

; A file every user's program writes: kept when it is there, made with
; the content kept of a file with a second name (KeepContent), else empty;
; users may read and write it, nothing more.
!macro MakeDataFile NAME
  ${IfNot} ${FileExists} "$INSTDIR\${NAME}"
  ${AndIf} ${FileExists} "${KEPT_DATA}\${NAME}"
    ClearErrors
    CopyFiles /SILENT "${KEPT_DATA}\${NAME}" "$INSTDIR\${NAME}"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${NAME}" w
    ${IfNot} ${Errors}
      FileClose $0
    ${EndIf}
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $FailedFile "${NAME}"
    Call FileNotReplaced
  ${EndIf}
  SetFileAttributes "$INSTDIR\${NAME}" NORMAL
  !insertmacro SetFileRights "${NAME}" read-write
!macroend

; The program file that was there waits aside until the new one is in place:
; a stop puts it back.
!macro KeepAside NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    Rename "$INSTDIR\${NAME}" "${KEPT_ASIDE}\${NAME}"
    ${If} ${Errors}
      StrCpy $FailedFile "${NAME}"
      Call FileNotReplaced
    ${EndIf}
  ${EndIf}
!macroend

; What is in the folder under a program file's name was written by this run
; when the old file is kept aside, or once every old file is: it goes. Any
; other file there is an old one that was never put aside, and stays.
!macro PutBack NAME
  ${If} ${FileExists} "${KEPT_ASIDE}\${NAME}"
  ${OrIf} $Replacing == writing
    Delete "$INSTDIR\${NAME}"
  ${EndIf}
  ${If} ${FileExists} "${KEPT_ASIDE}\${NAME}"
    ClearErrors
    Rename "${KEPT_ASIDE}\${NAME}" "$INSTDIR\${NAME}"
    ${If} ${Errors}
      ; Kept aside in the plugins folder, which goes when the installer ends.
      ClearErrors
      CopyFiles /SILENT "${KEPT_ASIDE}\${NAME}" "$INSTDIR\${NAME}"
      ${If} ${Errors}
      ${OrIfNot} ${FileExists} "$INSTDIR\${NAME}"
        ${If} $NotPutBack != ""
          StrCpy $NotPutBack "$NotPutBack, "
        ${EndIf}
        StrCpy $NotPutBack "$NotPutBack${NAME}"
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

Function PutBackProgramFiles
  !insertmacro VemuFiles PutBack
  !insertmacro PutBack "${UNINSTALLER}"
  StrCpy $Replacing ""
FunctionEnd

!macro CheckWritten NAME
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $FailedFile "${NAME}"
    Call FileNotReplaced
  ${EndIf}
!macroend

; A file of the program stays as it was installed: owned by the
; administrators, only they and the system may change it, users may run and
; read it. Without this it would inherit the folder's rights.
!macro ProtectFile NAME
  !insertmacro SetFileRights "${NAME}" read-run
!macroend

!macro InstallFile NAME
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
  ; Whatever can refuse the installation is checked first. The program may
  ; have been started since the first page.
  !insertmacro CheckNotRunning
  Call FindForeignEntry
  ${If} $Foreign != ""
    !insertmacro StopInstallation ${EXIT_FOREIGN_FOLDER} "${FOREIGN_FOLDER_TEXT}"
  ${EndIf}
  !insertmacro StopSignIn
  Call CheckNothingHeld

  ; The folder is made before anything else could make it (SetOutPath
  ; would, inheriting the parent's rights).
  !insertmacro PutRightsHelper
  Call MakeFolder
  SetOutPath "$INSTDIR"
  Call DealWithForeignEntries
  !insertmacro DataFiles MakeDataFile

  CreateDirectory "${KEPT_ASIDE}"
  StrCpy $Replacing aside
  !insertmacro VemuFiles KeepAside
  !insertmacro KeepAside "${UNINSTALLER}"
  StrCpy $Replacing writing
  !insertmacro VemuFiles InstallFile
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro CheckWritten "${UNINSTALLER}"
  !insertmacro ProtectFile "${UNINSTALLER}"
  StrCpy $Replacing ""
  ; The folder is the recorded installation's now, by the apps entry.
  DeleteRegValue HKLM "${SIGNIN_KEY_PARENT}" "${KEPT_FOLDER_VALUE}"

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
SectionEnd

Section /o "Automatisch mit Windows starten" SecAutostart
SectionEnd

; Runs after the sections the user chose: the autostart value follows the
; choice (which starts out as the state found, see .onInit).
Section "-Autostart"
  ${If} ${SectionIsSelected} ${SecAutostart}
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" `${RUN_DATA}`
  ${Else}
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
SectionEnd

Section /o "Anmeldung und Benutzerkontensteuerung" SecSignIn
SectionEnd

; After the files: the service runs the helper of this installation, by a
; quoted path in the locked folder, as LocalSystem; without the choice it
; goes, with the machine's key.
Section "-SignIn"
  ${If} ${SectionIsSelected} ${SecSignIn}
    ; Created, or changed when it is there; what cannot be changed (a
    ; system without "sc config") is made afresh.
    !insertmacro ServiceTool sc 'create ${SIGNIN_SERVICE} ${SIGNIN_SERVICE_SETUP}'
    ${If} $0 != 0
      !insertmacro ServiceTool sc 'config ${SIGNIN_SERVICE} ${SIGNIN_SERVICE_SETUP}'
    ${EndIf}
    ${If} $0 != 0
      !insertmacro ServiceTool sc 'delete ${SIGNIN_SERVICE}'
      !insertmacro ServiceTool sc 'create ${SIGNIN_SERVICE} ${SIGNIN_SERVICE_SETUP}'
    ${EndIf}
    ${If} $0 != 0
      DetailPrint "Der Dienst ${SIGNIN_SERVICE} konnte nicht eingerichtet werden ($0)."
      SetErrorLevel ${EXIT_SERVICE}
    ${Else}
      !insertmacro ServiceTool sc 'description ${SIGNIN_SERVICE} "Bedienung der Anmeldung und der Rückfragen von Windows mit dem Hilfsmittel"'
      !insertmacro ServiceTool net 'start ${SIGNIN_SERVICE}'
    ${EndIf}
  ${Else}
    !insertmacro RemoveSignIn
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Die Programme ${PRODUCT} und vemuKeysCon, die Hilfe für die Anmeldung und die Anleitung."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} "${PRODUCT} startet bei jeder Anmeldung eines Benutzers an diesem Computer."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSignIn} "Das Hilfsmittel bedient auch die Anmeldung, den Sperrbildschirm und die Rückfragen der Benutzerkontensteuerung. Der Anschluss wird im Einstellungsdialog gewählt."
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
  ; The sign-in service stays as it is (an update keeps it); /SIGNIN
  ; registers it, /SIGNIN=0 removes it.
  nsExec::Exec '"$SYSDIR\sc.exe" query ${SIGNIN_SERVICE}'
  Pop $0
  ${If} $0 == 0
    !insertmacro SelectSection ${SecSignIn}
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/SIGNIN" $0
  ${IfNot} ${Errors}
    ${If} $0 == "=0"
      !insertmacro UnselectSection ${SecSignIn}
    ${Else}
      !insertmacro SelectSection ${SecSignIn}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro CheckNotRunning
FunctionEnd

; Replacements of the settings that an older version left when it ended
; while writing them (vemuKeys.set.<process id>.new); one that stays is
; named unremoved.
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
  ; The service first: its helper holds its file.
  !insertmacro RemoveSignIn
  !insertmacro VemuFiles RemoveFile
  !insertmacro PutRightsHelper
  ${If} $Unremoved == ""
    StrCpy $R1 1
    ${If} $KeepSettings != 1
      !insertmacro RemoveFile "${SETTINGS}"
    ${Else}
      ; A write that was cut off left the latest settings in the journal:
      ; they go into the kept file first. A journal that cannot be taken up
      ; stays with it, for the program's next start.
      !insertmacro Rights 'take-up-journal "$INSTDIR\${SETTINGS}"'
      ${If} $0 != 0
        StrCpy $R1 0
      ${EndIf}
    ${EndIf}
    ${If} $R1 == 1
      !insertmacro RemoveFile "${JOURNAL}"
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
  DeleteRegValue HKLM "${SIGNIN_KEY_PARENT}" "${KEPT_FOLDER_VALUE}"
  DeleteRegKey /ifempty HKLM "${SIGNIN_KEY_PARENT}"
  ; No installation looks after a folder that stays behind: users may only
  ; read in it (and still write the settings file it keeps). It is recorded,
  ; so that the next installation takes it as the program's.
  ${If} ${FileExists} "$INSTDIR\*.*"
    WriteRegStr HKLM "${SIGNIN_KEY_PARENT}" "${KEPT_FOLDER_VALUE}" "$INSTDIR"
    !insertmacro Rights 'close-folder "$INSTDIR"'
    ${If} $0 != 0
      SetErrorLevel ${EXIT_RIGHTS}
      MessageBox MB_ICONEXCLAMATION "Die Zugriffsrechte des Ordners $INSTDIR, der erhalten bleibt, konnten nicht zurückgesetzt werden: alle Benutzer dürfen dort weiterhin Dateien ändern." /SD IDOK
    ${EndIf}
  ${EndIf}
SectionEnd
