; The per-user installer of Lumadex, built by the windows build with makensis:
;   makensis -DVERSION=1.2.3 -DPROGRAM=...\Lumadex.exe -DICON=...\lumadex.ico -DOUTFILE=... Lumadex.nsi
; It needs no administrator rights: the program goes to %LOCALAPPDATA%\Programs\Lumadex, where it
; can write its settings and journal beside itself. Silent: /S [/AUTOSTART] installs (with the
; start at logon), uninstall.exe /S [/REMOVEDATA] removes (also the settings and the records
; files).
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware false
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumadex"
; The same value as the launch check window's box writes.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Lumadex"
Caption "Lumadex ${VERSION} セットアップ"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lumadex"
; An upgrade goes where the last installation went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "Lumadex"
VIAddVersionKey /LANG=1041 "FileDescription" "Lumadex セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) 2026 Lumadex"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Lumadex を起動する"
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

Section "Lumadex (必須)" SectionProgram
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  ; Only the program and the uninstaller are written: Lumadex.dat, .jnl and .rej of an earlier
  ; installation stay as they are.
  File "/oname=Lumadex.exe" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\Lumadex.lnk" "$INSTDIR\Lumadex.exe" "" "$INSTDIR\Lumadex.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lumadex"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Lumadex"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Lumadex.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  Call CheckClientLibrary
SectionEnd

Section /o "ログオン時に自動で開始" SectionAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Lumadex" '"$INSTDIR\Lumadex.exe" /autostart'
SectionEnd

; An upgrade offers the start at logon as it is now; unticking it takes the value away again.
Section "-AutostartOff"
  ${IfNot} ${SectionIsSelected} ${SectionAutostart}
    Call RemoveOwnRunValue
  ${EndIf}
SectionEnd

Function .onInit
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "Lumadex"
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionAutostart}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AUTOSTART" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionAutostart}
  ${EndIf}
FunctionEnd


; The Run value is taken away only when it starts this installation's program (another copy of
; Lumadex elsewhere may own it).
!macro REMOVE_OWN_RUN_VALUE un
Function ${un}RemoveOwnRunValue
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "Lumadex"
  ${IfNot} ${Errors}
    ${If} $0 == '"$INSTDIR\Lumadex.exe" /autostart'
    ${OrIf} $0 == '"$INSTDIR\Lumadex.exe"'
      DeleteRegValue HKCU "${RUN_KEY}" "Lumadex"
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REMOVE_OWN_RUN_VALUE ""
!insertmacro REMOVE_OWN_RUN_VALUE "un."

; The program loads fbclient.dll (or gds32.dll) from its own folder or the search path; without
; one it starts but cannot connect. Say so now, and what to do.
Function CheckClientLibrary
  ${If} ${FileExists} "$INSTDIR\fbclient.dll"
  ${OrIf} ${FileExists} "$INSTDIR\gds32.dll"
    Return
  ${EndIf}
  System::Call 'kernel32::SearchPathW(p 0, w "fbclient.dll", p 0, i ${NSIS_MAX_STRLEN}, w .r2, p 0) i .r0'
  ${If} $0 <> 0
    Return
  ${EndIf}
  System::Call 'kernel32::SearchPathW(p 0, w "gds32.dll", p 0, i ${NSIS_MAX_STRLEN}, w .r2, p 0) i .r0'
  ${If} $0 <> 0
    Return
  ${EndIf}
  DetailPrint "Firebird クライアント (fbclient.dll) が見つかりません。"
  MessageBox MB_OK|MB_ICONEXCLAMATION "Firebird クライアント ライブラリ (fbclient.dll) が見つかりません。$\r$\n$\r$\nFirebird 3 の Windows 64 ビット版 (x64) をインストールするか、その fbclient.dll と必要なファイル (Visual C++ ランタイムの msvcp*.dll / vcruntime*.dll) を次のフォルダーに置いてください:$\r$\n$INSTDIR$\r$\n$\r$\nクライアントがなくても Lumadex は起動しますが、データベースには接続できません。" /SD IDOK
FunctionEnd

; Started through the shell, so the program runs with the user's ordinary rights even when the
; installer itself was started elevated.
Function RunProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Lumadex.exe"'
FunctionEnd

Section "un.Lumadex" SectionUninstallProgram
  SectionIn RO
  SetShellVarContext current
  Delete "$INSTDIR\Lumadex.exe"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$INSTDIR\Lumadex.jnl.lck"
  Delete "$SMPROGRAMS\Lumadex.lnk"
  Call un.RemoveOwnRunValue
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd

; Left unticked (and so kept by a silent uninstall): the settings, the launches still waiting for
; the server and the refused ones.
Section /o "un.設定ファイルと未登録・登録拒否の記録 (Lumadex.dat, .jnl, .rej) も削除する" SectionUninstallData
  Delete "$INSTDIR\Lumadex.dat"
  Delete "$INSTDIR\Lumadex.jnl"
  Delete "$INSTDIR\Lumadex.rej"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVEDATA" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionUninstallData}
  ${EndIf}
FunctionEnd
