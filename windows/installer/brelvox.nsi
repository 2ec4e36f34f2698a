; The BRELVOX installer: the 64-bit and 32-bit engine libraries, the Bulgarian voice, grammar and
; user dictionary, brelvox.exe; the library registered in each registry view and the voice token
; "BRELVOX Bulgarian" written in both, an uninstaller and its entry among the installed programs.
; Built by build-installer with the files as /D defines: DLL64 DLL32 EXE64 EXE32 VOICE GRAMMAR
; USERDICT OUTFILE.
Unicode true
!include MUI2.nsh
!include x64.nsh
!include LogicLib.nsh

!define PRODUCT "BRELVOX"
!define VERSION "1.0.0.1"
!define PUBLISHER "BRELVOX"
!define CLSID "{2BFFD27F-1F12-4F12-B21C-70F3C19C416C}"
!define TOKEN "SOFTWARE\Microsoft\Speech\Voices\Tokens\BRELVOX Bulgarian"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BRELVOX"

Name "BRELVOX Bulgarian voice"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\BRELVOX"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "BRELVOX"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "BRELVOX Bulgarian voice installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "BRELVOX"

; Interactive: welcome, folder, progress, done; the uninstaller asks first. In Bulgarian or English,
; after the system's language (/S skips every page).
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Bulgarian"

LangString Not64Bit ${LANG_ENGLISH} "This installer is for 64-bit Windows."
LangString Not64Bit ${LANG_BULGARIAN} "Тази инсталация е за 64-битов Windows."
LangString NotRegistered64 ${LANG_ENGLISH} "The 64-bit engine library could not be registered (regsvr32 said $0); the installation stops."
LangString NotRegistered64 ${LANG_BULGARIAN} "64-битовата библиотека на гласа не можа да се регистрира (regsvr32 върна $0); инсталацията спира."
LangString NotRegistered32 ${LANG_ENGLISH} "The 32-bit engine library could not be registered (regsvr32 said $0); the installation stops."
LangString NotRegistered32 ${LANG_BULGARIAN} "32-битовата библиотека на гласа не можа да се регистрира (regsvr32 върна $0); инсталацията спира."

; The voice token in the current registry view, its data files in $INSTDIR\voice.
!macro WriteToken
  WriteRegStr HKLM "${TOKEN}" "" "BRELVOX Bulgarian"
  WriteRegStr HKLM "${TOKEN}" "402" "BRELVOX Bulgarian"
  WriteRegStr HKLM "${TOKEN}" "CLSID" "${CLSID}"
  WriteRegStr HKLM "${TOKEN}" "VoiceData" "$INSTDIR\voice\bulgarian.voice"
  WriteRegStr HKLM "${TOKEN}" "GrammarData" "$INSTDIR\voice\bulgarian.grammar"
  WriteRegStr HKLM "${TOKEN}" "UserDictData" "$INSTDIR\voice\bulgarian.userdict"
  WriteRegStr HKLM "${TOKEN}\Attributes" "Name" "BRELVOX Bulgarian"
  WriteRegStr HKLM "${TOKEN}\Attributes" "Language" "402"
  WriteRegStr HKLM "${TOKEN}\Attributes" "Gender" "Female"
  WriteRegStr HKLM "${TOKEN}\Attributes" "Age" "Adult"
  WriteRegStr HKLM "${TOKEN}\Attributes" "Vendor" "BRELVOX"
!macroend

Section "BRELVOX"
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "$(Not64Bit)" /SD IDOK
    Abort
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "/oname=BRELVOX.DLL" "${DLL64}"
  File "/oname=brelvox.exe" "${EXE64}"
  SetOutPath "$INSTDIR\x86"
  File "/oname=BRELVOX.DLL" "${DLL32}"
  File "/oname=brelvox.exe" "${EXE32}"
  SetOutPath "$INSTDIR\voice"
  File "/oname=bulgarian.voice" "${VOICE}"
  File "/oname=bulgarian.grammar" "${GRAMMAR}"
  File "/oname=bulgarian.userdict" "${USERDICT}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Each library registers itself in its own view, as regsvr32 of its bitness runs it.
  ${DisableX64FSRedirection}
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\BRELVOX.DLL"' $0
  ${EnableX64FSRedirection}
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "$(NotRegistered64)" /SD IDOK
    Abort
  ${EndIf}
  ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /s "$INSTDIR\x86\BRELVOX.DLL"' $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "$(NotRegistered32)" /SD IDOK
    Abort
  ${EndIf}

  SetRegView 64
  !insertmacro WriteToken
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "BRELVOX Bulgarian voice"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetRegView 32
  !insertmacro WriteToken
SectionEnd

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
  ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES64\BRELVOX"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ${DisableX64FSRedirection}
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\BRELVOX.DLL"'
  ${EnableX64FSRedirection}
  ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /u /s "$INSTDIR\x86\BRELVOX.DLL"'
  SetRegView 64
  DeleteRegKey HKLM "${TOKEN}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "SOFTWARE\ORVELT\TTSEngine"
  DeleteRegKey /ifempty HKLM "SOFTWARE\ORVELT"
  SetRegView 32
  DeleteRegKey HKLM "${TOKEN}"
  DeleteRegKey HKLM "SOFTWARE\ORVELT\TTSEngine"
  DeleteRegKey /ifempty HKLM "SOFTWARE\ORVELT"
  Delete "$INSTDIR\BRELVOX.DLL"
  Delete "$INSTDIR\brelvox.exe"
  Delete "$INSTDIR\x86\BRELVOX.DLL"
  Delete "$INSTDIR\x86\brelvox.exe"
  Delete "$INSTDIR\voice\bulgarian.voice"
  Delete "$INSTDIR\voice\bulgarian.grammar"
  Delete "$INSTDIR\voice\bulgarian.userdict"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\voice"
  RMDir "$INSTDIR\x86"
  RMDir "$INSTDIR"
SectionEnd
