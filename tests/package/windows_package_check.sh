#!/usr/bin/env bash
# Packs the Windows build into a scratch folder, then, in a fresh Wine prefix: the zip runs
# from wherever it is unpacked; the installer installs silently with a Start-menu entry;
# its uninstaller takes everything away again.
set -euo pipefail
build_dir="$1"
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/wine" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
(cd "$build_dir" && cpack -B "$scratch/out" >/dev/null)
wineboot -i >/dev/null 2>&1 || true
fail=0
check() { "$@" || { echo "failed: ${*: -1}"; fail=1; }; }

mkdir "$scratch/anywhere"
unzip -q "$scratch"/out/glow-panel-*-win64.zip -d "$scratch/anywhere"
version=$(wine "$scratch"/anywhere/glow-panel-*-win64/glow-panel.exe --version | tr -d '\r')
check [ "$version" = "glow-panel $(basename "$scratch"/out/glow-panel-*-win64.zip | sed 's/glow-panel-\(.*\)-win64.zip/\1/')" ]

wine "$scratch"/out/glow-panel-*-win64-setup.exe /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/glow-panel"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/GLOW_PANEL"
for f in glow-panel.exe Qt6Core.dll Qt6SerialPort.dll platforms/qwindows.dll platforms/qoffscreen.dll LICENSE.txt Uninstall.exe; do
  check [ -f "$installed/$f" ]
done
check [ -f "$menu/GLOW_PANEL.lnk" ]
check [ "$(wine "$installed/glow-panel.exe" --version | tr -d '\r')" = "$version" ]

wine "$installed/Uninstall.exe" /S
for _ in $(seq 50); do [ -e "$installed" ] || break; sleep 0.2; done
wineserver -w
check [ ! -e "$installed" ]
check [ ! -e "$menu" ]
exit $fail
