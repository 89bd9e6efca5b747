#!/usr/bin/env bash
# Tries the README's quick start as a new user would, on a fresh machine: a
# minimal Debian 12 root (debootstrap --variant=minbase, then git), a clone of
# this repository's committed HEAD, and each command of the README's "Quick
# start" run there exactly as written, as root. Prints each command's exit
# status and time; fails if one fails. Run as root; opt-in, it takes a while.
#   --keep  keep the base root (build/fresh-base) for the next run, which then
#           skips debootstrap, and this run's root (build/fresh-root)
# Every run works in a new copy of the base. Whatever it mounts is unmounted
# at the end, also when a step fails or the run is interrupted.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ours=$root/build/fresh-
base=${ours}base
work=${ours}root
keep=false
case "${1:-}" in
  --keep) keep=true ;;
  "") ;;
  *) echo "usage: fresh-check.sh [--keep]" >&2; exit 2 ;;
esac
((EUID == 0)) || { echo "fresh-check.sh: run as root" >&2; exit 2; }

say() { echo "fresh-check: $*"; }
took() { local s=$((SECONDS - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }
mounts() { findmnt -rn -o TARGET | grep -F "$ours" | sort -r || true; }

# The mirror apt already uses for bookworm.
mirror() {
  {
    sed -E 's/\[[^]]*\] *//' /etc/apt/sources.list 2>/dev/null |
      awk '$1 == "deb" && $3 == "bookworm" { print $2 }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
      awk '/^URIs:/ { uri = $2 } /^Suites:/ && / bookworm( |$)/ { print uri }'
  } | head -n 1
}

# Runs a command in a process group of its own, which cleanup can end whole.
group() {
  local status=0
  setsid "$@" &
  job=$!
  wait "$job" || status=$?
  job=""
  return "$status"
}

# step ROOT COMMAND: a shell command in ROOT, as root with a new login's environment.
step() {
  group chroot "$1" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -c "$2"
}

# Ends what still runs in our roots (Wine's server, Xvfb), then unmounts all.
cleanup() {
  local pid mount
  [[ -z ${job:-} ]] || kill -9 -- "-$job" 2>/dev/null || true
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [[ $(readlink "/proc/$pid/root" 2>/dev/null) != "$ours"* ]] || kill -9 "$pid" 2>/dev/null || true
  done
  sleep 1
  for mount in $(mounts); do umount "$mount" 2>/dev/null || umount -l "$mount" || true; done
  if [[ -n $(mounts) ]]; then
    say "still mounted: $(mounts | tr '\n' ' ')" >&2
    return 1
  fi
  rm -rf --one-file-system "$base.new"
  $keep || rm -rf --one-file-system "$work" "$base"
}

if [[ -n $(mounts) ]]; then
  say "mounted from an earlier run, unmount first: $(mounts | tr '\n' ' ')" >&2
  exit 1
fi
trap cleanup EXIT
trap 'exit 130' INT TERM
figures=()
if [[ ! -d $base ]]; then
  command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
  url=$(mirror)
  url=${url:-http://deb.debian.org/debian}
  say "debootstrap from $url, then git (minutes)..."
  start=$SECONDS
  rm -rf --one-file-system "$base.new"
  group debootstrap --variant=minbase bookworm "$base.new" "$url" >"$root/build/debootstrap.log" 2>&1 ||
    { tail -n 20 "$root/build/debootstrap.log"; exit 1; }
  step "$base.new" 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq git >/dev/null'
  mv "$base.new" "$base"
  figures+=("debootstrap and git: $(took "$start")")
fi

rm -rf --one-file-system "$work"
cp -a "$base" "$work"
cp -L /etc/resolv.conf "$work/etc/resolv.conf"
mount -t proc proc "$work/proc"
mount -t sysfs sysfs "$work/sys"
mount --bind /dev "$work/dev"
mount --bind /dev/pts "$work/dev/pts"
mount -t tmpfs shm "$work/dev/shm"
# X servers see each other's display numbers through the network, which the
# root shares with this machine, and choose a free one by the lock files in
# /tmp: the root shares /tmp too (as schroot does), or its Xvfb finds :99 taken.
mount --bind /tmp "$work/tmp"
git clone -q "$root" "$work/root/vok-decompiler"

mapfile -t commands < <(sed -n '/^## Quick start/,/^## /p' "$work/root/vok-decompiler/README.md" |
  sed -n '/^```sh/,/^```$/p' | grep -v '^```' | sed 's/ *#.*//')
((${#commands[@]} > 0)) || { say "no commands in the README's Quick start" >&2; exit 1; }
status=0
for command in "${commands[@]}"; do
  say "$command"
  start=$SECONDS
  result=0
  step "$work" "cd /root/vok-decompiler && $command" || result=$?
  figures+=("$command: exit $result, $(took "$start")")
  say "${figures[-1]}"
  ((result == 0)) || status=1
done
printf 'fresh-check: %s\n' "${figures[@]}"
exit "$status"
