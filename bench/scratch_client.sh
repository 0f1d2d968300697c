# Shared by the scripts that run the real client on their own (source it; bash only).
#
#   need_built NAME BUILD REPO TARGET...   builds TARGETs in build/default when a file the
#                                           script needs is missing there; another build
#                                           directory must already hold them
#   start_scratch_client BUILD REPO        a copy of BUILD/app with a fresh home, the demo
#                                           service on a free port; sets `work` and exports
#                                           the client's environment; cleans up on exit

# Usage: need_built NAME BUILD REPO TARGET... -- FILE...
need_built() {
  local name="$1" build="$2" repo="$3"
  shift 3
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=("$1"); shift; done
  shift
  local file missing=0
  for file in "$@"; do [ -x "$file" ] || missing=1; done
  [ "$missing" -eq 1 ] || return 0
  if [ "$build" != "$repo/build/default" ]; then
    echo "$name: what it runs is not built in $build" >&2
    exit 1
  fi
  if grep -qs '^LUMORA_BUILD_QT:BOOL=OFF' "$build/CMakeCache.txt"; then
    echo "$name: $build is configured without the desktop program" \
      "(LUMORA_BUILD_QT=OFF); reconfigure it or pass --build-dir" >&2
    exit 1
  fi
  "$repo/scripts/build.sh" default "${targets[@]}"
}

# The copy keeps runs comparable and the build's Config.ini and the user's browser profile
# untouched.
start_scratch_client() {
  local build="$1" repo="$2"
  work="$(mktemp -d)"
  # shellcheck disable=SC2064
  trap "[ ! -f '$work/demo.pid' ] || kill \"\$(cat '$work/demo.pid')\" 2> /dev/null || true
        rm -rf '$work'" EXIT
  cp -a "$build/app" "$work/app"
  mkdir -p "$work/home"
  local base
  base="$(LUMORA_DEMO_SERVICE="$build/tools/demo_service/lumora-demo-service" \
    "$repo/scripts/demo-service.sh" --port 0 --log "$work/demo.log" --pid-file "$work/demo.pid" \
    2> /dev/null)"
  if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1  # the engine refuses root with its sandbox on
  fi
  export LUMORA_SERVICE_BASE="$base" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache"
  export work
}
