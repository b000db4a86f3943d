; Setup program for Windows: installs tilebridge.exe, the console converter
; tilebridge-convert.exe and bitstrings.dll into a folder under Program
; Files, registers the component, offers tilebridge.exe under "Open with"
; for .nes, .gb and .gbc files, adds a Start-menu entry for all users and an
; uninstaller that undoes every step. /S installs and uninstalls without
; asking.
;
; The build passes:
;   ARCH      win32 or win64
;   VERSION   the product version, major.minor
;   DLL       the bitstrings.dll of that platform
;   PROGRAM   the tilebridge.exe of that platform
;   CONVERTER the tilebridge-convert.exe of that platform
;   OUTFILE   the setup program to write

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!if ${ARCH} == win64
    ; A 64-bit setup program: the 64-bit registry view, the 64-bit Program
    ; Files and the 64-bit regsvr32 of System32, with no redirection.
    Target amd64-unicode
    !define PRODUCT "tilebridge (64-bit)"
    InstallDir "$PROGRAMFILES64\tilebridge"
!else
    ; On 64-bit Windows the 32-bit setup program lands in Program Files (x86),
    ; and its regsvr32 and registry keys in the 32-bit view, as the 32-bit DLL
    ; needs.
    Target x86-unicode
    !define PRODUCT "tilebridge"
    InstallDir "$PROGRAMFILES\tilebridge"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tilebridge"
!define PUBLISHER "The tilebridge developers"
; How the shell opens a file with the program. Both platforms' setup
; programs see the same entry, and it names the installation made last.
!define APP_KEY "Software\Classes\Applications\tilebridge.exe"

!macro ForEachOpenWithType MACRO
    !insertmacro ${MACRO} .nes
    !insertmacro ${MACRO} .gb
    !insertmacro ${MACRO} .gbc
!macroend

; The program in the type's "Open with" list; the type's own default
; program, if it has one, stays what it is.
!macro OfferForType TYPE
    WriteRegStr HKLM "${APP_KEY}\SupportedTypes" "${TYPE}" ""
    WriteRegStr HKLM "Software\Classes\${TYPE}\OpenWithList\tilebridge.exe" "" ""
!macroend

; The type's key goes only when nothing but this entry was in it.
!macro WithdrawForType TYPE
    DeleteRegKey HKLM "Software\Classes\${TYPE}\OpenWithList\tilebridge.exe"
    DeleteRegKey /ifnosubkeys /ifnovalues HKLM "Software\Classes\${TYPE}\OpenWithList"
    DeleteRegKey /ifnosubkeys /ifnovalues HKLM "Software\Classes\${TYPE}"
!macroend

; "Open with" offers the tilebridge.exe of the folder.
!macro OfferOpenWith FOLDER
    WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "tilebridge"
    WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"${FOLDER}\tilebridge.exe" "%1"'
    !insertmacro ForEachOpenWithType OfferForType
!macroend

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; A new version goes where the last one was installed.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro UseViews
    SetShellVarContext all
    !if ${ARCH} == win64
        SetRegView 64
    !endif
!macroend

Function .onInit
    !insertmacro UseViews
FunctionEnd

Function un.onInit
    !insertmacro UseViews
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File "${DLL}"
    File "${PROGRAM}"
    File "${CONVERTER}"

    ; A component that did not register would leave a program that cannot
    ; draw: take the files away again and end with an error.
    ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\bitstrings.dll"' $0
    StrCmp $0 0 registered
        Delete "$INSTDIR\bitstrings.dll"
        Delete "$INSTDIR\tilebridge.exe"
        Delete "$INSTDIR\tilebridge-convert.exe"
        SetOutPath "$TEMP"
        RMDir "$INSTDIR"
        MessageBox MB_OK|MB_ICONSTOP "bitstrings.dll could not be registered (regsvr32 ended with $0)." /SD IDOK
        SetErrorLevel 2
        Abort
    registered:

    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tilebridge.exe"
    !insertmacro OfferOpenWith "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tilebridge.exe"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section Uninstall
    ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\bitstrings.dll"'
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$INSTDIR\tilebridge.exe"
    Delete "$INSTDIR\tilebridge-convert.exe"
    Delete "$INSTDIR\bitstrings.dll"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; "Open with" is withdrawn when it names this installation, and then
    ; offers the other platform's one, where that is still installed; it is
    ; left alone when it names the other one already.
    ReadRegStr $0 HKLM "${APP_KEY}\shell\open\command" ""
    StrCmp $0 '"$INSTDIR\tilebridge.exe" "%1"' 0 openWithDone
        DeleteRegKey HKLM "${APP_KEY}"
        !insertmacro ForEachOpenWithType WithdrawForType
        !if ${ARCH} == win64
            SetRegView 32
        !else
            SetRegView 64
        !endif
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        SetRegView lastused
        ; On 32-bit Windows both views are this one, whose entry is gone.
        StrCmp $1 "" openWithDone
        IfFileExists "$1\tilebridge.exe" 0 openWithDone
            !insertmacro OfferOpenWith "$1"
    openWithDone:

    ; The uninstaller runs from a copy in a folder of the temporary folder,
    ; which Windows deletes at the next start; the folder goes then too.
    StrCmp "$EXEDIR" "$INSTDIR" +2
        RMDir /REBOOTOK "$EXEDIR"
SectionEnd
