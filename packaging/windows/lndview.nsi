; lndview.nsi -- the Windows setup: lndview.exe, lndtool.exe, the README, the
; LICENSE and the manuals for the current user (the default, no administrator
; rights) or for all users (elevated), a Start menu entry, the .lnd file type
; and an uninstaller that removes exactly what the setup made.
;
; Built by cmake/LndWindowsSetup.cmake, which gives every value from the
; build (nothing of it is written here):
;   makensis -DVERSION=0.7.0 -DPUBLISHER=... -DCOPYRIGHT=... -DICON=lndview.ico
;            -DSTAGE=<folder of the files> -DOUTFILE=<setup.exe> lndview.nsi
;
; Setup:       /S silent; /CurrentUser or /AllUsers skips the first page's
;              choice; /D=folder (last, without quotes) chooses the folder.
; Uninstaller: /S silent; /CurrentUser or /AllUsers names the scope (the
;              registered UninstallString carries it).
; An /AllUsers run without administrator rights asks for them, or, silent,
; ends with status 740 (ERROR_ELEVATION_REQUIRED).

!ifndef VERSION | PUBLISHER | COPYRIGHT | ICON | STAGE | OUTFILE
  !error "lndview.nsi needs -DVERSION, -DPUBLISHER, -DCOPYRIGHT, -DICON, -DSTAGE and -DOUTFILE"
!endif

Unicode true
; A 64-bit setup: $PROGRAMFILES64 is "Program Files", and the registry it
; writes is the 64-bit view that the 64-bit lndview.exe is seen from.
Target amd64-unicode
; Elevation is asked for only when the user chooses all users.
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define PROGID "lndview.landscape"
!define CLASSES "Software\Classes"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\lndview"
; The .lnd default that the setup replaced, kept in the uninstall entry until
; the uninstaller puts it back.
!define EARLIER_DEFAULT "LndDefaultBefore"
; The highest folder of the installation's path that the setup made (when
; the path did not exist): the uninstaller removes up to it.
!define MADE_FOLDER "LndMadeFolder"
!define SHCNE_ASSOCCHANGED 0x08000000
!define ERROR_ELEVATION_REQUIRED 740
; FOLDERID_UserProgramFiles: AppData\Local\Programs.
!define FOLDERID_USER_PROGRAM_FILES "{5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}"

Name "lndview ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "lndview ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "lndview"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "lndview ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

Var Mode            ; CurrentUser or AllUsers
Var ModeGiven       ; 1 when the command line chose the scope
Var DirGiven        ; the /D= folder, or empty
Var AllUsersButton
Var MadeFolder      ; the highest folder of $INSTDIR's path made by the setup

Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------- scope

; Administrator rights of this process (a user of the Administrators group
; without elevation has none).
!macro IS_ADMIN result
  UserInfo::GetAccountType
  Pop ${result}
  ${If} ${result} == "Admin"
    StrCpy ${result} 1
  ${Else}
    StrCpy ${result} 0
  ${EndIf}
!macroend

; The same setup again, elevated, for all users; this one ends. False (the
; error flag) when the user refused the elevation.
Function RunElevatedForAllUsers
  ClearErrors
  ${If} $DirGiven != ""
    ExecShell "runas" "$EXEPATH" "/AllUsers /D=$DirGiven"
  ${Else}
    ExecShell "runas" "$EXEPATH" "/AllUsers"
  ${EndIf}
  ${IfNot} ${Errors}
    Quit
  ${EndIf}
FunctionEnd

; Shell folders, SHCTX and the default folder for $Mode. An installation of
; this scope that is already there gives its own folder (an upgrade lands
; where the earlier version is), unless /D= chose one.
Function ApplyMode
  ${If} $Mode == "AllUsers"
    SetShellVarContext all
    StrCpy $1 "$PROGRAMFILES64\lndview"
  ${Else}
    SetShellVarContext current
    GetKnownFolderPath $1 ${FOLDERID_USER_PROGRAM_FILES}
    ${If} $1 == ""
      StrCpy $1 "$LOCALAPPDATA\Programs"
    ${EndIf}
    StrCpy $1 "$1\lndview"
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $DirGiven != ""
    StrCpy $INSTDIR $DirGiven
  ${ElseIf} $0 != ""
    StrCpy $INSTDIR $0
  ${Else}
    StrCpy $INSTDIR $1
  ${EndIf}
FunctionEnd

Function .onInit
  ; /D= has set $INSTDIR before this runs; nothing else has.
  StrCpy $DirGiven $INSTDIR
  StrCpy $Mode "CurrentUser"
  StrCpy $ModeGiven 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "AllUsers"
    StrCpy $ModeGiven 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "CurrentUser"
    StrCpy $ModeGiven 1
  ${EndIf}
  !insertmacro IS_ADMIN $R2
  ${If} $Mode == "AllUsers"
  ${AndIf} $R2 == 0
    ${If} ${Silent}
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    Call RunElevatedForAllUsers
    MessageBox MB_OK|MB_ICONSTOP "lndview can be set up for all users only with administrator rights."
    Quit
  ${EndIf}
  Call ApplyMode
FunctionEnd

Function ModePage
  ${If} $ModeGiven == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Who may use lndview?" "Set it up for you alone or for every user of this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "lndview and the .lnd file type can be set up for you alone, without administrator rights, or for all users of this computer, with them."
  Pop $0
  ${NSD_CreateRadioButton} 10u 32u -10u 12u "&Just for me (in my own AppData folder)"
  Pop $0
  ${NSD_CreateRadioButton} 10u 50u -10u 12u "For &all users (in Program Files; needs administrator rights)"
  Pop $AllUsersButton
  ${If} $Mode == "AllUsers"
    ${NSD_Check} $AllUsersButton
  ${Else}
    ${NSD_Check} $0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $AllUsersButton $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode "AllUsers"
    !insertmacro IS_ADMIN $1
    ${If} $1 == 0
      Call RunElevatedForAllUsers
      MessageBox MB_OK|MB_ICONEXCLAMATION "Without administrator rights lndview can be set up for you alone."
      StrCpy $Mode "CurrentUser"
      Abort
    ${EndIf}
  ${Else}
    StrCpy $Mode "CurrentUser"
  ${EndIf}
  Call ApplyMode
FunctionEnd

; Removes DIR and then each folder above it up to TOP, the highest one the
; setup made (none when TOP is empty), each only when it is empty. UN is ""
; in the setup, "un." in the uninstaller.
!macro REMOVE_FOLDERS UN DIR TOP
  RMDir "${DIR}"
  StrCpy $R8 "${DIR}"
  ; TOP must be DIR or a folder above it.
  StrLen $R9 "${TOP}\"
  StrCpy $R7 "${DIR}\" $R9
  ${If} "${TOP}" != ""
  ${AndIf} $R7 == "${TOP}\"
    ${DoUntil} $R8 == "${TOP}"
      ${${UN}GetParent} $R8 $R8
      ${If} $R8 == ""
        ${ExitDo}
      ${EndIf}
      RMDir $R8
    ${Loop}
  ${EndIf}
!macroend

; ---------------------------------------------------------------- install

Section "lndview"
  ; An earlier installation of this scope is removed by its own uninstaller
  ; first: it puts back the .lnd default it replaced (which this one then
  ; remembers again), leaves no file of an older version behind, and the
  ; uninstall entry stays one.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    DetailPrint "Removing the installation in $0"
    ; Read before its uninstaller removes the entry.
    ReadRegStr $2 SHCTX "${UNINSTALL_KEY}" "${MADE_FOLDER}"
    ; _?= runs it in place and waits; it cannot delete itself then.
    ExecWait '"$0\uninstall.exe" /S /$Mode _?=$0' $1
    ${If} $1 != 0
      DetailPrint "The uninstaller of $0 ended with status $1"
      Abort "The earlier installation in $0 could not be removed."
    ${EndIf}
    Delete "$0\uninstall.exe"
    !insertmacro REMOVE_FOLDERS "" $0 $2
  ${EndIf}

  ; The folders of the path that are not there yet, made below.
  StrCpy $0 $INSTDIR
  StrCpy $MadeFolder ""
  ${Do}
    ${If} ${FileExists} "$0\*.*"
      ${ExitDo}
    ${EndIf}
    StrCpy $MadeFolder $0
    ${GetParent} $0 $0
  ${LoopUntil} $0 == ""

  SetOutPath "$INSTDIR"
  File "${STAGE}\lndview.exe"
  File "${STAGE}\lndtool.exe"
  File "${STAGE}\README.md"
  File "${STAGE}\LICENSE"
  File "${STAGE}\lndview.txt"
  File "${STAGE}\lndtool.txt"
  ; What the README links to.
  SetOutPath "$INSTDIR\docs"
  File "${STAGE}\docs\lndtool.md"
  File "${STAGE}\docs\viewer.md"
  File "${STAGE}\docs\windows.md"
  File "${STAGE}\docs\windows-build.md"
  File "${STAGE}\docs\development.md"
  File "${STAGE}\docs\fuzzing.md"
  File "${STAGE}\docs\lndtool.1"
  File "${STAGE}\docs\island.png"
  File "${STAGE}\docs\island-countries.png"
  File "${STAGE}\docs\island-gltf.png"
  File "${STAGE}\docs\island-thumbnail.png"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\lndview.lnk" "$INSTDIR\lndview.exe" "" "$INSTDIR\lndview.exe" 0

  ; The file type: a ProgID of its own, the default of .lnd, and a place in
  ; its "Open with" list that stays even when another program takes the
  ; default later.
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "Thornveil landscape"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\lndview.exe,0"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\lndview.exe" "%1"'
  ReadRegStr $0 SHCTX "${CLASSES}\.lnd" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "${EARLIER_DEFAULT}" $0
  ${EndIf}
  WriteRegStr SHCTX "${CLASSES}\.lnd" "" "${PROGID}"
  WriteRegNone SHCTX "${CLASSES}\.lnd\OpenWithProgids" "${PROGID}"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "lndview"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lndview.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$Mode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$Mode /S'
  ${If} $MadeFolder != ""
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "${MADE_FOLDER}" $MadeFolder
  ${Else}
    DeleteRegValue SHCTX "${UNINSTALL_KEY}" "${MADE_FOLDER}"
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as "Apps and features" reads it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Explorer reads the file types again.
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

; ---------------------------------------------------------------- uninstall

Function un.onInit
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/AllUsers" $R1
  ${If} ${Errors}
    ClearErrors
    ${un.GetOptions} $R0 "/CurrentUser" $R1
    ${If} ${Errors}
      ; Started by hand: the scope whose entry names this folder.
      ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $R1 == $INSTDIR
        StrCpy $Mode "AllUsers"
      ${Else}
        StrCpy $Mode "CurrentUser"
      ${EndIf}
    ${Else}
      StrCpy $Mode "CurrentUser"
    ${EndIf}
  ${Else}
    StrCpy $Mode "AllUsers"
  ${EndIf}
  ${If} $Mode == "AllUsers"
    !insertmacro IS_ADMIN $R2
    ${If} $R2 == 0
      ${If} ${Silent}
        SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
        Quit
      ${EndIf}
      ClearErrors
      ExecShell "runas" "$EXEPATH" "/AllUsers _?=$INSTDIR"
      ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "lndview was set up for all users: removing it needs administrator rights."
      ${EndIf}
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\lndview.exe"
  Delete "$INSTDIR\lndtool.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\lndview.txt"
  Delete "$INSTDIR\lndtool.txt"
  Delete "$INSTDIR\docs\lndtool.md"
  Delete "$INSTDIR\docs\viewer.md"
  Delete "$INSTDIR\docs\windows.md"
  Delete "$INSTDIR\docs\windows-build.md"
  Delete "$INSTDIR\docs\development.md"
  Delete "$INSTDIR\docs\fuzzing.md"
  Delete "$INSTDIR\docs\lndtool.1"
  Delete "$INSTDIR\docs\island.png"
  Delete "$INSTDIR\docs\island-countries.png"
  Delete "$INSTDIR\docs\island-gltf.png"
  Delete "$INSTDIR\docs\island-thumbnail.png"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put there stay.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "${MADE_FOLDER}"
  !insertmacro REMOVE_FOLDERS "un." $INSTDIR $0
  Delete "$SMPROGRAMS\lndview.lnk"

  ; .lnd gets back the default the setup replaced, unless another program
  ; has taken it since.
  ReadRegStr $0 SHCTX "${CLASSES}\.lnd" ""
  ${If} $0 == "${PROGID}"
    ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "${EARLIER_DEFAULT}"
    ${If} $1 != ""
      WriteRegStr SHCTX "${CLASSES}\.lnd" "" $1
    ${Else}
      DeleteRegValue SHCTX "${CLASSES}\.lnd" ""
    ${EndIf}
  ${EndIf}
  DeleteRegValue SHCTX "${CLASSES}\.lnd\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.lnd\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.lnd"
  DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
