#!/usr/bin/env bash
# Fuzzes the JSON reader (scanner and node model) with libFuzzer, ASan and UBSan.
#
#   tools/fuzz.sh             a short pass of 20000 runs, as a check after a change
#   tools/fuzz.sh 2000000     the longer pass to make before a change to json/ is merged
#
# Builds the fuzz preset into build/fuzz and runs json_fuzz over build/fuzz/corpus, a working
# copy of the seeds in tests/fuzz/corpus (the committed seeds never grow; the working copy keeps
# what earlier runs found). Exits non-zero on a finding, whose input lands in build/fuzz/findings/.
set -euo pipefail

runs=${1:-20000}
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/fuzz

cd "$top"
cmake --preset fuzz >/dev/null
cmake --build "$build" --target json_fuzz -j2

mkdir -p "$build/corpus" "$build/findings"
cp -n "$top"/tests/fuzz/corpus/* "$build/corpus/" 2>/dev/null || true

# The layout document is about 4.5 KB; 8 KB lets it in whole.
exec "$build/tests/fuzz/json_fuzz" -runs="$runs" -max_len=8192 -timeout=25 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$build/findings/" "$build/corpus"
