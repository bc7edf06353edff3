#!/usr/bin/env bash
# Run by hand as root, not in CI: makes a fresh Debian 12 minbase root with
# debootstrap, puts this repository's committed tree in it, and tries the
# README's steps there as a new user would, printing what they see:
#   1. setup.sh as an ordinary user, on a machine without sudo;
#   2. demo.sh as root, answering "Uninstall";
#   3. demo.sh as that ordinary user, who has no sudo rights.
# Usage: bash scripts/fresh-machine.sh [FOLDER]  (by default a new one in /var/tmp)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine.sh: debootstrap and chroot need root: run it as root" >&2
  exit 1
fi
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
root=${1:-$(mktemp -d /var/tmp/qe-fresh-XXXXXX)}

echo "== debootstrap --variant=minbase bookworm $root (log: $root.log)"
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$root.log" 2>&1
# The programs find themselves through /proc.
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT

chroot "$root" useradd -m newuser
for home in /root /home/newuser; do
  mkdir -p "$root$home/qe"
  git archive HEAD | tar -x -C "$root$home/qe"
done
chroot "$root" chown -R newuser: /home/newuser/qe

# Runs a step in the fresh root and shows the start and end of what it
# printed; the whole is kept beside the root.
steps=0
step() {
  local what=$1
  shift
  steps=$((steps + 1))
  local log=$root.step$steps.log status=0
  echo
  echo "== $what (all of it: $log)"
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb "$@" >"$log" 2>&1 ||
    status=$?
  head -n 6 "$log"
  echo "   ... $(wc -l <"$log") lines in all; the last:"
  tail -n 4 "$log"
  echo "-- exit status $status"
}

step "an ordinary user runs setup.sh; there is no sudo" \
  runuser -l newuser -c 'cd ~/qe && bash scripts/setup.sh build'
step "root runs the demo and answers Uninstall" \
  bash -c 'cd /root/qe && echo Uninstall | HOME=/root bash scripts/demo.sh'
step "the ordinary user runs the demo and answers Uninstall" \
  runuser -l newuser -c 'cd ~/qe && echo Uninstall | bash scripts/demo.sh'
