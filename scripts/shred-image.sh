#!/usr/bin/env bash
# Proof that shredding reaches the disk, on a small ext2 image inside the build folder.
#   mount    (on the host, before the sandbox) makes the image and loop-mounts it in the prefix;
#   setup    (in the sandbox) maps the mounted image to drive S:;
#            the Wine test then writes marked files there and removes them;
#   verify   (in the sandbox) flushes the file system and scans the raw image;
#   unmount  (on the host, after the sandbox) unmounts and removes the image.
# Where loop mounting is refused, setup and verify report the proof as skipped (exit 77).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine-env.sh" "$2"
image="$OMBRIX_BUILD/shred.img"
mnt="$WINEPREFIX/shred-mnt"
skipped() { echo "loop mounting is not allowed here: the shredding proof is skipped"; exit 77; }
case "$1" in
mount)
  mountpoint -q "$mnt" 2>/dev/null && umount "$mnt"
  mkdir -p "$mnt"
  truncate -s 0 "$image" && truncate -s 16M "$image"
  if mkfs.ext2 -q -F "$image" >/dev/null 2>&1 && mount -o loop "$image" "$mnt" 2>/dev/null; then
    echo "shred image mounted at $mnt"
  else
    rm -f "$image"; echo "loop mounting is not allowed here"
  fi
  ;;
setup)
  rm -f "$WINEPREFIX/dosdevices/s:"
  mountpoint -q "$mnt" || skipped
  ln -s ../shred-mnt "$WINEPREFIX/dosdevices/s:"
  echo "shred image mapped to S:"
  ;;
verify)
  rm -f "$WINEPREFIX/dosdevices/s:"
  mountpoint -q "$mnt" || skipped
  # sync(2) writes the image's file system out through the loop device into the image file.
  sync
  shredded=$(grep -a -c 'SHRED-PROOF-MARKER-SHREDDED' "$image")
  control=$(grep -a -c 'SHRED-PROOF-MARKER-CONTROL' "$image")
  echo "marker of the shredded file: $shredded blocks; of the unshredded control: $control blocks"
  [ "$control" -gt 0 ] || { echo "the scan does not find the control marker: the proof proves nothing"; exit 1; }
  [ "$shredded" -eq 0 ] || { echo "the shredded file's contents are still on the disk"; exit 1; }
  ;;
unmount)
  mountpoint -q "$mnt" 2>/dev/null && umount "$mnt"
  rm -f "$image"
  ;;
esac
