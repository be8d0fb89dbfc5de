; The Windows installer: the programs for the current user, with no administrator rights asked,
; a Start-menu shortcut, Explorer's "用 Velbrisk 压缩" on .exe files, the install folder on the
; user's PATH for velbrisk-trim, and an entry in the list of installed programs that uninstalls it.
; makensis gets PRODUCT, VERSION, FILE_VERSION, MAKER, HOME_PAGE, APP_ID, ICON, STAGING and
; OUTFILE from the build (packaging/windows/CMakeLists.txt), and SIGN, a command that signs the
; file named after it, where the packages are signed.
; A 64-bit installer for the 64-bit program (and one that a 64-bit-only Wine runs).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
; Beside the user's other per-user programs; nothing outside the user's own profile is written.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "Software\${PRODUCT}" "InstallDir"
ShowInstDetails nevershow
ShowUninstDetails nevershow
; The files keep no date of the build, so that the same programs give the same installer.
SetDateSave off

!ifdef SIGN
!finalize '${SIGN} "%1"' = 0
!uninstfinalize '${SIGN} "%1"' = 0
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP_ID}"
; The verb on .exe files whatever program type they are registered as; the keys above it are
; made where the user's profile has none yet, and taken away again once empty.
!define VERB_PARENT "Software\Classes\SystemFileAssociations"
!define VERB_KEY "${VERB_PARENT}\.exe\shell\${PRODUCT}"
!define ENVIRONMENT_KEY "Environment"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} ${VERSION}安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${MAKER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\velbrisk.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGING}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The user's PATH as written (its %variables% unexpanded) in $0, "" where there is none. The error
; flag is set where it exists but cannot be read whole: a value longer than this installer's
; strings (NSIS_MAX_STRLEN) reads as nothing, and writing a PATH made from that would lose it.
!macro READ_USER_PATH un
Function ${un}ReadUserPath
    ClearErrors
    ReadRegStr $0 HKCU "${ENVIRONMENT_KEY}" "Path"
    ${IfNot} ${Errors}
        Return
    ${EndIf}
    StrCpy $0 ""
    StrCpy $2 0
    ${Do}
        EnumRegValue $3 HKCU "${ENVIRONMENT_KEY}" $2
        ${If} $3 == ""
            ClearErrors
            Return
        ${ElseIf} $3 == "Path"
            SetErrors
            Return
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
FunctionEnd
!macroend
!insertmacro READ_USER_PATH ""
!insertmacro READ_USER_PATH "un."

; The PATH list $0 without every entry that is $1, in $0; entries are compared as Windows compares
; folder names, whatever the case, and every other entry (an empty one too) stays as it was.
!macro WITHOUT_PATH_ENTRY un
Function ${un}WithoutPathEntry
    StrCpy $2 ""
    StrCpy $5 ""
    ${Do}
        StrCpy $3 0
        ${Do}
            StrCpy $4 $0 1 $3
            ${If} $4 == ""
            ${OrIf} $4 == ";"
                ${ExitDo}
            ${EndIf}
            IntOp $3 $3 + 1
        ${Loop}
        StrCpy $6 $0 $3
        ${If} $6 != $1
            StrCpy $2 "$2$5$6"
            StrCpy $5 ";"
        ${EndIf}
        ${If} $4 == ""
            ${ExitDo}
        ${EndIf}
        IntOp $3 $3 + 1
        StrCpy $0 $0 "" $3
    ${Loop}
    StrCpy $0 $2
FunctionEnd
!macroend
!insertmacro WITHOUT_PATH_ENTRY ""
!insertmacro WITHOUT_PATH_ENTRY "un."

; Programs that are running, Explorer first, read the changed PATH again.
!define ANNOUNCE_ENVIRONMENT `SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000`

Section "${PRODUCT}" SectionProgram
    SectionIn RO
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${STAGING}\velbrisk.exe"
    File "${STAGING}\velbrisk-trim.exe"
    File "${STAGING}\LICENSE.txt"
    File "${STAGING}\README.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\velbrisk.exe"

    WriteRegStr HKCU "Software\${PRODUCT}" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOME_PAGE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velbrisk.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB, as the list of installed programs shows it.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "资源管理器右键菜单“用 Velbrisk 压缩”" SectionVerb
    WriteRegStr HKCU "${VERB_KEY}" "" "用 Velbrisk 压缩"
    WriteRegStr HKCU "${VERB_KEY}" "Icon" "$INSTDIR\velbrisk.exe"
    WriteRegStr HKCU "${VERB_KEY}\command" "" '"$INSTDIR\velbrisk.exe" "%1"'
SectionEnd

; The entry is recorded only where this installer added it, so that the uninstaller never takes
; away one that the user made.
Section "将安装文件夹加入PATH（命令行使用velbrisk-trim）" SectionPath
    Call ReadUserPath
    ${If} ${Errors}
        Goto unchanged
    ${EndIf}
    StrCpy $7 $0
    StrCpy $1 "$INSTDIR"
    Call WithoutPathEntry
    ${If} $0 != $7
        Return
    ${EndIf}
    ${If} $7 == ""
        StrCpy $0 "$INSTDIR"
    ${Else}
        ; The new list, its separator and the string's closing NUL must fit.
        StrLen $2 $7
        StrLen $3 "$INSTDIR"
        IntOp $2 $2 + $3
        IntOp $2 $2 + 2
        ${If} $2 > ${NSIS_MAX_STRLEN}
            Goto unchanged
        ${EndIf}
        StrCpy $0 "$7;$INSTDIR"
    ${EndIf}
    WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $0
    WriteRegStr HKCU "Software\${PRODUCT}" "PathEntry" "$INSTDIR"
    ${ANNOUNCE_ENVIRONMENT}
    Return
unchanged:
    MessageBox MB_OK|MB_ICONEXCLAMATION "PATH太长，无法自动修改。如需在命令行中使用velbrisk-trim，请手动将$INSTDIR加入PATH。" /SD IDOK
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    ReadRegStr $8 HKCU "Software\${PRODUCT}" "PathEntry"
    ${If} $8 != ""
        Call un.ReadUserPath
        ${If} ${Errors}
            MessageBox MB_OK|MB_ICONEXCLAMATION "PATH太长，无法自动修改。请手动从PATH中删除$8。" /SD IDOK
        ${Else}
            StrCpy $7 $0
            StrCpy $1 $8
            Call un.WithoutPathEntry
            ${If} $0 == ""
                DeleteRegValue HKCU "${ENVIRONMENT_KEY}" "Path"
            ${ElseIf} $0 S!= $7
                WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $0
            ${EndIf}
            ${ANNOUNCE_ENVIRONMENT}
        ${EndIf}
    ${EndIf}

    DeleteRegKey HKCU "${VERB_KEY}"
    DeleteRegKey /ifempty HKCU "${VERB_PARENT}\.exe\shell"
    DeleteRegKey /ifempty HKCU "${VERB_PARENT}\.exe"
    DeleteRegKey /ifempty HKCU "${VERB_PARENT}"
    ; A profile that had no classes of its own before (a new one) has none again.
    DeleteRegKey /ifempty HKCU "Software\Classes"

    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    ; Only the files this installer wrote: the user may have put trimmed copies in the folder.
    Delete "$INSTDIR\velbrisk.exe"
    Delete "$INSTDIR\velbrisk-trim.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\${PRODUCT}"
SectionEnd
