#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a short while (a regression smoke,
# not a campaign): scripts/fuzz.sh [seconds per target, default 20] [target...]
# Each run starts from the seed corpus in fuzz/corpus/<target>/ and grows a scratch copy, so
# the repository's corpus stays small; a crash leaves its input in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")_fuzzer"); done
fi

findings=build/fuzz/findings
mkdir -p "$findings"
for target in "${targets[@]}"; do
    name=${target%_fuzzer}
    scratch=build/fuzz/corpus/$name
    rm -rf "$scratch" && mkdir -p "$scratch"
    cp -r "fuzz/corpus/$name/." "$scratch/"
    echo "== $target: ${seconds}s =="
    # grep hides libFuzzer's chatter; the fuzzer's own exit status is what counts.
    set +e
    "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$name-" "$scratch" 2>&1 |
        grep -E '^(INFO: Seed|#[0-9]+ *DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)'
    status=${PIPESTATUS[0]}
    set -e
    [ "$status" -eq 0 ] || { echo "$target failed ($status): see $findings" >&2; exit 1; }
done
