#!/usr/bin/env bash
# Fails when a shipped program imports a DLL that a stock Windows (7 or later) may not carry. The
# import table is what the Windows loader reads before the program's first instruction: a DLL
# missing there means "was not found" and no start at all. Wine carries more DLLs than Windows
# (mingw's zlib1.dll and libwinpthread among them), so running under Wine proves nothing here.
#   check_imports.sh OBJDUMP PROGRAM.exe...
set -euo pipefail
objdump=$1
shift

# In the system folder of every Windows from 7 on, without any redistributable: the kernel, the
# window manager and GDI, the common controls, the shell and its light helpers, COM and its
# automation types, the registry and security calls, alpha blending, GDI+ and the system's own C
# runtime. Nothing else: the C runtime of Visual C++ or the universal one (api-ms-win-crt-*) would
# need an update or an installer.
declare -A allowed
for dll in kernel32 user32 gdi32 comctl32 shell32 shlwapi ole32 oleaut32 advapi32 msimg32 gdiplus msvcrt; do
  allowed[$dll.dll]=1
done

status=0
for program in "$@"; do
  dump=$("$objdump" -p "$program")
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr -d '\r' | sort -u)
  if [ -z "$dlls" ]; then
    echo "$program: no import table found"
    status=1
    continue
  fi
  for dll in $dlls; do
    if [ -z "${allowed[${dll,,}]:-}" ]; then
      echo "$(basename "$program") imports $dll, which Windows does not ship"
      status=1
    fi
  done
  echo "$(basename "$program"): imports" $dlls
done
exit $status
