#!/usr/bin/env bash
# End-to-end tests: the real win64 downloader under wine64, each test on an Xvfb of its own,
# driven with xdotool against nginx or the fault server on loopback.
#   tools/e2e.sh                       every flow (builds the win64 preset first)
#   tools/e2e.sh Flow.test_first_start one flow
# Screenshots: build/e2e-shots/<flow>-<step>.png. TOLVIN_E2E_KEEP=1 keeps each flow's prefix
# and server tree under build/e2e-work/ for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh test
build=${TOLVIN_E2E_BUILD:-build/win64}
if [[ $build == build/win64 ]]; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j"$(nproc)"
fi

# Loopback only: a proxy from the environment must never see the test servers' traffic.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
export TOLVIN_E2E_BUILD=$build

if (($#)); then
  exec python3 -m unittest -v "${@/#/tests.e2e.test_flows.}"
fi
exec python3 -m unittest -v tests.e2e.test_flows
