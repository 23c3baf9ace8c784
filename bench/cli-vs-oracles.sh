#!/usr/bin/env bash
# cli-vs-oracles.sh [BUILD] [ROUNDS] [RUNS] [WHICH...]: dyskel-cli as a whole process
# against programs doing the same work, both timed by hyperfine in the same
# rounds (ROUNDS rounds, default 10, of RUNS runs each, default 20), so that
# the load of the machine weighs on both alike.  Prints per comparison the
# median times of all runs and the median of the rounds' ratios (and their
# range).  WHICH names comparisons to run, default all four.  Needs hyperfine, jq and cc1541; BUILD (default build) must hold
# dyskel-cli and the targets make-bench-images and plain-limits.
#   dir     dyskel-cli dir of a full disk (144 entries)  vs  cc1541 listing it
#   scan    dyskel-cli scan of 2000 images               vs  plain-limits scan
#   find    dyskel-cli find, first time (empty index)    vs  plain-limits track18
#   dupes   dyskel-cli dupes, index filled               vs  plain-limits track18
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
rounds=${2:-10}
runs=${3:-20}
shift $(($# < 3 ? $# : 3))
which=" ${*:-dir scan find dupes} "
for tool in hyperfine jq cc1541; do
    command -v $tool >/dev/null || { echo "cli-vs-oracles.sh: $tool is missing" >&2; exit 1; }
done
cli=$build/app/dyskel-cli
limits=$build/bench/plain-limits
[ -x "$cli" ] && [ -x "$limits" ] && [ -x "$build/bench/make-bench-images" ] || {
    echo "cli-vs-oracles.sh: build dyskel-cli, make-bench-images and plain-limits in $build first" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make-bench-images" "$work"
export XDG_CACHE_HOME=$work/cache
images=$work/images
cd "$work"

# compare NAME TARGET ORACLE-PREPARE ORACLE CLI-PREPARE CLI: each command one
# string, split as a shell would (hyperfine -N runs them without a shell).
compare() {
    local name=$1 target=$2 oracle_prepare=$3 oracle=$4 cli_prepare=$5 cli_command=$6
    local ratios=() json
    [[ $which == *" $name "* ]] || return 0
    : >"$work/times"
    for ((r = 0; r < rounds; r++)); do
        json=$work/round.json
        hyperfine -N --style none -w 3 -r "$runs" --export-json "$json" \
            --prepare "$oracle_prepare" "$oracle" --prepare "$cli_prepare" "$cli_command" >/dev/null 2>"$work/hyperfine.err" ||
            { cat "$work/hyperfine.err" >&2; exit 1; }
        jq -r '.results[0].times | map("oracle \(.)") | .[]' "$json" >>"$work/times"
        jq -r '.results[1].times | map("cli \(.)") | .[]' "$json" >>"$work/times"
        ratios+=("$(jq -r '.results[1].median / .results[0].median' "$json")")
    done
    local median_oracle median_cli
    median_oracle=$(awk '$1 == "oracle" {print $2}' "$work/times" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)] * 1000}')
    median_cli=$(awk '$1 == "cli" {print $2}' "$work/times" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)] * 1000}')
    printf '%s\n' "${ratios[@]}" | sort -g | awk -v name="$name" -v target="$target" \
        -v o="$median_oracle" -v c="$median_cli" '
        {a[NR] = $1}
        END {
            printf "%-6s dyskel-cli %7.2f ms  oracle %7.2f ms  ratio %.2f (rounds %.2f-%.2f)  target %s\n",
                   name, c, o, a[int((NR + 1) / 2)], a[1], a[NR], target
        }'
}

compare dir 1.1 true "cc1541 -m $work/FULL.D64" true "$cli dir $work/FULL.D64"
compare scan 1.3 true "$limits scan $images" true "$cli scan $images"
compare find 1.5 true "$limits track18 $images" "rm -rf $XDG_CACHE_HOME" "$cli find --name 'PROGRAM 7-*' $images"
[[ $which != *" dupes "* ]] || "$cli" dupes "$images" >/dev/null # fills the index with the files' hashes
compare dupes 1.5 true "$limits track18 $images" true "$cli dupes $images"
