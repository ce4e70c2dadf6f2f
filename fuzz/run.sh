#!/bin/sh
# Builds the libFuzzer targets (the fuzz preset) and runs each target of
# fuzz/ over its seed corpus for N seconds (default 60). New inputs go to a
# scratch directory, so the corpus in the repository stays as it is (the
# reader's console messages are silenced while fuzzing); a crash
# leaves its input under build/fuzz/artifacts/ and fails the run. Without
# clang++ there is nothing to build, and the script succeeds.
set -eu

secs=${1:-60}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ not found, fuzz targets skipped"
    exit 0
fi

root=$(cd "$(dirname "$0")/.." && pwd)

cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

artifacts="$root/build/fuzz/artifacts"
mkdir -p "$artifacts"
status=0
for src in fuzz/*_fuzz.cpp; do
    name=$(basename "$src" _fuzz.cpp)
    bin="build/fuzz/fuzz/${name}_fuzz"
    corpus="fuzz/corpus/$name"
    scratch=$(mktemp -d)
    echo "fuzz: $name for ${secs}s over $corpus"
    if ! "$bin" -max_total_time="$secs" -timeout=10 -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix="$artifacts/${name}-" "$scratch" "$corpus"; then
        echo "fuzz: $name FAILED (inputs in $artifacts)"
        status=1
    fi
    rm -rf "$scratch"
done
exit $status
