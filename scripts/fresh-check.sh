#!/usr/bin/env bash
# Tries the README's quick start as a new user would, on a fresh machine: a
# minimal Debian 12 root (debootstrap --variant=minbase, then git), a clone of
# this repository's committed HEAD, and each command of the README's "Quick
# start" run there exactly as written, as root. Prints each command's exit
# status and time; fails if one fails. Run as root; opt-in, it takes a while.
#   --keep  keep the base root (build/fresh-base) for the next run, which then
#           skips debootstrap, and this run's root (build/fresh-root)
# Every run works in a new copy of the base. Whatever it mounts is unmounted
# at the end, the last first, also when a step fails or the run is
# interrupted; a root is deleted only when nothing under it is mounted any
# more (else the run says what is, and leaves the files). The root's /dev and
# /tmp are slaves of the machine's: nothing mounted inside them reaches the
# machine's (on a machine whose mounts are shared, as systemd makes them).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/mounts-lib.sh"
base=$root/build/fresh-base
work=$root/build/fresh-root
keep=false
case "${1:-}" in
  --keep) keep=true ;;
  "") ;;
  *) echo "usage: fresh-check.sh [--keep]" >&2; exit 2 ;;
esac
((EUID == 0)) || { echo "fresh-check.sh: run as root" >&2; exit 2; }

say() { echo "fresh-check: $*"; }
took() { local s=$((SECONDS - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

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

# Ends what still runs in our roots (Wine's server, Xvfb), then unmounts all;
# a root left for a mount that stays fails the run.
cleanup() {
  local pid status=0
  [[ -z ${job:-} ]] || kill -9 -- "-$job" 2>/dev/null || true
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    case $(readlink "/proc/$pid/root" 2>/dev/null) in
      "$work" | "$work"/* | "$base.new" | "$base.new"/*) kill -9 "$pid" 2>/dev/null || true ;;
    esac
  done
  sleep 1
  unmount_all
  [[ -z ${links:-} ]] || rm -rf "$links"
  remove_unmounted "$base.new" || status=1
  $keep || remove_unmounted "$work" "$base" || status=1
  ((status == 0)) || exit 1
}

still=$(mounts_under "$work"; mounts_under "$base.new")
if [[ -n $still ]]; then
  say "mounted from an earlier run, unmount first: ${still//$'\n'/, }" >&2
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
  mkdir -p "$root/build"
  start=$SECONDS
  remove_unmounted "$base.new"
  # debootstrap fails in a folder whose path holds a blank: it works through
  # a link without one, made in a new folder of our own (a free name in /tmp
  # could be taken by a folder meanwhile, and ln would link inside it).
  mkdir "$base.new"
  links=$(mktemp -d /tmp/fresh-base.XXXXXX)
  ln -s "$base.new" "$links/root"
  group debootstrap --variant=minbase bookworm "$links/root" "$url" >"$root/build/debootstrap.log" 2>&1 ||
    { tail -n 20 "$root/build/debootstrap.log" "$base.new/debootstrap/debootstrap.log"; exit 1; }
  rm -r "$links"
  step "$base.new" 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq git >/dev/null'
  mv "$base.new" "$base"
  figures+=("debootstrap and git: $(took "$start")")
fi

remove_unmounted "$work"
cp -a "$base" "$work"
cp -L /etc/resolv.conf "$work/etc/resolv.conf"
mount_in "$work/proc" -t proc proc
mount_in "$work/sys" -t sysfs sysfs
mount_in "$work/dev" --bind /dev
mount --make-rslave "$work/dev"
mount_in "$work/dev/pts" --bind /dev/pts
mount_in "$work/dev/shm" -t tmpfs shm
# X servers see each other's display numbers through the network, which the
# root shares with this machine, and choose a free one by the lock files in
# /tmp: the root shares /tmp too (as schroot does), or its Xvfb finds :99 taken.
mount_in "$work/tmp" --bind /tmp
mount --make-rslave "$work/tmp"
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
