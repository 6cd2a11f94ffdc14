#!/bin/sh
# Runs every fuzz target in build-fuzz/fuzz for SECONDS seconds each, one after another, on its
# corpus (fuzz/corpus-<target>, kept between runs) and its seeds, then prints a table: each
# target's executions and the coverage it gained (the "cov:" of its last status line less that
# of its INITED line). A target that crashes stops the run; its log says where.
set -u
SECONDS_EACH=${1:-20}
LOGS=build-fuzz/logs
mkdir -p "$LOGS"
TABLE=""
for f in build-fuzz/fuzz/fuzz-*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=fuzz/corpus-$name
    mkdir -p "$corpus"
    echo "== $name ($SECONDS_EACH s)"
    if ! nice -n 10 "$f" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$LOGS/$name-" "$corpus" "fuzz/seeds/$name" \
        >"$LOGS/$name.log" 2>&1; then
        tail -n 40 "$LOGS/$name.log"
        echo "$name failed: see $LOGS/$name.log and the input $LOGS/$name-*" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOGS/$name.log" | tail -n 1)
    start=$(sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' "$LOGS/$name.log" | head -n 1)
    end=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' "$LOGS/$name.log" | tail -n 1)
    TABLE="$TABLE$(printf '%-20s %12s %8s %8s' "$name" "${runs:-?}" "${end:-?}" \
        "+$(( ${end:-0} - ${start:-0} ))")
"
done
printf '\n%-20s %12s %8s %8s\n' target executions cov new
printf '%s' "$TABLE"
