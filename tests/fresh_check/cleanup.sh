#!/usr/bin/env bash
# The cleanup of scripts/fresh-check.sh on a small fake root in a folder
# whose name holds a blank: a scratch folder bound into it with a tmpfs
# inside. Everything is unmounted and the root deleted, while the scratch
# folder's files survive; and while a mount that the cleanup did not make
# stays under the root, it deletes nothing and names that mount. Needs root;
# runs in a mount namespace of its own, so nothing reaches the machine.
# Runs alone as: bash tests/fresh_check/cleanup.sh (scripts/test.sh runs it).
set -euo pipefail
((EUID == 0)) || { echo "skipped: the cleanup of fresh-check.sh needs root"; exit 0; }
[[ ${1:-} == --inside ]] || exec unshare --mount --propagation private "$BASH" "$0" --inside
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/mounts-lib.sh"
work=$(mktemp -d)
trap 'umount -l "$fake/etc" 2>/dev/null; rm -rf --one-file-system "$work" || true' EXIT
fake="$work/with blank/root"
mkdir -p "$fake/tmp" "$fake/etc" "$work/scratch/in tmpfs"
echo kept >"$work/scratch/file"
status=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; status=1; fi; }
# mount_all: the fake root's mounts, as fresh-check.sh makes them.
mount_all() {
  mount_in "$fake/tmp" --bind "$work/scratch"
  mount_in "$fake/tmp/in tmpfs" -t tmpfs scratch-tmpfs
  echo gone >"$fake/tmp/in tmpfs/file"
}

mount_all
unmount_all
check "each mount is taken down" test -z "$(mounts_under "$work")"
remove_unmounted "$fake"
check "the root is deleted" test ! -e "$fake"
check "the bound folder's files survive" test "$(cat "$work/scratch/file")" = kept

mkdir -p "$fake/tmp" "$fake/etc"
echo root >"$fake/etc/file"
mount_all
mount -t tmpfs not-ours "$fake/etc"
unmount_all
said=$(remove_unmounted "$fake" 2>&1) && refused=false || refused=true
check "the cleanup fails while a mount it did not make stays" $refused
check "it names that mount ($said)" grep -qF "$fake/etc" <<<"$said"
check "and deletes nothing" test -d "$fake/tmp" -a "$(cat "$work/scratch/file")" = kept
exit "$status"
