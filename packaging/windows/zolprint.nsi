; The Windows installer of ZOLprint and ZOL user name, for one user and
; without administrator rights. CPack builds it right after the zip
; (packaging/windows/makeinstaller.cmake), from the zip's folder, so the
; installer and the zip ship the same files:
;   makensis -DVERSION=2.1.4 -DSTAGE=<unpacked zip folder> -DFILES=<file list>
;            -DSIZE_KB=<the folder's size> -DOUTFILE=<setup.exe> zolprint.nsi
; FILES is an include of the uninstaller's Delete and RMDir lines, made from
; the same folder: the uninstaller removes what was installed and nothing
; else, so a folder the user chose that holds files of their own keeps them.
;
; The settings are not in the install folder: ZOLprint started from these
; entries keeps zolprint.ini in the user's own folder (--user-settings), and
; its other settings in HKCU\Software\ZOL. Neither is touched here, so an
; update or an uninstall leaves them as they were.
;
; A program running from the folder holds its .exe and DLLs open: Windows
; (and Wine) refuse to overwrite or delete them, so an install or uninstall
; that went ahead would leave half of it behind. Both look first and change
; nothing while either program runs (exit code 2 when silent).
;
; The uninstall entry runs Uninstall.exe in place (_?=): NSIS would otherwise
; start a copy of it in %TEMP%\~nsu.tmp and return at once, so the caller
; never learns the outcome, and that copy and its folder are only marked for
; deletion at the next restart, which a user without administrator rights
; cannot even ask for: the folder stayed. Run in place, the uninstaller
; removes everything but its own file, which a small command started as it
; ends deletes once it has exited.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
; A file that cannot be written stops the install: Ignore would leave a mix
; of two versions.
AllowSkipFiles off

!macro Required name
    !ifndef ${name}
        !error "Define ${name}: VERSION, STAGE, FILES and OUTFILE (packaging/windows/makeinstaller.cmake does)"
    !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required STAGE
!insertmacro Required FILES
!insertmacro Required OUTFILE
!insertmacro Required SIZE_KB

!define PRODUCT "ZOLprint"
!define PUBLISHER "The ZOLprint developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZOLprint"
!define CLASSES "Software\Classes"
!define PROGID "ZOLprint.Measurements"
!define TYPE_NAME "ZOL measurements file"
; SHCNE_ASSOCCHANGED: Explorer shows the new icon and type without a restart.
!define SHCNE_ASSOCCHANGED 0x08000000

; Exit codes: the program is running (nothing was changed); a file is
; removed only at the next restart (ERROR_SUCCESS_REBOOT_REQUIRED).
!define EXIT_RUNNING 2
!define EXIT_REBOOT 3010

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\ZOLprint"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "${STAGE}/zol.ico"
!define MUI_UNICON "${STAGE}/zol.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\ZOLprint.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "--user-settings"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: a Windows in another language than these four gets English.
; NSIS chooses the language Windows is set to when it is one of them.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Dutch"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "French"

LangString Running ${LANG_ENGLISH} "ZOLprint or ZOL user name is running from $R0.$\r$\n$\r$\nClose it, then choose Retry. Nothing has been changed."
LangString Running ${LANG_DUTCH} "ZOLprint of ZOL user name draait vanuit $R0.$\r$\n$\r$\nSluit het programma en kies dan Opnieuw. Er is nog niets gewijzigd."
LangString Running ${LANG_GERMAN} "ZOLprint oder ZOL user name läuft aus $R0.$\r$\n$\r$\nBeenden Sie das Programm und wählen Sie dann Wiederholen. Es wurde nichts geändert."
LangString Running ${LANG_FRENCH} "ZOLprint ou ZOL user name est en cours d'exécution depuis $R0.$\r$\n$\r$\nFermez-le, puis choisissez Réessayer. Rien n'a été modifié."
LangString Reboot ${LANG_ENGLISH} "Some files in $INSTDIR are in use and could not be removed. They will be removed when Windows restarts."
LangString Reboot ${LANG_DUTCH} "Enkele bestanden in $INSTDIR zijn in gebruik en konden niet worden verwijderd. Ze worden verwijderd wanneer Windows opnieuw opstart."
LangString Reboot ${LANG_GERMAN} "Einige Dateien in $INSTDIR sind in Gebrauch und konnten nicht entfernt werden. Sie werden beim nächsten Neustart von Windows entfernt."
LangString Reboot ${LANG_FRENCH} "Certains fichiers de $INSTDIR sont en cours d'utilisation et n'ont pas pu être supprimés. Ils seront supprimés au prochain démarrage de Windows."

; Whether a program of the folder $R0 runs: a running program's .exe cannot
; be opened for writing. Asks to close it (Retry, Cancel) until it is closed;
; Cancel, or any running program in silent mode, ends here with EXIT_RUNNING
; before anything was changed.
!macro WaitUntilClosed un
Function ${un}WaitUntilClosed
    again:
    StrCpy $R1 ""
    ${If} ${FileExists} "$R0\ZOLprint.exe"
        ClearErrors
        FileOpen $R2 "$R0\ZOLprint.exe" a
        ${If} ${Errors}
            StrCpy $R1 "ZOLprint.exe"
        ${Else}
            FileClose $R2
        ${EndIf}
    ${EndIf}
    ${If} ${FileExists} "$R0\ZOL user name.exe"
        ClearErrors
        FileOpen $R2 "$R0\ZOL user name.exe" a
        ${If} ${Errors}
            StrCpy $R1 "ZOL user name.exe"
        ${Else}
            FileClose $R2
        ${EndIf}
    ${EndIf}
    ${If} $R1 != ""
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY again
        SetErrorLevel ${EXIT_RUNNING}
        Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""
!insertmacro WaitUntilClosed "un."

; One extension of the measurements file type. ZOLprint joins the
; extension's "Open with" list, and opens it on a double click only where no
; other program does: another program's default stays, and is noted in the
; uninstall entry to be put back should it be gone by then.
!macro Extension ext
    ReadRegStr $0 HKCU "${CLASSES}\${ext}" ""
    ${If} $0 == ""
    ${OrIf} $0 == "${PROGID}"
        WriteRegStr HKCU "${CLASSES}\${ext}" "" "${PROGID}"
    ${Else}
        WriteRegStr HKCU "${UNINSTALL_KEY}" "PreviousDefault${ext}" "$0"
    ${EndIf}
    WriteRegStr HKCU "${CLASSES}\${ext}\OpenWithProgids" "${PROGID}" ""
!macroend

; Undoes Extension: ZOLprint leaves the "Open with" list; where it is the
; default, the previous default comes back, or none; the extension's keys go
; only when nothing of another program is left in them (/ifempty: neither
; values nor subkeys).
!macro un.Extension ext
    DeleteRegValue HKCU "${CLASSES}\${ext}\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${ext}\OpenWithProgids"
    ReadRegStr $0 HKCU "${CLASSES}\${ext}" ""
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "PreviousDefault${ext}"
    ${If} $0 == "${PROGID}"
    ${OrIf} $0 == ""
        ${If} $1 != ""
            WriteRegStr HKCU "${CLASSES}\${ext}" "" "$1"
        ${ElseIf} $0 == "${PROGID}"
            DeleteRegValue HKCU "${CLASSES}\${ext}" ""
        ${EndIf}
    ${EndIf}
    DeleteRegKey /ifempty HKCU "${CLASSES}\${ext}"
!macroend

Function .onInit
    SetShellVarContext current
FunctionEnd

Section "ZOLprint"
    SetShellVarContext current
    ; Neither the folder of the older version nor the chosen one may hold a
    ; running program.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        StrCpy $R0 $0
        Call WaitUntilClosed
    ${EndIf}
    StrCpy $R0 $INSTDIR
    Call WaitUntilClosed

    ; An older version is removed first by its own uninstaller, which knows
    ; its own files; the settings are not among them. It runs from a copy in
    ; the installer's own temporary folder, which goes when the installer
    ; ends, and in place (_?=), so that it is waited for.
    InitPluginsDir
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\Uninstall.exe"
        CopyFiles /SILENT "$0\Uninstall.exe" "$PLUGINSDIR\old-uninstall.exe"
        ExecWait '"$PLUGINSDIR\old-uninstall.exe" /S _?=$0' $1
        ${If} $1 != 0
            ; It found a program running after all, or left a file for the
            ; restart: installing now would mix the two.
            SetErrorLevel $1
            Quit
        ${EndIf}
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; Started from the Start menu, in the user's documents: the file dialogs
    ; open there, and the settings are the user's own wherever it starts.
    SetOutPath "$DOCUMENTS"
    CreateDirectory "$SMPROGRAMS\ZOLprint"
    CreateShortCut "$SMPROGRAMS\ZOLprint\ZOLprint.lnk" "$INSTDIR\ZOLprint.exe" "--user-settings" \
        "$INSTDIR\ZOLprint.exe" 0
    CreateShortCut "$SMPROGRAMS\ZOLprint\ZOL user name.lnk" "$INSTDIR\ZOL user name.exe" "" \
        "$INSTDIR\ZOL user name.exe" 0
    CreateShortCut "$SMPROGRAMS\ZOLprint\ZOLprint user guide.lnk" \
        "$INSTDIR\doc\zolprint\user-guide.html"
    SetOutPath "$INSTDIR"

    WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "${TYPE_NAME}"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\zol.ico,0"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\shell" "" "open"
    WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" \
        '"$INSTDIR\ZOLprint.exe" --user-settings "%1"'
    !insertmacro Extension ".vmt"
    !insertmacro Extension ".mcs"
    !insertmacro Extension ".fms"
    !insertmacro Extension ".mdh"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\ZOLprint.exe",0'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" _?=$INSTDIR'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetShellVarContext current
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    StrCpy $R0 $INSTDIR
    Call un.WaitUntilClosed
    Delete "$SMPROGRAMS\ZOLprint\ZOLprint.lnk"
    Delete "$SMPROGRAMS\ZOLprint\ZOL user name.lnk"
    Delete "$SMPROGRAMS\ZOLprint\ZOLprint user guide.lnk"
    RMDir "$SMPROGRAMS\ZOLprint"

    !insertmacro un.Extension ".vmt"
    !insertmacro un.Extension ".mcs"
    !insertmacro un.Extension ".fms"
    !insertmacro un.Extension ".mdh"
    DeleteRegKey HKCU "${CLASSES}\${PROGID}"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

    ; A file another program still holds goes at the next restart, and the
    ; user is told.
    !include "${FILES}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ; The running uninstaller cannot delete itself. Run in place (from the
    ; entry) it is Uninstall.exe; started without _?= (a double click on it)
    ; NSIS runs a copy in %TEMP%\~nsu*.tmp and marks it for a restart, which
    ; without administrator rights never comes. Either way a command deletes
    ; the file as soon as this program has ended, then its folder and the
    ; install folder when nothing else is left in them. Started by an
    ; installer, from the installer's own temporary folder, it is neither,
    ; and Uninstall.exe goes now.
    Delete "$INSTDIR\Uninstall.exe"
    StrCpy $R3 ""
    ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
        StrCpy $R3 "$INSTDIR\Uninstall.exe"
    ${Else}
        StrLen $R5 "$TEMP\~nsu"
        StrCpy $R4 $EXEDIR $R5
        ${If} $R4 == "$TEMP\~nsu"
            StrCpy $R3 $EXEPATH
        ${EndIf}
    ${EndIf}
    ${If} $R3 != ""
        GetTempFileName $R1
        FileOpen $R2 $R1 w
        ; Out of the folder first: a folder that is a program's working
        ; folder cannot be removed.
        FileWrite $R2 '@echo off$\r$\ncd /d "%~dp0"$\r$\nset n=0$\r$\n:again$\r$\n'
        FileWrite $R2 'del "$R3" >nul 2>&1$\r$\n'
        FileWrite $R2 'set /a n+=1$\r$\n'
        FileWrite $R2 'if exist "$R3" if %n% lss 100000 goto again$\r$\n'
        FileWrite $R2 'rmdir "$INSTDIR" >nul 2>&1$\r$\n'
        ${If} $R3 == $EXEPATH
            FileWrite $R2 'rmdir "$EXEDIR" >nul 2>&1$\r$\n'
        ${EndIf}
        FileWrite $R2 'del "%~f0"$\r$\n'
        FileClose $R2
        Rename $R1 "$R1.cmd"
        SetOutPath $TEMP
        ExecShell "" "$SYSDIR\cmd.exe" '/c "$R1.cmd"' SW_HIDE
    ${Else}
        ; Only when empty: what the user put there stays.
        RMDir "$INSTDIR"
    ${EndIf}

    ${If} ${RebootFlag}
        MessageBox MB_OK|MB_ICONINFORMATION "$(Reboot)" /SD IDOK
        SetErrorLevel ${EXIT_REBOOT}
    ${EndIf}
SectionEnd
