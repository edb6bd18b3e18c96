#!/usr/bin/env bash
# The benchmark, one command: tolvin-fetch beside curl and aria2c on loopback, with the
# network and disk floors (see bench/bench.py for what is measured and how).
#   bench/run.sh            1 GiB in 64 files, 2,000 small files, a 20,000-entry manifest
#   bench/run.sh --smoke    the tiny set, every tool once
# Further options go to bench.py (--repeat N, --sets bench,small,huge, --huge-seconds S).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh test

# Loopback only: a proxy from the environment must never see this traffic.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY ftp_proxy FTP_PROXY
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost

build=build/release-bench
if [[ ! -f $build/build.ninja ]]; then
  cmake --preset release -B "$build" >/dev/null
fi
ninja -C "$build" -j2 tolvin-fetch >/dev/null

exec python3 bench/bench.py --fetch "$build/cli/tolvin-fetch" "$@"
