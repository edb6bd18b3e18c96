#!/usr/bin/env bash
# The main job: serves a generated sample client from a local nginx and runs the real
# downloader on it under wine64. It arrives with the Windows program; until then this says so.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh run
echo "The downloader window is not built yet: the main job arrives with the Windows program."
echo "Until then, 'bash tools/test.sh' builds everything there is and runs every test."
