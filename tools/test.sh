#!/usr/bin/env bash
# The test command: installs what it needs, builds every configuration and runs every test.
#   native unit and integration tests (ASan + UBSan) through CTest,
#   the shipped 32-bit and the 64-bit Windows builds (warnings are errors), the window
#   layer's tests of the 64-bit build under wine64 on a display of their own, the
#   end-to-end flows of the real program under wine64 + Xvfb driven with xdotool,
#   a short fuzzing pass over the JSON reader.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh test

jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

step "native build"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"

for preset in win32 win64; do
  step "$preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

step "native tests"
# Loopback only: a proxy from the environment must never see the test servers' traffic.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
# The integration tests run the win64 tolvin-fetch.exe under wine64 too: it is built above,
# and here a missing one fails instead of skipping.
export TOLVIN_REQUIRE_WINE=1
ctest --preset native -j"$jobs"

step "window layer tests under wine64"
ctest --test-dir build/win64 --output-on-failure

step "end-to-end flows of the real program under wine64"
tools/e2e.sh

step "fuzzing pass"
tools/fuzz.sh
