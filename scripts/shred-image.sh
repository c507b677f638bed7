#!/usr/bin/env bash
# Proof that shredding reaches the disk: "setup" makes a small ext2 image, loop-mounts it inside the
# prefix and maps it to drive S:; the Wine test then writes marked files there and removes them;
# "verify" unmounts and scans the raw image. Without loop mounting the proof is skipped (exit 77).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$2"
image="$OMBRIX_BUILD/shred.img"
mnt="$WINEPREFIX/shred-mnt"
flag="$OMBRIX_BUILD/shred.unavailable"
case "$1" in
setup)
  rm -f "$flag" "$WINEPREFIX/dosdevices/s:"
  mountpoint -q "$mnt" && umount "$mnt"
  mkdir -p "$mnt"
  truncate -s 0 "$image" && truncate -s 16M "$image"
  if mkfs.ext2 -q -F "$image" >/dev/null 2>&1 && mount -o loop "$image" "$mnt" 2>/dev/null; then
    ln -s ../shred-mnt "$WINEPREFIX/dosdevices/s:"
    echo "shred image mounted at $mnt as S:"
  else
    echo "loop mounting is not allowed here: the shredding proof is skipped"
    touch "$flag"
  fi
  ;;
verify)
  rm -f "$WINEPREFIX/dosdevices/s:"
  if [ -f "$flag" ]; then echo "shredding proof skipped: no loop mount"; exit 77; fi
  sync; umount "$mnt" || { echo "cannot unmount $mnt"; exit 1; }
  shredded=$(grep -a -c 'SHRED-PROOF-MARKER-SHREDDED' "$image")
  control=$(grep -a -c 'SHRED-PROOF-MARKER-CONTROL' "$image")
  rm -f "$image"
  echo "marker of the shredded file: $shredded blocks; of the unshredded control: $control blocks"
  [ "$control" -gt 0 ] || { echo "the scan does not find the control marker: the proof proves nothing"; exit 1; }
  [ "$shredded" -eq 0 ] || { echo "the shredded file's contents are still on the disk"; exit 1; }
  ;;
esac
