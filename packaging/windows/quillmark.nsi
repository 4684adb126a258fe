; The Windows installer: a per-user install that needs no administrator rights.
; makensis -DVERSION=x.y.z -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> quillmark.nsi
;
; STAGE holds what the zip holds: the programs, hha.dll (and x86\hha.dll), the stored
; additional-code examples (*.ahtml), README.md and LICENSE.txt; EXAMPLES names a file of
; Delete lines for those examples. A program that
; the build did not make is left out rather than failing the installer.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!ifndef VERSION
    !error "VERSION is not set"
!endif
!ifndef STAGE
    !error "STAGE is not set"
!endif
!ifndef EXAMPLES
    !error "EXAMPLES is not set"
!endif
!ifndef OUTFILE
    !define OUTFILE "quillmark-${VERSION}-setup.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark"
; Where the programs keep the user's settings and stored additional code.
!define USER_DATA "$APPDATA\Quillmark"
!define SETTINGS_KEY "Software\Quillmark"

Name "Quillmark ${VERSION}"
OutFile "${OUTFILE}"
; Under the user's own profile: writing there needs no elevation.
InstallDir "$LOCALAPPDATA\Programs\Quillmark"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Quillmark ${VERSION}"

!include "MUI2.nsh"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillmark-gui.exe"
!define MUI_FINISHPAGE_RUN_TEXT "启动 Quillmark"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Installs a file of the stage when the build made it.
!macro OptionalFile NAME
    !if /FileExists "${STAGE}\${NAME}"
        File "${STAGE}\${NAME}"
    !endif
!macroend

Section "Quillmark" SecMain
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    !insertmacro OptionalFile "quillmark-gui.exe"
    !insertmacro OptionalFile "quillmark.exe"
    File "${STAGE}\quillmark-hhc.exe"
    File "${STAGE}\hhc.exe"
    File "${STAGE}\hha.dll"
    File "${STAGE}\README.md"
    File "${STAGE}\LICENSE.txt"
    SetOutPath "$INSTDIR\x86"
    File "${STAGE}\x86\hha.dll"
    ; The window lists the .ahtml files beside the program as the stored examples.
    SetOutPath "$INSTDIR"
    File "${STAGE}\*.ahtml"

    WriteUninstaller "$INSTDIR\uninstall.exe"
    !if /FileExists "${STAGE}\quillmark-gui.exe"
        CreateShortCut "$SMPROGRAMS\Quillmark.lnk" "$INSTDIR\quillmark-gui.exe"
    !endif

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillmark"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quillmark maintainers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    ; Only what the installer put there; a file the user left in the folder keeps the
    ; folder (RMDir without /r removes it only when empty).
    Delete "$INSTDIR\quillmark-gui.exe"
    Delete "$INSTDIR\quillmark.exe"
    Delete "$INSTDIR\quillmark-hhc.exe"
    Delete "$INSTDIR\hhc.exe"
    Delete "$INSTDIR\hha.dll"
    Delete "$INSTDIR\x86\hha.dll"
    RMDir "$INSTDIR\x86"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE.txt"
    !include "${EXAMPLES}"
    Delete "$SMPROGRAMS\Quillmark.lnk"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ; The user's settings and stored additional code are theirs: asked, "否" by default
    ; and kept in a silent uninstall.
    IfFileExists "${USER_DATA}\*.*" ask 0
    EnumRegValue $0 HKCU "${SETTINGS_KEY}" 0
    StrCmp $0 "" 0 ask
    EnumRegKey $0 HKCU "${SETTINGS_KEY}" 0
    StrCmp $0 "" done ask
ask:
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
        "是否同时删除您的 Quillmark 设置和保存的附加代码？$\r$\n(${USER_DATA})" \
        /SD IDNO IDNO done
    RMDir /r "${USER_DATA}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
done:
SectionEnd
