; A real silent setup package for the installer's tests: installs the stand-in Velmora.exe into
; the folder given with /D=, or, built with -DFAIL, ends at once with exit code 5.
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
FunctionEnd

; Beside the product it notes the temp folder it was given and the one it unpacked its
; helpers into, for the tests of what a package runs with.
Section
  SetOutPath "$INSTDIR"
  File "/oname=Velmora.exe" "${STUB}"
  InitPluginsDir
  FileOpen $0 "$INSTDIR\temp.txt" w
  FileWrite $0 "$TEMP$\r$\n$PLUGINSDIR"
  FileClose $0
SectionEnd
