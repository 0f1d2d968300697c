#!/usr/bin/env bash
# Builds the project from scratch inside a Debian 13 (trixie) root made from Debian's own
# packages and runs its tests there: the build, the unit and behaviour tests, and the
# view and end-to-end tests under an Xvfb of the root's own.
#
#   scripts/test-debian13.sh [--dir DIR] [--all | --labels REGEX | --command CMD] [--deb]
#                            [--shell]
#
#   --dir DIR       the folder that keeps the root between runs, in DIR/root (default
#                   $LUMORA_DEBIAN13_DIR, else build/debian13)
#   --all           every test (the default is the suites listed in the README)
#   --labels REGEX  the ctest labels to run instead
#   --command CMD   instead of the tests, run CMD with bash in the root's copy of the sources
#                   once they are built, under the root's Xvfb (a benchmark on this release)
#   --deb           also build the Debian 13 package there and check it (scripts/check-deb.sh
#                   and lintian)
#   --shell         an interactive shell in the root after the tests, with the mounts up
#
# Needs root. Changes nothing outside the root's folder: the sources are copied into it,
# its mounts live in a mount namespace of their own and are all taken down at the end,
# also after a failure or an interruption.
set -euo pipefail
# One group, read whole before it runs: an edit of this file during a run cannot derail it.
{
args=("$@")
repo="$(cd "$(dirname "$0")/.." && pwd)"
folder="${LUMORA_DEBIAN13_DIR:-$repo/build/debian13}"
mirror=http://deb.debian.org/debian
suite=trixie
# By default the end-to-end suites of the browser features only, so that both releases' runs
# fit CI's hour on two cores; --all runs the others too. The README names them.
default_exclude='^e2e\.(test_tray|test_caption_buttons|test_main_window|test_slow_service|'
default_exclude+='test_languages|test_pop_under|window_shots|offline|window_manager|wayland|'
default_exclude+='test_update)$'
labels=""
exclude="$default_exclude"
deb=0
shell=0
command=""
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) folder="${2:?--dir needs a value}"; shift 2 ;;
    --all) exclude=""; shift ;;
    --labels) labels="${2:?--labels needs a value}"; exclude=""; shift 2 ;;
    --deb) deb=1; shift ;;
    --shell) shell=1; shift ;;
    --command) command="${2:?--command needs a value}"; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test-debian13.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done
folder="$(realpath -m "$folder")"
root="$folder/root"
step() { echo "== [debian13] $*"; }
fail() { echo "test-debian13.sh: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (mmdebstrap, chroot and mounts)"
case "$folder" in /|/usr|/usr/*|/etc|/etc/*|/bin|/lib|/var|/home|/root) fail "refusing folder $folder" ;; esac

mounts_under() { findmnt -rn -o TARGET | awk -v r="$root/" 'index($0, r) == 1' | sort -r; }

# The mounts go into a namespace of their own: when it ends, however it ends, the kernel takes
# them down, and no other process on the machine ever sees them.
if [ -z "${LUMORA_DEBIAN13_NAMESPACE:-}" ]; then
  # A run of an older script, or a hand-made mount, may have left one in this namespace; the
  # root is never removed or reused over a live mount.
  for m in $(mounts_under); do umount -l "$m" || fail "cannot unmount $m"; done
  export LUMORA_DEBIAN13_NAMESPACE=1
  exec unshare --mount --propagation private --fork --kill-child=TERM -- "$0" "${args[@]}" \
    --dir "$folder"
fi

mkdir -p "$folder"
# One run per root at a time.
exec {lock}> "$folder/lock"
flock -n "$lock" || fail "another run is using $root"

# Processes a run started inside the root, such as a test's leftover server; none may outlive
# the run or keep a mount busy.
stop_root_processes() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2> /dev/null)" = "$root" ] || continue
    kill -KILL "${p#/proc/}" 2> /dev/null || true
  done
}
cleanup() {
  local status=$?
  stop_root_processes
  for m in $(mounts_under); do umount -l "$m" 2> /dev/null || true; done
  [ -z "$(mounts_under)" ] || { echo "test-debian13.sh: mounts left under $root" >&2; status=1; }
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

marker="$folder/root-complete"
if [ -e "$root" ] && [ ! -f "$marker" ]; then
  step "$root was left half-made by an interrupted run: making it anew"
  rm -rf --one-file-system "$root"
elif [ -n "$(find "$marker" -mtime +7 2> /dev/null)" ]; then
  # The release's updates since, and the packages of the dependencies as they are now.
  step "$root is more than a week old: making it anew"
  rm -f "$marker"
  rm -rf --one-file-system "$root"
fi
started=$(date +%s)
if [ ! -f "$marker" ]; then
  if ! command -v mmdebstrap > /dev/null; then
    step "Installing mmdebstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends mmdebstrap ||
      { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
          --no-install-recommends mmdebstrap; }
  fi
  step "Making a Debian 13 root in $root"
  rm -rf --one-file-system "$root"
  # Only Debian's mirror: the same packages a user of the release installs.
  rm -f "$marker"
  mmdebstrap --variant=apt --include=ca-certificates,locales "$suite" "$root" "$mirror"
  # Written last: a root without it is half-made.
  date -u +%FT%TZ > "$marker"
fi

mount_root() {
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs tmpfs "$root/dev/shm" -o mode=1777
  mount -t tmpfs tmpfs "$root/tmp" -o mode=1777
  mount -t tmpfs tmpfs "$root/run" -o mode=755
}
mount_root
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The network as the host has it: its proxy settings, and the certificate authorities it
# added to Debian's (a proxy that inspects TLS has one), which npm needs for its registry.
passed=()
for name in http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
  [ -z "${!name:-}" ] || passed+=("$name=${!name}")
done
in_root() {
  chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
    NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt ${passed[@]+"${passed[@]}"} "$@"
}
if [ -n "$(ls -A /usr/local/share/ca-certificates 2> /dev/null)" ]; then
  rm -rf "$root/usr/local/share/ca-certificates"
  cp -r /usr/local/share/ca-certificates "$root/usr/local/share/ca-certificates"
  in_root update-ca-certificates > /dev/null 2>&1
fi

step "Copying the sources (tracked and new files, as in the working tree)"
rm -rf --one-file-system "$root/src"
mkdir -p "$root/src"
(cd "$repo" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -xf - -C "$root/src"

step "Installing the build and test dependencies"
# An install cut short by an earlier interruption is finished first.
in_root dpkg --configure -a
in_root /src/scripts/install-deps.sh
made=$(date +%s)
step "Root ready in $((made - started)) s"

step "Building from scratch"
in_root bash -c 'cd /src && ./scripts/build.sh default && ./scripts/build.sh default e2e_players'
built=$(date +%s)
step "Built in $((built - made)) s"

step "Running the tests"
ctest_args=(--preset default -j2 --output-junit skips.xml)
[ -z "$labels" ] || ctest_args+=(-L "$labels")
[ -z "$exclude" ] || ctest_args+=(-E "$exclude")
status=0
run=(ctest "${ctest_args[@]}")
[ -z "$command" ] || { step "Running: $command"; run=(bash -c "$command"); }
in_root env QTWEBENGINE_DISABLE_SANDBOX=1 LUMORA_FORCE_XVFB=1 bash -c \
  'cd /src && ./scripts/with-display.sh "$@"' run "${run[@]}" || status=1
# A test that skipped itself (a tool this release lacks) fails the run as in Debian 12's.
if [ -z "$command" ]; then
  in_root bash -c 'cd /src && ./scripts/check-skips.py tests/skips-allowed.txt build/default/skips.xml' ||
    status=1
fi
tested=$(date +%s)
step "Tests took $((tested - built)) s"

if [ $deb -eq 1 ]; then
  step "Building and checking the Debian 13 package"
  in_root bash -c 'cd /src && ./scripts/check-deb.sh' || status=1
fi
if [ $shell -eq 1 ]; then
  in_root bash -c 'cd /src && exec bash -i' || true
fi
step "Done in $(( $(date +%s) - started )) s: root $((made - started)) s, build $((built - made)) s, tests $((tested - built)) s"
exit $status
}
