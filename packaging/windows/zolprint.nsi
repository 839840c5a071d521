; The Windows installer of ZOLprint and ZOL user name, for one user and
; without administrator rights. CPack builds it right after the zip
; (packaging/windows/makeinstaller.cmake), from the zip's folder, so the
; installer and the zip ship the same files:
;   makensis -DVERSION=2.1.4 -DSTAGE=<unpacked zip folder> -DFILES=<file list>
;            -DOUTFILE=<setup.exe> zolprint.nsi
; FILES is an include of the uninstaller's Delete and RMDir lines, made from
; the same folder: the uninstaller removes what was installed and nothing
; else, so a folder the user chose that holds files of their own keeps them.
;
; The settings are not in the install folder: ZOLprint started from these
; entries keeps zolprint.ini in the user's own folder (--user-settings), and
; its other settings in HKCU\Software\ZOL. Neither is touched here, so an
; update or an uninstall leaves them as they were.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!macro Required name
    !ifndef ${name}
        !error "Define ${name}: VERSION, STAGE, FILES and OUTFILE (packaging/windows/makeinstaller.cmake does)"
    !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required STAGE
!insertmacro Required FILES
!insertmacro Required OUTFILE

!define PRODUCT "ZOLprint"
!define PUBLISHER "The ZOLprint developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZOLprint"
!define CLASSES "Software\Classes"
!define PROGID "ZOLprint.Measurements"
!define TYPE_NAME "ZOL measurements file"
; SHCNE_ASSOCCHANGED: Explorer shows the new icon and type without a restart.
!define SHCNE_ASSOCCHANGED 0x08000000

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

; One extension of the measurements file type.
!macro Extension ext
    WriteRegStr HKCU "${CLASSES}\${ext}" "" "${PROGID}"
    WriteRegStr HKCU "${CLASSES}\${ext}\OpenWithProgids" "${PROGID}" ""
!macroend

; Undoes Extension, but leaves an extension that another program has taken
; over since to that program.
!macro un.Extension ext
    DeleteRegValue HKCU "${CLASSES}\${ext}\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${ext}\OpenWithProgids"
    ReadRegStr $0 HKCU "${CLASSES}\${ext}" ""
    ${If} $0 == "${PROGID}"
        DeleteRegValue HKCU "${CLASSES}\${ext}" ""
    ${EndIf}
    DeleteRegKey /ifempty HKCU "${CLASSES}\${ext}"
!macroend

Function .onInit
    SetShellVarContext current
FunctionEnd

Section "ZOLprint"
    SetShellVarContext current
    ; An older version is removed first by its own uninstaller, which knows
    ; its own files; the settings are not among them.
    InitPluginsDir
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\Uninstall.exe"
        CopyFiles /SILENT "$0\Uninstall.exe" "$PLUGINSDIR\old-uninstall.exe"
        ExecWait '"$PLUGINSDIR\old-uninstall.exe" /S _?=$0'
    ${EndIf}

    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; Started from the Start menu, in the user's documents: the file dialogs
    ; open there, and the settings are the user's own wherever it starts.
    SetOutPath "$DOCUMENTS"
    CreateDirectory "$SMPROGRAMS\ZOLprint"
    CreateShortCut "$SMPROGRAMS\ZOLprint\ZOLprint.lnk" "$INSTDIR\ZOLprint.exe" "--user-settings" \
        "$INSTDIR\zol.ico" 0
    CreateShortCut "$SMPROGRAMS\ZOLprint\ZOL user name.lnk" "$INSTDIR\ZOL user name.exe" "" \
        "$INSTDIR\zol.ico" 0
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
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zol.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetShellVarContext current
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\ZOLprint\ZOLprint.lnk"
    Delete "$SMPROGRAMS\ZOLprint\ZOL user name.lnk"
    RMDir "$SMPROGRAMS\ZOLprint"

    !insertmacro un.Extension ".vmt"
    !insertmacro un.Extension ".mcs"
    !insertmacro un.Extension ".fms"
    !insertmacro un.Extension ".mdh"
    DeleteRegKey HKCU "${CLASSES}\${PROGID}"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

    !include "${FILES}"
    Delete "$INSTDIR\Uninstall.exe"
    ; Only when empty: what the user put there stays.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
