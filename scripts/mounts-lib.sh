# shellcheck shell=bash
# Mounts into a folder and takes them away again, for scripts/fresh-check.sh:
# what was mounted is kept in a list, taken down in reverse order, and a
# folder is deleted only when nothing under it is mounted any more. Paths are
# handled whole, blanks and all. Sourced; needs root.

mounted=()

# mount_in TARGET MOUNT-ARGUMENTS...: mounts at TARGET and notes it.
mount_in() {
  local target=$1
  shift
  mount "$@" "$target"
  mounted+=("$target")
}

# mounts_under DIR: each mount point at or under DIR, one a line (findmnt
# writes a blank as \x20, and so on: decoded here).
mounts_under() {
  local target
  findmnt -rn -o TARGET | while IFS= read -r target; do
    target=$(printf '%b' "$target")
    [[ $target != "$1" && $target != "$1"/* ]] || printf '%s\n' "$target"
  done
}

# unmount_all: takes down what mount_in mounted, the last first.
unmount_all() {
  local i target
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    target=${mounted[i]}
    mountpoint -q -- "$target" || continue
    umount -- "$target" 2>/dev/null || umount -l -- "$target" || true
  done
  mounted=()
}

# remove_unmounted DIR...: deletes each DIR unless something under it is
# still mounted; then it says what is, leaves the files and fails.
remove_unmounted() {
  local dir still status=0
  for dir in "$@"; do
    [[ -e $dir ]] || continue
    still=$(mounts_under "$dir")
    if [[ -n $still ]]; then
      echo "still mounted, so $dir is left as it is: ${still//$'\n'/, }" >&2
      status=1
    else
      rm -rf --one-file-system -- "$dir"
    fi
  done
  return "$status"
}
