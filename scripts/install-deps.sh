#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test, but only
# when something is missing, so repeated runs cost one dpkg query.
set -euo pipefail

# The names that differ between the supported releases, in this one place.
case "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" in
  bookworm) clang_major=14 ;;  # Debian 12
  trixie) clang_major=19 ;;    # Debian 13
  *) # another release: the runtime that matches its default clang
    clang_major="$(apt-cache depends clang 2> /dev/null | sed -n 's/^ *Depends: clang-\([0-9]*\)$/\1/p' | head -1)"
    clang_major="${clang_major:-14}" ;;
esac

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin libqt6svg6 qt6-wayland
  libcurl4-openssl-dev libssl-dev zlib1g-dev libsimpleini-dev libcpp-httplib-dev
  libsodium-dev libarchive-dev nlohmann-json3-dev minisign
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang "libclang-rt-$clang_major-dev" clang-format
  xvfb xauth x11-utils xdotool trayer imagemagick fonts-noto-cjk weston openbox
  python3
  locales dbus dbus-daemon dbus-bin util-linux iproute2 xdg-utils ffmpeg
  at-spi2-core python3-pyatspi
  lintian appstream desktop-file-utils
)
# npm installs the pinned web player libraries of the end-to-end tests. A Node.js of another
# origin often brings its own npm, so Debian's pair is only asked for when there is no npm.
if ! command -v npm > /dev/null; then packages+=(nodejs npm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The number tests need a locale whose decimal separator is a comma.
ensure_comma_locale() {
  if locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then return 0; fi
  $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen
}

if [ ${#missing[@]} -eq 0 ]; then
  ensure_comma_locale
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another apt-get on the machine is waited for, not failed on.
apt=(apt-get -o DPkg::Lock::Timeout=600)
$SUDO "${apt[@]}" update -q
$SUDO "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
ensure_comma_locale
