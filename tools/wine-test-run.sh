#!/usr/bin/env bash
# CTest's emulator for the win64 build: runs a test program under wine64 in a prefix of its
# own (made from the template) on a display of its own (Xvfb) unless one is given.
#   tools/wine-test-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

exe=$1
shift
prefix=$(mktemp -d /tmp/tolvin-wtest.XXXXXX)
xvfb_pid=
cleanup() {
  wine_stop
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
wine_prefix_new "$prefix/prefix"

if [[ -z ${TOLVIN_TEST_DISPLAY:-} ]]; then
  # A display of our own: the first free number from 90 on.
  for n in $(seq 90 190); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=:$n; break; fi
    xvfb_pid=
  done
else
  export DISPLAY=$TOLVIN_TEST_DISPLAY
fi

status=0
wine_run "$exe" "$@" || status=$?
exit "$status"
