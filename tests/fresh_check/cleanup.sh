#!/usr/bin/env bash
# The cleanup of scripts/fresh-check.sh on a small fake root in a folder
# whose name holds a blank, with a scratch folder bound into it and a tmpfs
# inside that: everything is unmounted and the root deleted, while the
# scratch folder's files survive; and while a mount that the cleanup did not
# make stays under the root, it deletes nothing and names that mount. Needs
# root; runs in a mount namespace of its own, so nothing reaches the machine,
# and in a chroot whose top is no mount point (as on a new root entered with
# chroot, where findmnt names no mount that holds a folder): on a machine
# whose root is a mount point, in a small one made for it.
# Runs alone as: bash tests/fresh_check/cleanup.sh (scripts/test.sh runs it).
set -euo pipefail
((EUID == 0)) || { echo "skipped: the cleanup of fresh-check.sh needs root"; exit 0; }
case ${1:-} in
  "")
    findmnt / >/dev/null && exec unshare --mount "$BASH" "$0" --chroot
    exec unshare --mount --propagation unchanged "$BASH" "$0" --inside ;;
  --chroot) # the small root: a folder of a new tmpfs with this machine's /usr, /proc, /dev, and this tree
    cd "$(dirname "${BASH_SOURCE[0]}")/../.."
    mount -t tmpfs small /tmp
    mkdir -p /tmp/root/{usr,proc,dev,tree,tmp}
    for dir in bin lib lib64 sbin; do ln -s "usr/$dir" "/tmp/root/$dir"; done
    for dir in /usr /proc /dev; do mount --rbind "$dir" "/tmp/root$dir"; done
    mount --no-canonicalize --bind . /tmp/root/tree # by the folder it is in: the tmpfs may hide its path
    TMPDIR=/tmp exec chroot /tmp/root "$BASH" /tree/tests/fresh_check/cleanup.sh --inside ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/mounts-lib.sh"
work=$(mktemp -d) && fake="$work/with blank/root"
trap 'umount -l "$work" 2>/dev/null; rm -rf --one-file-system "$work" || true' EXIT
# The scratch folder is made a mount point of its own, private in this
# namespace: in a chroot whose top is no mount point, no mount that holds it
# can be named and made private instead (where that hidden mount is shared,
# the bind alone shows outside too, until the folder is deleted at the end).
mount --bind "$work" "$work"
mount --make-rprivate "$work"
mkdir -p "$work/scratch/in tmpfs" && echo kept >"$work/scratch/file"
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
# mount_root: the fake root's mounts, made as fresh-check.sh makes the root's.
mount_root() {
  mkdir -p "$fake/tmp" "$fake/etc" && mount_in "$fake/tmp" --bind "$work/scratch"
  mount_in "$fake/tmp/in tmpfs" -t tmpfs scratch-tmpfs
}
mount_root && unmount_all
remove_unmounted "$fake" 2>/dev/null || true
check "each mount is taken down, the root deleted" test -z "$(mounts_under "$fake")" -a ! -e "$fake"
check "the bound folder's files survive" test "$(cat "$work/scratch/file")" = kept
mount_root && mount -t tmpfs not-ours "$fake/etc" && unmount_all
said=$(remove_unmounted "$fake" 2>&1) || true
check "a mount it did not make is named: $said" grep -qF "left as it is: $fake/etc" <<<"$said"
check "and nothing under the root is deleted" test -d "$fake/tmp" -a -e "$fake/etc"
checks_done
