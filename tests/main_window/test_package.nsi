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

Section
  SetOutPath "$INSTDIR"
  File "/oname=Velmora.exe" "${STUB}"
SectionEnd
