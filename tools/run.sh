#!/usr/bin/env bash
# The main job: the real downloader window downloads a generated sample client.
#   tools/run.sh            serves the sample client (a few hundred MB in a few dozen files)
#                           from nginx on 127.0.0.1 and runs tolvin-downloader.exe (win64)
#                           under wine64 on $DISPLAY, or on an Xvfb of its own when there is
#                           none; presses Start, prints the progress on disk, checks every
#                           file by SHA-256, presses Launch; screenshots in build/main-job/shots/
#   tools/run.sh --xvfb     on an Xvfb even when $DISPLAY is set
#   tools/run.sh --rate 0   no limit per connection (default 2m, so that there is time to watch)
#   tools/run.sh --fetch    the command-line front end tolvin-fetch (native) on the same client
# Installs the Debian packages it needs and builds what it runs first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh run
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost

args=()
fetch=0
for a in "$@"; do
  if [[ $a == --fetch ]]; then fetch=1; else args+=("$a"); fi
done

jobs=$(nproc)
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j"$jobs"
export TOLVIN_E2E_BUILD=$PWD/build/win64
if ((fetch)); then
  cmake --preset release >/dev/null
  cmake --build --preset release -j"$jobs" --target tolvin-fetch
  exec python3 tools/main-job.py --fetch build/release/cli/tolvin-fetch "${args[@]}"
fi
exec python3 tools/main-job.py "${args[@]}"
