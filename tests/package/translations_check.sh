#!/usr/bin/env bash
# Fails on a text the tool adds that has no Traditional Chinese translation: lupdate, run
# on the sources into a copy of the translation, must find nothing new or unfinished.
set -euo pipefail
root="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$root/res/i18n/glow-panel_zh_TW.ts" "$scratch/check.ts"
/usr/lib/qt6/bin/lupdate "$root"/src/*/*.cpp "$root"/src/*/*.h -ts "$scratch/check.ts" \
  -no-obsolete -locations none >/dev/null
if grep -B2 'type="unfinished"' "$scratch/check.ts"; then
  echo "These texts have no translation in res/i18n/glow-panel_zh_TW.ts."
  exit 1
fi
