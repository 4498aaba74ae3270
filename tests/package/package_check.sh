#!/usr/bin/env bash
# Builds the Debian package into a scratch folder, unpacks it into a scratch root and
# checks that every file is where a desktop expects it and that Depends is complete.
set -euo pipefail
build_dir="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
(cd "$build_dir" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/glow-panel_*.deb)
dpkg-deb -x "$deb" "$scratch/root"
fail=0
for f in usr/bin/glow-panel \
         usr/share/applications/org.glowpanel.GlowPanel.desktop \
         usr/share/metainfo/org.glowpanel.GlowPanel.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/glow-panel.svg \
         usr/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/glow-panel.png \
         usr/share/man/man1/glow-panel.1.gz \
         usr/share/doc/glow-panel/{copyright,changelog.gz}; do
  [ -f "$scratch/root/$f" ] || { echo "missing: /$f"; fail=1; }
done
[ -x "$scratch/root/usr/bin/glow-panel" ] || { echo "not executable: /usr/bin/glow-panel"; fail=1; }
for size in 48 64 128 256; do
  file "$scratch/root/usr/share/icons/hicolor/${size}x${size}/apps/glow-panel.png" |
    grep -q "$size x $size" || { echo "wrong size: ${size}px icon"; fail=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6serialport6 libqt6widgets6 qt6-qpa-plugins fonts-arphic-uming fonts-liberation; do
  grep -q "$d" <<<"$depends" || { echo "Depends lacks $d: $depends"; fail=1; }
done
grep -q '^Exec=glow-panel$' "$scratch/root/usr/share/applications/org.glowpanel.GlowPanel.desktop" ||
  { echo "menu entry does not start glow-panel"; fail=1; }
findings=$(lintian "$deb" 2>/dev/null | grep -E '^[EW]: ' || true)
[ -z "$findings" ] || { echo "lintian:"; echo "$findings"; fail=1; }
[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
