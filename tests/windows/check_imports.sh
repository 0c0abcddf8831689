#!/usr/bin/env bash
# Lists the DLLs each .exe imports and fails when one is not part of Windows
# itself: a static build must not need libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll or a freeglut/libpng/zlib DLL beside it.
set -euo pipefail
system_dlls=" kernel32.dll msvcrt.dll user32.dll gdi32.dll opengl32.dll glu32.dll winmm.dll comdlg32.dll advapi32.dll shell32.dll ole32.dll "
failed=0
for exe in "$@"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  printf '%-20s %8d bytes  %s\n' "$(basename "$exe")" "$(stat -c %s "$exe")" "$(echo $dlls)"
  for dll in $dlls; do
    lower=$(echo "$dll" | tr '[:upper:]' '[:lower:]')
    if [[ "$system_dlls" != *" $lower "* ]]; then
      echo "ERROR : $exe: imports $dll, which Windows does not ship" >&2
      failed=1
    fi
  done
done
exit $failed
