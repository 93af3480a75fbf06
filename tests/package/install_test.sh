#!/usr/bin/env bash
# The Debian package as a user meets it: installed with apt-get, the
# program run from / (headless, a few frames of the farewell) finding its
# files where the package put them, its manual page found by man, then the
# package purged, leaving none of its files, folders or manual page behind.
#   bash tests/package/install_test.sh dist/flipp-kroma_VERSION_ARCH.deb
# Needs root (or sudo) and apt; refuses to touch a flipp-kroma that is
# already installed.
set -euo pipefail
deb=$(realpath "$1")
name=$(dpkg-deb -f "$deb" Package)
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
fail() { echo "package test: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; }
if installed; then
  fail "$name is already installed on this machine; remove it first (this test would replace and then remove it)"
fi

scratch=$(mktemp -d)
# Whatever happens, the machine is left without the package.
cleanup() {
  if dpkg-query -W "$name" >/dev/null 2>&1; then
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 "$name" >/dev/null 2>&1 || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
apt_get() {
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@" </dev/null \
    >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get $* failed"; }
}

# What the package holds, and which of its paths the machine lacks before:
# those must be gone again after the purge.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' >"$scratch/contents"
while read -r path; do
  [ -e "$path" ] || echo "$path"
done <"$scratch/contents" >"$scratch/new"

apt_get install "$deb"
installed || fail "apt-get did not install $name"
[ "$(command -v flipp-kroma)" = /usr/bin/flipp-kroma ] || fail "flipp-kroma is not /usr/bin/flipp-kroma on the PATH"
while read -r path; do
  [ -e "$path" ] || fail "$path is in the package but not on the machine"
done <"$scratch/contents"

# From /, with a home of its own: nothing in the working folder to find.
mkdir "$scratch/home"
status=0
(cd / && HOME=$scratch/home SDL_AUDIODRIVER=dummy timeout 60 flipp-kroma --headless --fps 30 --mode 64x48 \
  --start-order 18 --frames 10 >"$scratch/out" 2>"$scratch/err") || status=$?
[ "$status" -eq 0 ] || { cat "$scratch/out" "$scratch/err" >&2; fail "the installed program ended with status $status"; }
# Every file found: the mesh loader names the one it opened, and the song,
# the picture and the font would each say on standard error that they failed.
grep -q '"/usr/share/flipp-kroma/dino.obj" was opened' "$scratch/out" ||
  { cat "$scratch/out" >&2; fail "the installed program did not read /usr/share/flipp-kroma/dino.obj"; }
[ ! -s "$scratch/err" ] || { cat "$scratch/err" >&2; fail "the installed program reported a problem"; }
page=$(man -w flipp-kroma) || fail "man -w flipp-kroma finds no manual page"
[ "$page" = /usr/share/man/man6/flipp-kroma.6.gz ] || fail "man -w flipp-kroma gives $page"

apt_get purge "$name"
if dpkg-query -W "$name" >/dev/null 2>&1; then fail "dpkg still knows $name after the purge"; fi
while read -r path; do
  [ ! -e "$path" ] || fail "$path is left after the purge"
done <"$scratch/new"
if man -w flipp-kroma >/dev/null 2>&1; then fail "man still finds flipp-kroma after the purge"; fi
if command -v flipp-kroma >/dev/null; then fail "flipp-kroma is still on the PATH after the purge"; fi
echo "package test: $(basename "$deb") installed, ran from / (status 0, its files found), man page found; purged, nothing left"
