#!/usr/bin/env bash
# The cleanup of scripts/fresh-check.sh on a small fake root in a folder
# whose name holds a blank, with a scratch folder bound into it and a tmpfs
# inside that: everything is unmounted and the root deleted, while the
# scratch folder's files survive; and while a mount that the cleanup did not
# make stays under the root, it deletes nothing and names that mount. Needs
# root; runs in a mount namespace of its own, so nothing reaches the machine.
# Runs alone as: bash tests/fresh_check/cleanup.sh (scripts/test.sh runs it).
set -euo pipefail
((EUID == 0)) || { echo "skipped: the cleanup of fresh-check.sh needs root"; exit 0; }
[[ ${1:-} == --inside ]] || exec unshare --mount --propagation unchanged "$BASH" "$0" --inside
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/mounts-lib.sh"
work=$(mktemp -d) && fake="$work/with blank/root"
# The mount that holds the scratch folder is made private in this namespace
# (the whole tree's root may be no mount point, as in a chroot).
mount --make-rprivate "$(findmnt -n -o TARGET -T "$work")"
trap 'umount -l "$fake/etc" 2>/dev/null; rm -rf --one-file-system "$work" || true' EXIT
mkdir -p "$work/scratch/in tmpfs" && echo kept >"$work/scratch/file"
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
# mount_root: the fake root's mounts, made as fresh-check.sh makes the root's.
mount_root() {
  mkdir -p "$fake/tmp" "$fake/etc" && mount_in "$fake/tmp" --bind "$work/scratch"
  mount_in "$fake/tmp/in tmpfs" -t tmpfs scratch-tmpfs
}
mount_root && unmount_all
remove_unmounted "$fake" 2>/dev/null || true
check "each mount is taken down, the root deleted" test -z "$(mounts_under "$work")" -a ! -e "$fake"
check "the bound folder's files survive" test "$(cat "$work/scratch/file")" = kept
mount_root && mount -t tmpfs not-ours "$fake/etc" && unmount_all
said=$(remove_unmounted "$fake" 2>&1) || true
check "a mount it did not make is named: $said" grep -qF "left as it is: $fake/etc" <<<"$said"
check "and nothing under the root is deleted" test -d "$fake/tmp" -a -e "$fake/etc"
checks_done
