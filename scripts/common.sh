# Shared by the quick-start scripts: install missing Debian packages, then build.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
CMAKE_ARGS=()

PACKAGES=(qt6-base-dev qt6-serialport-dev cmake ninja-build g++ xvfb xauth file
          dpkg-dev desktop-file-utils appstream lintian socat
          fonts-arphic-uming fonts-liberation)

ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
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
