; A real silent setup package for the installer's tests: installs the stand-in Velmora.exe into
; the folder given with /D=, or, built with -DFAIL, ends at once with exit code 5. Built with
; -DEXIT_CODE=<n> it installs and ends with n (3010, 1641: installed, Windows must restart);
; with -DHANG=<ms> it waits that long before it installs (a package that does not end).
Unicode true
Name "Velmora"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Velmora"
RequestExecutionLevel admin
SilentInstall silent

Function .onInit
!ifdef FAIL
  SetErrorLevel 5
  Abort
!endif
!ifdef HANG
  Sleep ${HANG}
!endif
FunctionEnd

; Beside the product it notes the temp folder it was given and the one it unpacked its
; helpers into, for the tests of what a package runs with.
Section
  SetOutPath "$INSTDIR"
  File "/oname=Velmora.exe" "${STUB}"
!ifdef EXIT_CODE
  SetErrorLevel ${EXIT_CODE}
!endif
  InitPluginsDir
  FileOpen $0 "$INSTDIR\temp.txt" w
  FileWrite $0 "$TEMP$\r$\n$PLUGINSDIR"
  FileClose $0
SectionEnd
