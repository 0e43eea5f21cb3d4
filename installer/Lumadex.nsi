; The per-user installer of Lumadex, built by the windows build with makensis:
;   makensis -DVERSION=1.2.3 -DPROGRAM=...\Lumadex.exe -DICON=...\lumadex.ico -DOUTFILE=... Lumadex.nsi
; It needs no administrator rights: the program goes to %LOCALAPPDATA%\Programs\Lumadex, where it
; can write its settings and journal beside itself. Silent: /S [/AUTOSTART] installs (with the
; start at logon), uninstall.exe /S [/REMOVEDATA] removes (also the settings and the records
; files). The settings of a new PC come on the command line: /SERVER= /FOLDER= /DATABASE=
; /USERNAME= (* for the Windows logon name), written only when the PC has no settings file yet
; (/FORCESETTINGS replaces it). A running copy of this installation is asked to end first; when it
; does not, a silent run changes nothing and exits with code 2.
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
; Where Task Manager and Settings turn a Run entry off (the first byte odd) and on (even).
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"

Var ProgramWasRunning
Var Server
Var Folder
Var Database
Var UserName
Var ForceSettings
Var TurnedOff

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

; A step that could not be done: the user is told (a silent run only by its exit code 2) and the
; run stops.
!macro FAIL text
  DetailPrint "${text}"
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  SetErrorLevel 2
  Abort
!macroend

; Asks the running copy of this installation's program to end (it stores what it can, keeps the
; rest in its journal, writes its settings and ends without asking) and waits until its file can
; be replaced. The program answers a message registered under its own upper-cased path, so a copy
; in another folder goes on. When it does not end: retry or cancel, and under /S code 2 with
; nothing changed.
!macro END_RUNNING_PROGRAM un
Function ${un}EndRunningProgram
  StrCpy $ProgramWasRunning 0
  ${IfNot} ${FileExists} "$INSTDIR\Lumadex.exe"
    Return
  ${EndIf}
  retry:
  StrCpy $0 "$INSTDIR\Lumadex.exe"
  System::Call 'user32::CharUpperW(w r0 r0)'
  System::Call 'user32::RegisterWindowMessageW(w "Lumadex.EndProgram:$0") i .r1'
  ${For} $2 1 40
    ; Open for writing: refused while the program file runs.
    ClearErrors
    FileOpen $3 "$INSTDIR\Lumadex.exe" a
    ${IfNot} ${Errors}
      FileClose $3
      Return
    ${EndIf}
    StrCpy $ProgramWasRunning 1
    ${If} $1 <> 0
      System::Call 'user32::SendMessageTimeoutW(p 0xffff, i r1, p 0, p 0, i 2, i 1000, *p .r4)'
    ${EndIf}
    Sleep 500
  ${Next}
  DetailPrint "Lumadex が終了しません。"
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "実行中の Lumadex が終了しません。$\r$\n$\r$\nLumadex を終了してから「再試行」を押して下さい。「キャンセル」では何も変更しません。" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Abort "実行中の Lumadex が終了しないため、何も変更しませんでした。"
FunctionEnd
!macroend

Section "Lumadex (必須)" SectionProgram
  SectionIn RO
  SetShellVarContext current
  ; Nothing is changed before the running program has ended: a running file cannot be replaced.
  Call EndRunningProgram
  SetOutPath "$INSTDIR"
  ; Only the program and the uninstaller are written: Lumadex.dat, .jnl and .rej of an earlier
  ; installation stay as they are (unless the command line brings settings, see WriteSettings).
  ClearErrors
  File "/oname=Lumadex.exe" "${PROGRAM}"
  ${If} ${Errors}
    !insertmacro FAIL "Lumadex.exe を書き込めませんでした。$\r$\n$INSTDIR"
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro FAIL "uninstall.exe を書き込めませんでした。$\r$\n$INSTDIR"
  ${EndIf}
  Call WriteSettings

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
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  Call CheckClientLibrary
SectionEnd

Section /o "ログオン時に自動で開始" SectionAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Lumadex" '"$INSTDIR\Lumadex.exe" /autostart'
  ; Turned off in Task Manager before: the user asked for it again now.
  WriteRegBin HKCU "${APPROVED_KEY}" "Lumadex" 020000000000000000000000
SectionEnd

; An upgrade offers the start at logon as it is now; unticking it takes the value away again.
; An entry turned off in Task Manager stays as the user left it there.
Section "-AutostartOff"
  ${IfNot} ${SectionIsSelected} ${SectionAutostart}
  ${AndIf} $TurnedOff != 1
    Call RemoveOwnRunValue
  ${EndIf}
SectionEnd

; The copy that was ended for the upgrade goes on, as the new program, in the notification area.
Section "-RestartProgram"
  ${If} $ProgramWasRunning == 1
    Exec '"$INSTDIR\Lumadex.exe" /autostart'
  ${EndIf}
SectionEnd

Function .onInit
  ; The start at logon is offered ticked when Windows will make it: the Run value is there and
  ; Task Manager has not turned it off.
  StrCpy $TurnedOff 0
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "Lumadex"
  ${IfNot} ${Errors}
    Call LogonStartTurnedOff
    ${If} $TurnedOff == 0
      !insertmacro SelectSection ${SectionAutostart}
    ${EndIf}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AUTOSTART" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionAutostart}
  ${EndIf}
  ; The settings for a new PC.
  ${GetOptions} $1 "/SERVER=" $Server
  ${GetOptions} $1 "/FOLDER=" $Folder
  ${GetOptions} $1 "/DATABASE=" $Database
  ${GetOptions} $1 "/USERNAME=" $UserName
  StrCpy $ForceSettings 0
  ClearErrors
  ${GetOptions} $1 "/FORCESETTINGS" $2
  ${IfNot} ${Errors}
    StrCpy $ForceSettings 1
  ${EndIf}
  ${If} $UserName == "*"
    ; The Windows logon name of the user who installs (the installer runs as that user).
    System::Call 'advapi32::GetUserNameW(w .r2, *i ${NSIS_MAX_STRLEN}) i .r0'
    StrCpy $UserName $2
  ${EndIf}
FunctionEnd

; $TurnedOff: 1 when StartupApproved\Run marks the value "Lumadex" turned off (its first byte odd).
Function LogonStartTurnedOff
  StrCpy $TurnedOff 0
  System::Alloc 64
  Pop $2
  ; HKEY_CURRENT_USER, sign-extended as Windows defines it; RRF_RT_REG_BINARY.
  System::Call 'advapi32::RegGetValueW(p -2147483647, w "${APPROVED_KEY}", w "Lumadex", i 0x08, p 0, p r2, *i 64) i .r1'
  ${If} $1 = 0
    System::Call '*$2(&i1 .r0)'
    IntOp $TurnedOff $0 & 1
  ${EndIf}
  System::Free $2
FunctionEnd

; The settings file of a new PC from the command line: the 27 lines the program reads, the
; given values in the first four, the program's defaults in the rest. An existing file is kept
; unless /FORCESETTINGS. Written beside the old one and moved over it only when complete.
Function WriteSettings
  ${If} $Server == ""
  ${AndIf} $Folder == ""
  ${AndIf} $Database == ""
  ${AndIf} $UserName == ""
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\Lumadex.dat"
  ${AndIf} $ForceSettings != 1
    DetailPrint "Lumadex.dat はそのままにしました（/FORCESETTINGS で置き換えます）。"
    Return
  ${EndIf}
  ${If} $Server == ""
    StrCpy $Server "localhost:"
  ${EndIf}
  StrCpy $0 $Server 1 -1
  ${If} $0 != ":"
    StrCpy $Server "$Server:"
  ${EndIf}
  StrCpy $0 $Folder 1 -1
  ${If} $Folder != ""
  ${AndIf} $0 != "\"
    StrCpy $Folder "$Folder\"
  ${EndIf}
  ${If} $Database == ""
    StrCpy $Database "JWWDB.FDB"
  ${EndIf}
  ${If} $UserName == ""
    StrCpy $UserName "PCユーザー名"
  ${EndIf}
  ClearErrors
  FileOpen $0 "$INSTDIR\Lumadex.dat.tmp" w
  ${If} ${Errors}
    !insertmacro FAIL "Lumadex.dat を書き込めませんでした。$\r$\n$INSTDIR"
  ${EndIf}
  ; FileWrite writes the system's ANSI code page: Shift-JIS on a Japanese Windows, as the program
  ; reads it.
  FileWrite $0 "$Server$\r$\n$Folder$\r$\n$Database$\r$\n$UserName$\r$\n10$\r$\n"
  ${For} $1 1 5
    FileWrite $0 "192$\r$\n107$\r$\n"
  ${Next}
  FileWrite $0 "320$\r$\n240$\r$\n"
  ${For} $1 1 10
    FileWrite $0 "80$\r$\n"
  ${Next}
  FileClose $0
  System::Call 'kernel32::MoveFileExW(w "$INSTDIR\Lumadex.dat.tmp", w "$INSTDIR\Lumadex.dat", i 1) i .r1'
  ${If} $1 == 0
    Delete "$INSTDIR\Lumadex.dat.tmp"
    !insertmacro FAIL "Lumadex.dat を書き込めませんでした。$\r$\n$INSTDIR"
  ${EndIf}
  DetailPrint "Lumadex.dat: $Server$Folder$Database / $UserName"
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
!insertmacro END_RUNNING_PROGRAM ""
!insertmacro END_RUNNING_PROGRAM "un."

; The program loads fbclient.dll (or gds32.dll) from its own folder or the search path; without
; one it starts but cannot connect. Say so now, and what to do.
Function CheckClientLibrary
  ${If} ${FileExists} "$INSTDIR\fbclient.dll"
  ${OrIf} ${FileExists} "$INSTDIR\gds32.dll"
    Return
  ${EndIf}
  System::Call 'kernel32::SearchPathW(p 0, w "fbclient.dll", p 0, i ${NSIS_MAX_STRLEN}, w .r2, p 0) i .r0'
  ${If} $0 <> 0
    ; Found on the search path: it must be the 64-bit one (machine 0x8664 in its PE header).
    Push $2
    Call PeMachine
    Pop $3
    ${If} $3 = 0x8664
      Return
    ${EndIf}
    DetailPrint "$2 は 64 ビット版ではありません。"
    MessageBox MB_OK|MB_ICONEXCLAMATION "見つかった Firebird クライアント ライブラリは 64 ビット版ではないため、Lumadex では使えません:$\r$\n$2$\r$\n$\r$\nFirebird 3 の Windows 64 ビット版 (x64) の fbclient.dll と、その msvcr100.dll、msvcp100.dll、firebird.msg を次のフォルダーに置いて下さい:$\r$\n$INSTDIR" /SD IDOK
    Return
  ${EndIf}
  DetailPrint "Firebird クライアント (fbclient.dll) が見つかりません。"
  MessageBox MB_OK|MB_ICONEXCLAMATION "Firebird クライアント ライブラリ (fbclient.dll) が見つかりません。$\r$\n$\r$\nFirebird 3 の Windows 64 ビット版 (x64) をインストールするか、その fbclient.dll と、一緒に必要な msvcr100.dll、msvcp100.dll、firebird.msg を次のフォルダーに置いて下さい:$\r$\n$INSTDIR$\r$\n$\r$\nクライアントがなくても Lumadex は起動しますが、データベースには接続できません。" /SD IDOK
FunctionEnd

; The machine field of a PE file (path on the stack), in hex as 0x....; 0 when it has none.
Function PeMachine
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ClearErrors
  FileOpen $1 $0 r
  ${IfNot} ${Errors}
    FileSeek $1 60
    FileReadWord $1 $2
    FileSeek $1 $2
    FileReadWord $1 $2
    ${If} $2 = 0x4550
      FileReadWord $1 $2
      FileReadWord $1 $2
      IntFmt $3 "0x%X" $2
    ${EndIf}
    FileClose $1
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Started through the shell, so the program runs with the user's ordinary rights even when the
; installer itself was started elevated.
Function RunProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Lumadex.exe"'
FunctionEnd

; A file that must go: when it cannot be removed, the run stops and says so.
!macro CHECKED_DELETE path
  ClearErrors
  Delete "${path}"
  ${If} ${Errors}
  ${AndIf} ${FileExists} "${path}"
    !insertmacro FAIL "削除できませんでした:$\r$\n${path}"
  ${EndIf}
!macroend

Section "un.Lumadex" SectionUninstallProgram
  SectionIn RO
  SetShellVarContext current
  Call un.EndRunningProgram
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.exe"
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.jnl.lck"
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.*.jnl.lck"
  !insertmacro CHECKED_DELETE "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Lumadex.lnk"
  Call un.RemoveOwnRunValue
  DeleteRegValue HKCU "${APPROVED_KEY}" "Lumadex"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd

; Left unticked (and so kept by a silent uninstall): the settings, the launches still waiting for
; the server and the refused ones.
; Each database's journals and refused launches (Lumadex.<database>.<hash>.jnl, .rej) go too.
; With them the user's own folder, where the program keeps the same files when the folder beside
; it cannot be written.
Section /o "un.設定ファイルと未登録・登録拒否の記録 (Lumadex.dat, .jnl, .rej) も削除する" SectionUninstallData
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.dat"
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.jnl"
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.rej"
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.*.jnl"
  !insertmacro CHECKED_DELETE "$INSTDIR\Lumadex.*.rej"
  RMDir "$INSTDIR"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.dat"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.jnl"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.jnl.lck"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.rej"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.*.jnl"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.*.rej"
  !insertmacro CHECKED_DELETE "$LOCALAPPDATA\Lumadex\Lumadex.*.jnl.lck"
  RMDir "$LOCALAPPDATA\Lumadex"
SectionEnd

Function un.onInit
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVEDATA" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionUninstallData}
  ${EndIf}
FunctionEnd
