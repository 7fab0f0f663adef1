; The Windows installer of KELDA, made by scripts/windows-installer.sh with makensis:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder> -DOUTFILE=<setup.exe> kelda.nsi
; STAGE holds the files to install, files.nsh (the File lines) and unfiles.nsh (their Delete
; lines), so the uninstaller removes exactly what was installed and leaves anything else in the
; folder. Silent with /S; /D=FOLDER (last, unquoted) installs elsewhere.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh

!define APP "KELDA"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KELDA"
!define FILE_CLASS "KELDA.CloneFile"
; The running window program holds this mutex in the user's session.
!define APP_MUTEX "Local\Vexa KELDA APP Exclusive Mutex"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KELDA"
RequestExecutionLevel admin
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Licences: see the licenses folder"

!define MUI_ICON "${STAGE}/kelda.ico"
!define MUI_UNICON "${STAGE}/kelda.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\kelda.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start KELDA"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Files in use cannot be replaced or removed: while KELDA runs, ask to close it first; in
; silent mode, or when the user cancels, stop with exit code 2 before anything is changed.
!macro REFUSE_WHILE_RUNNING
  kelda_check:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${APP_MUTEX}") p .r0'
    IntPtrCmp $0 0 kelda_free
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "KELDA is running.$\r$\n$\r$\nSave your work and close KELDA, then click Retry. \
Nothing has been changed yet." /SD IDCANCEL IDRETRY kelda_check
    SetErrorLevel 2
    Quit
  kelda_free:
!macroend

Function .onInit
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Function un.onInit
  !insertmacro REFUSE_WHILE_RUNNING
FunctionEnd

Section "KELDA"
  SetShellVarContext all
  !include "${STAGE}/files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\KELDA.lnk" "$INSTDIR\kelda.exe" "" "$INSTDIR\kelda.exe" 0

  ; Clone files open in KELDA from Explorer, with its icon.
  WriteRegStr HKLM "Software\Classes\.kcf" "" "${FILE_CLASS}"
  WriteRegStr HKLM "Software\Classes\${FILE_CLASS}" "" "KELDA clone file"
  WriteRegStr HKLM "Software\Classes\${FILE_CLASS}\DefaultIcon" "" "$INSTDIR\kelda.exe,0"
  WriteRegStr HKLM "Software\Classes\${FILE_CLASS}\shell\open\command" "" \
    '"$INSTDIR\kelda.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vexa"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelda.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; Removes what the installer put there. The user's clone files (wherever they are) and settings
; (HKEY_CURRENT_USER\Software\Vexa\KELDA) stay.
Section "Uninstall"
  SetShellVarContext all
  !include "${STAGE}/unfiles.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\KELDA.lnk"
  ; The extension is left alone if another program has taken it over since.
  ReadRegStr $0 HKLM "Software\Classes\.kcf" ""
  ${If} $0 == "${FILE_CLASS}"
    DeleteRegKey HKLM "Software\Classes\.kcf"
  ${EndIf}
  DeleteRegKey HKLM "Software\Classes\${FILE_CLASS}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
