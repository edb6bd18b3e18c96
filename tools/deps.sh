#!/usr/bin/env bash
# Installs the Debian packages that a job needs, when they are missing.
#   tools/deps.sh test   - everything the test command uses
#   tools/deps.sh run    - everything the main job uses
# Idempotent and quiet when all is present. Needs root (apt-get), as on a fresh Debian 12.
set -euo pipefail

common=(cmake ninja-build g++ pkg-config python3 ca-certificates)
windows=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
wine=(wine64 xvfb xdotool x11-utils fonts-wine fonts-liberation2 imagemagick)
servers=(nginx-light curl aria2 time)
native=(googletest libgtest-dev libcurl4-openssl-dev clang libclang-rt-14-dev)

case "${1:-test}" in
  test) wanted=("${common[@]}" "${native[@]}" "${windows[@]}" "${wine[@]}" "${servers[@]}") ;;
  run)  wanted=("${common[@]}" "${native[@]}" "${windows[@]}" "${wine[@]}" "${servers[@]}") ;;
  *) echo "usage: $0 [test|run]" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [[ $status == installed ]] || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
