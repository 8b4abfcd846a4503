#!/usr/bin/env bash
# Runs each fuzz target for the given number of seconds (default 30) from the
# seed corpus in fuzz/corpus/<target>. New inputs go to a scratch corpus, so
# the repository's stays as it is; crashes land in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(field_reader private_profile csv_value text_codec record_reader)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

artifacts="$PWD/build/fuzz/artifacts"
mkdir -p "$artifacts"
status=0
for target in "${targets[@]}"; do
    work="$(mktemp -d)"
    cp -r "fuzz/corpus/$target/." "$work/"
    echo "=== fuzz $target for ${seconds}s"
    if ! TMPDIR=/dev/shm "build/fuzz/fuzz/${target}_fuzz" "$work" \
            -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
            -artifact_prefix="$artifacts/${target}-" -print_final_stats=1 \
            >"build/fuzz/${target}.log" 2>&1; then
        echo "!!! $target found a failure:"
        tail -40 "build/fuzz/${target}.log"
        status=1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "build/fuzz/${target}.log" || true
    rm -rf "$work"
done
exit "$status"
