#!/usr/bin/env bash
# The README's test command as a newcomer meets it: a throwaway Debian 12 root, nothing in
# it but what Debian installs, the committed tree copied in with ../shared beside it, and
# scripts/test.sh run inside as root. Prints the wall time, the test totals and the root's
# size. The root, and every mount in it, is gone afterwards, whether the tests pass, fail
# or the run is stopped. Downloaded .deb files are kept between runs in GLOW_FRESH_CACHE
# (default /var/cache/glow-panel-fresh); nothing installed is.
#   scripts/fresh-root.sh [CTEST ARGS...]   (scripts/test.sh --fresh does the same)
set -euo pipefail
source "$(dirname "$0")/common.sh"
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
install_missing mmdebstrap git
cache="${GLOW_FRESH_CACHE:-/var/cache/glow-panel-fresh}"
mkdir -p "$cache"
root="$(mktemp -d "${TMPDIR:-/var/tmp}/glow-panel-fresh.XXXXXX")"
mounts=()

# Whatever still runs in the root (the run was stopped) goes first: it holds the mounts.
stop_root_processes() {
  local signal p
  for signal in TERM KILL; do
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -s "$signal" "${p#/proc/}" 2>/dev/null
    done
    sleep 1
  done
}

cleanup() {
  local i
  stop_root_processes
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  # Never delete through a mount that is still there.
  if findmnt -rn -o TARGET | grep -q "^$root/"; then
    echo "fresh root: mounts left under $root; not removed" >&2
    return
  fi
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start=$(date +%s)
# The machine's own Debian sources, so that the root comes from where its packages come
# from; a mirror that serves a dated snapshot needs the date checks off.
sources=/etc/apt/sources.list.d/debian.sources
[ -f "$sources" ] || sources=http://deb.debian.org/debian
echo "fresh root: building a Debian 12 root in $root"
mmdebstrap --variant=apt --quiet --skip=essential/unlink --skip=cleanup/apt/cache \
  --aptopt='Acquire::Check-Valid-Until "false"' --aptopt='Acquire::Check-Date "false"' \
  --setup-hook='mkdir -p "$1"/var/cache/apt/archives/' \
  --setup-hook="sync-in $cache /var/cache/apt/archives/" \
  bookworm "$root" "$sources"
built=$(date +%s)

mkdir -p "$root/work/glow-panel" "$root/work/shared"
git -C "$ROOT" archive --format=tar HEAD | tar -x -C "$root/work/glow-panel"
cp -a "$ROOT/../shared/." "$root/work/shared/"
chmod -R a-w "$root/work/shared" # as CI lays it
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount_in() {
  mkdir -p "$root$2"
  mount "${@:3}" "$1" "$root$2"
  mounts+=("$root$2")
}
# The root a mount of its own, as / is on any machine: a mount namespace made inside it
# (the drills on a small disk) can then keep its mounts to itself.
mount_in "$root" / --bind
mount --make-private "$root"
mount_in proc /proc -t proc
mount_in sysfs /sys -t sysfs -o ro
mount_in devpts /dev/pts -t devpts -o newinstance,ptmxmode=0666,mode=620
ln -sf pts/ptmx "$root/dev/ptmx"
mount_in tmpfs /dev/shm -t tmpfs -o mode=1777

log="$root/fresh.log"
# In the background, so that a stop is handled at once rather than when the tests end.
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /work/glow-panel && scripts/test.sh "$@"' test.sh "$@" 2>&1 | tee "$log" &
status=0
wait $! || status=$?
end=$(date +%s)

# Keep what was downloaded, the root's own versions only.
rm -f "$cache"/*.deb
cp "$root"/var/cache/apt/archives/*.deb "$cache/" 2>/dev/null || true
totals=$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)
echo "fresh root: ${totals:-no test totals (the run did not get that far)}"
echo "fresh root: $((end - start)) s in all: root $((built - start)) s," \
     "scripts/test.sh inside $((end - built)) s; root size $(du -sh --one-file-system "$root" | cut -f1)"
exit "$status"
