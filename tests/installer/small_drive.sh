#!/usr/bin/env bash
# A small drive of the tests' own, for installs onto a full drive: a tmpfs of a few megabytes,
# which Wine reaches through Z:. Mounting needs root (CI runs as root; sudo otherwise).
#   small_drive.sh mount FOLDER SIZE    unmount FOLDER
set -euo pipefail
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
folder=$2
case $1 in
  mount)
    mkdir -p "$folder"
    if mountpoint -q "$folder"; then as_root umount "$folder"; fi
    as_root mount -t tmpfs -o "size=$3,mode=1777" cmpatch-small-drive "$folder"
    ;;
  unmount)
    if mountpoint -q "$folder"; then as_root umount "$folder"; fi
    ;;
  *) echo "usage: $0 mount FOLDER SIZE | unmount FOLDER" >&2; exit 2 ;;
esac
