# Shared by the quick-start scripts: install missing Debian packages, then build.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
CMAKE_ARGS=()

PACKAGES=(qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
          libqt6sql6-sqlite libqt6sql6-psql
          cmake ninja-build g++ xvfb xauth file
          dpkg-dev desktop-file-utils appstream lintian socat
          fonts-arphic-uming fonts-liberation)

ensure_packages() { install_missing "${PACKAGES[@]}" "$@"; }

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja ${CMAKE_ARGS[@]+"${CMAKE_ARGS[@]}"} >/dev/null
  cmake --build "$BUILD_DIR" "$@"
}

# The Windows build: MinGW-w64 against the Qt for Windows, tested under Wine.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools qt6-base-dev-tools nsis wine64 wine
                  unzip xclip xdotool x11-apps imagemagick python3)

use_windows_build() {
  BUILD_DIR="$ROOT/build-windows"
  local qt="${GLOW_PANEL_QT_WINDOWS:-}"
  if [ -z "$qt" ]; then
    qt="$BUILD_DIR/qt6-mingw64"
    local tarball="$ROOT/../shared/windows/qt-6.4.2-mingw64.tar.xz"
    # A folder unpacked from an earlier tarball lacks Qt Sql: it is unpacked again.
    if [ ! -f "$qt/lib/cmake/Qt6Sql/Qt6SqlConfig.cmake" ]; then
      rm -rf "$qt"
      [ -f "$tarball" ] || { echo "No Qt for Windows: $tarball is missing and GLOW_PANEL_QT_WINDOWS is not set." >&2; exit 1; }
      mkdir -p "$BUILD_DIR"
      tar -xJf "$tarball" -C "$BUILD_DIR"
    fi
  fi
  CMAKE_ARGS=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
              -DGLOW_PANEL_QT_WINDOWS="$qt" -DQT_HOST_PATH=/usr -DCMAKE_BUILD_TYPE=Release)
  # Wine keeps its own Windows in a prefix of the build's.
  # No .NET or browser engine is needed; without them wineboot asks for neither.
  export WINEPREFIX="$BUILD_DIR/wine" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
}

build_windows() {
  build "$@"
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  wineboot -i >/dev/null 2>&1 || true
  # Wine has none of the faces the window names; Debian's metric-compatible ones stand in,
  # as they do on Linux.
  local key='HKCU\Software\Wine\Fonts\Replacements' face
  for face in "Arial=Liberation Sans" "Trebuchet MS=DejaVu Sans" "PMingLiU=AR PL UMing TW"; do
    wine reg add "$key" /v "${face%%=*}" /t REG_SZ /d "${face#*=}" /f >/dev/null 2>&1
  done
  wineserver -w
}
