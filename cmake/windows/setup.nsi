# SPDX-License-Identifier: MIT
# The Windows setup program: installs for the current user without elevation,
# adds a Start menu shortcut and an entry in Settings > Apps, and removes
# itself again. /S installs or uninstalls silently; /D= chooses the folder.
#
# makensis -DVERSION=1.21 -DARCH=x86 -DSTAGE=<folder> -DICON=<file.ico>
#          -DOUTFILE=<setup.exe> -DLANGUAGES=<languages.nsh> setup.nsi
# STAGE holds the files listed in the Files macro below. ARCH is x86 for the
# shipped 32-bit programs and amd64 for the 64-bit test build. LANGUAGES is
# made from the program's catalogues by tools/po_to_nsis.py: the installer's
# own languages and the texts below in each. The script uses no plugins, so
# both targets build with what Debian's NSIS ships.
#
# Setup and uninstaller speak the user's display language when they have it,
# else English.

!ifndef VERSION | ARCH | STAGE | ICON | OUTFILE | LANGUAGES
  !error "Define VERSION, ARCH, STAGE, ICON, OUTFILE and LANGUAGES"
!endif

Target ${ARCH}-unicode
!define PRODUCT "Varnel's Expression calculator"
!define PUBLISHER "Varnel Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\exprcalc"
!define UNINSTALLER "Uninstall.exe"

# Every file of the release, in one place for installing and removing.
!macro Files action
  !insertmacro ${action} exprcalc.exe
  !insertmacro ${action} exprcalc-cli.exe
  !insertmacro ${action} LICENSE.txt
  !insertmacro ${action} README.txt
!macroend
!macro InstallFile name
  File "${STAGE}/${name}"
!macroend
!macro RemoveFile name
  Delete "$INSTDIR\${name}"
!macroend

Name "$(ProductName)"
OutFile "${OUTFILE}"
SetCompressor /SOLID /FINAL lzma
RequestExecutionLevel user
ManifestDPIAware true
InstallDir "$LOCALAPPDATA\Programs\Expression Calculator"
# An update goes where the installed version is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "$(ProductName) ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
!searchparse /file "${STAGE}/LICENSE.txt" "Copyright " COPYRIGHT
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright ${COPYRIGHT}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "$(DirectoryText)"
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(UninstallText)"
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

# The setup's texts in one language: TEXT is the catalogue's English text
# (its key), with PIECE in place of its %1.
!macro CatalogueText NAME LANGUAGE PIECE TEXT
  !searchreplace CATALOGUE_TEXT "${TEXT}" "%1" "${PIECE}"
  LangString ${NAME} ${LANGUAGE} `${CATALOGUE_TEXT}`
  !undef CATALOGUE_TEXT
!macroend

# The pages' other texts come from the installer's language files. English
# first: it is the language where the user's is missing. The program's name
# is its window's title.
!insertmacro MUI_LANGUAGE "English"
!insertmacro CatalogueText ProductName ${LANG_ENGLISH} "" "Varnel's Expression calculator"
!insertmacro CatalogueText DirectoryText ${LANG_ENGLISH} "$(ProductName) ${VERSION}" "Setup will install %1 for you alone; it needs no administrator rights.$\n$\nTo install in another folder, click Browse and select it. Click Install to start."
!insertmacro CatalogueText UninstallText ${LANG_ENGLISH} "$(ProductName)" "%1 will be removed from the following folder. Your settings and history are kept in %APPDATA%\VarnelSoftware\Expression Calculator."
!include "${LANGUAGES}"

Section
  # An installed version removes itself first, wherever it is, so that an
  # update leaves neither its files nor a second entry in Apps.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${UNINSTALLER}"
    ExecWait '"$0\${UNINSTALLER}" /S _?=$0'
    Delete "$0\${UNINSTALLER}"
    RMDir "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro Files InstallFile
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  # In the language of this setup: the uninstaller, which may run in
  # another, finds it by the path kept in the entry.
  StrCpy $4 "$SMPROGRAMS\$(ProductName).lnk"
  CreateShortcut "$4" "$INSTDIR\exprcalc.exe" "" "$INSTDIR\exprcalc.exe" 0

  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "$(ProductName)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\exprcalc.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Shortcut" "$4"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
SectionEnd

Section "Uninstall"
  !insertmacro Files RemoveFile
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  # A copy of the program elsewhere must not take the installed one's entry.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "Shortcut"
    ${If} $1 != ""
      Delete "$1"
    ${EndIf}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
