#!/usr/bin/env bash
# Builds the Debian package, checks it as the distribution does (lintian, AppStream, the
# desktop entry), installs it on this machine with apt-get, starts the installed
# program under a private Xvfb (as root and as an ordinary user), checks that the main
# window appears and that the program saved its settings in the user's own app folder,
# saves screenshots, and removes the package again. Too heavy for ctest; run it by hand:
#
#   scripts/check-deb.sh [--build-dir DIR] [--user NAME] [--keep]
#
#   --build-dir DIR  build and package there (default build/default, the default preset)
#   --user NAME      the ordinary user for the second run (default nobody)
#   --keep           leave the package installed afterwards
#
# Needs root (or sudo) for apt-get. Screenshots land in DIR/deb-check/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build/default"
user=nobody
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(realpath -m "${2:?--build-dir needs a value}")"; shift 2 ;;
    --user) user="${2:?--user needs a value}"; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "check-deb.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
step() { echo "== $*"; }
# Another apt-get on the machine (an upgrade, a second check) is waited for, not failed on.
apt=(apt-get -o DPkg::Lock::Timeout=600)
fail() { echo "check-deb.sh: FAILED: $*" >&2; exit 1; }

cd "$repo"
./scripts/install-deps.sh

step "Building in $build"
# The package is the desktop program, so the Qt view is on whatever the folder had.
if [ "$build" = "$repo/build/default" ]; then
  cmake --preset default -DLUMORA_BUILD_QT=ON > /dev/null
else
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_WERROR=ON \
    -DLUMORA_BUILD_QT=ON > /dev/null
fi
cmake --build "$build" --target lumora lumora_data lumora-demo-service

step "Packaging"
rm -f "$build"/lumora_*.deb
(cd "$build" && cpack -G DEB)
deb="$(ls "$build"/lumora_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# libcurl4 is libcurl4t64 from Debian 13 on: the package names what its own release calls it.
for need in libqt6webenginewidgets6 libqt6webenginecore6-bin fonts-noto-cjk 'libcurl4(t64)?' \
            xdg-utils; do
  grep -Eq "(^|, )$need( |,|$)" <<< "$depends" || fail "the package does not depend on $need"
done
# Every name is a real package of this distribution, not one that only an older release had.
for name in $(sed -E 's/\([^)]*\)//g; s/[,|]/ /g' <<< "$depends"); do
  apt-cache show --no-all-versions "$name" > /dev/null 2>&1 ||
    fail "the package depends on $name, which this distribution does not have"
done

step "The distribution's checks"
# Lintian speaks of errors and warnings; its information and pedantic notes are advice.
lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings"
lintian_root="$build/deb-contents"
rm -rf "$lintian_root"
dpkg-deb -x "$deb" "$lintian_root"
# The screenshots' addresses are the deployment's website, which need not be reachable here;
# their pictures are the repository's packaging/screenshots/.
metainfo="$lintian_root/usr/share/metainfo/invalid.lumora.lumora.metainfo.xml"
appstreamcli validate --pedantic --no-net "$metainfo" || fail "the AppStream description is invalid"
for shot in $(sed -n 's|.*<image>.*/screenshots/\([^<]*\)</image>.*|\1|p' "$metainfo"); do
  [ -s "packaging/screenshots/$shot" ] || fail "no picture packaging/screenshots/$shot"
done
desktop-file-validate "$lintian_root/usr/share/applications/lumora.desktop" ||
  fail "the .desktop entry is invalid"
rm -rf "$lintian_root"

out="$build/deb-check"
rm -rf "$out"
mkdir -p "$out"
state="$(mktemp -d)"
chmod 755 "$state"
installed=0
cleanup() {
  [ ! -f "$state/demo.pid" ] || kill "$(cat "$state/demo.pid")" 2> /dev/null || true
  if [ "$installed" -eq 1 ] && [ "$keep" -eq 0 ]; then
    step "Removing the package"
    $SUDO "${apt[@]}" remove -y -q lumora > /dev/null || true
  fi
  rm -rf "$state"
}
trap cleanup EXIT

step "Installing $deb"
# Recommends stay out: the check is about what the package itself needs.
$SUDO env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -q --reinstall \
  --no-install-recommends "$deb"
installed=1
for f in /usr/bin/lumora /usr/lib/lumora/lumora /usr/lib/lumora/Config.ini \
         /usr/lib/lumora/Skins/Default/Top.jpg /usr/share/applications/lumora.desktop \
         /usr/share/icons/hicolor/48x48/apps/lumora.png /usr/share/icons/hicolor/256x256/apps/lumora.png; do
  [ -e "$f" ] || fail "$f is not installed"
done

base="$(LUMORA_DEMO_SERVICE="$build/tools/demo_service/lumora-demo-service" \
  ./scripts/demo-service.sh --port 0 --log "$out/demo-service.log" --pid-file "$state/demo.pid")"

# One start of the installed program, as root or as the ordinary user $2, with a fresh home:
# the main window appears at its size, a screenshot is saved, and after an ordered end the
# user's own Config.ini holds what the program wrote.
run_installed() {
  local label="$1" as="$2" home="$state/home-$1"
  mkdir -p "$home"
  local -a become=()
  if [ "$as" != root ]; then
    chown "$as:" "$home"
    become=(setpriv --reuid="$(id -u "$as")" --regid="$(id -g "$as")" --clear-groups)
  fi
  echo "-- starting the installed lumora as $as (HOME=$home)"
  env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" \
    LUMORA_SERVICE_BASE="$base" "${become[@]}" lumora > "$out/$label.log" 2>&1 &
  local pid=$! window
  # The wrapper execs the program, so the window belongs to this very process id.
  window="$(timeout 120 xdotool search --sync --onlyvisible --pid "$pid" | head -1)" ||
    { cat "$out/$label.log" >&2; fail "no main window as $as"; }
  local geometry
  geometry="$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=' | tr '\n' ' ')"
  [ "$geometry" = "WIDTH=984 HEIGHT=624 " ] || fail "main window is $geometry, not 984x624"
  # The demo home page's gradients give tens of thousands of colours; the frame with the
  # loading page gives about two thousand, a blank window a handful.
  local shot="$out/$label.png" colours=0
  for _ in $(seq 90); do
    import -window root "$shot" 2> /dev/null || true
    colours="$(identify -format %k "$shot" 2> /dev/null || echo 0)"
    [ "$colours" -lt 10000 ] || break
    sleep 1
  done
  echo "-- screenshot $shot ($colours colours)"
  [ "$colours" -ge 10000 ] || fail "the browser never painted the home page as $as"
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 143 ] || { cat "$out/$label.log" >&2; fail "exit status $status after SIGTERM"; }
  local app="$home/.local/share/lumora/app"
  [ -f "$app/Config.ini" ] && [ ! -L "$app/Config.ini" ] || fail "no Config.ini of the user's own"
  [ -f "$app/lumora" ] && [ ! -L "$app/lumora" ] || fail "no program file copy in $app"
  [ -L "$app/Skins" ] || fail "$app/Skins is not a link to the installed data"
  [ -e "$app/package-installed" ] || fail "no package marker in $app: Update would replace it"
  [ -x "$app/Update" ] || fail "no updater in $app"
  # The updater of a packaged copy changes nothing and sends the user to the package manager.
  env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" \
    LUMORA_SERVICE_BASE="$base" "${become[@]}" "$app/Update" > "$out/$label-update.log" 2>&1 &
  local update_pid=$!
  for _ in $(seq 60); do
    ! grep -q '^update-result ' "$out/$label-update.log" || break
    sleep 0.5
  done
  kill "$update_pid" 2> /dev/null || true
  wait "$update_pid" 2> /dev/null || true
  grep -q '^update-result package-manager' "$out/$label-update.log" ||
    { cat "$out/$label-update.log" >&2; fail "Update did not leave the packaged copy alone"; }
  [ "$(stat -c %U "$app/Config.ini")" = "$as" ] || fail "Config.ini is not owned by $as"
  ! cmp -s "$app/Config.ini" /usr/lib/lumora/Config.ini ||
    fail "the program wrote nothing into the user's Config.ini"
  echo "-- $as: window 984x624, settings saved in $app/Config.ini"
}
export -f run_installed fail
export state out base

step "Starting the installed program under a private display"
runs="run_installed root root"
if [ "$(id -u)" -eq 0 ] && id "$user" > /dev/null 2>&1; then
  runs="$runs; run_installed user $user"
fi
LUMORA_FORCE_XVFB=1 ./scripts/with-display.sh bash -c "set -euo pipefail; $runs"

# Running the program changed nothing that the package installed.
dpkg --verify lumora || fail "installed files changed"
cmp -s /usr/lib/lumora/Config.ini data/Config.ini || fail "the installed Config.ini changed"

if [ "$keep" -eq 0 ]; then
  step "Removing the package"
  $SUDO "${apt[@]}" remove -y -q lumora > /dev/null
  installed=0
  [ ! -e /usr/bin/lumora ] && [ ! -e /usr/lib/lumora ] || fail "files left after removal"
fi
step "OK: $deb installs, starts and saves its settings; screenshots in $out"
