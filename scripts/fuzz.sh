#!/bin/sh
# Builds the fuzz targets with clang and libFuzzer (with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from its
# seed corpus and its regression inputs. Fails when any target finds anything;
# the inputs that did it are kept in $FUZZ_BUILD/findings/<target>/ and belong in
# tests/fuzz/regressions/<target>/ once the fault is fixed.
#   scripts/fuzz.sh [target...]     every target of tests/fuzz/corpus/ by default
# Environment: FUZZ_SECONDS per target (60), FUZZ_JOBS targets at once (2),
# FUZZ_BUILD build folder (build-fuzz).
set -eu
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-2}
build=${FUZZ_BUILD:-build-fuzz}

# Only the libraries and the fuzz targets: no tests, benchmarks or desktop program.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSARIM_FUZZ=ON -DTESSARIM_TESTS=OFF -DTESSARIM_BENCH=OFF -DTESSARIM_DESKTOP=OFF \
    -Wno-dev >/dev/null
cmake --build "$build" --target fuzz_targets -j "$jobs"

targets="$*"
[ -n "$targets" ] || targets=$(ls tests/fuzz/corpus)

fuzz() {
    target=$1
    corpus="$build/fuzz-corpus/$target" # grows with what this run finds
    findings="$build/findings/$target/"
    mkdir -p "$corpus" "$findings"
    regressions=""
    [ -d "tests/fuzz/regressions/$target" ] && regressions="tests/fuzz/regressions/$target"
    status=0
    # shellcheck disable=SC2086
    "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings" \
        "$corpus" "tests/fuzz/corpus/$target" $regressions >"$build/fuzz-$target.log" 2>&1 ||
        status=$?
    echo "$status" >"$build/fuzz-$target.status"
}

running=0
for target in $targets; do
    fuzz "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait
        running=0
    fi
done
wait

failed=0
passed=0
printf '%-16s %12s %10s %8s  %s\n' target executions per-second corpus result
for target in $targets; do
    log="$build/fuzz-$target.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    size=$(find "$build/fuzz-corpus/$target" -type f | wc -l)
    if [ "$(cat "$build/fuzz-$target.status")" = 0 ]; then
        result=clean
        passed=$((passed + 1))
    else
        result="FOUND: $(ls "$build/findings/$target" | tr '\n' ' ')"
        failed=$((failed + 1))
    fi
    printf '%-16s %12s %10s %8s  %s\n' "$target" "${runs:-?}" "${rate:-?}" "$size" "$result"
done
echo "fuzz: $passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    for target in $targets; do
        [ "$(cat "$build/fuzz-$target.status")" = 0 ] && continue
        echo "--- $target ($build/fuzz-$target.log)"
        grep -E 'check failed|ERROR|SUMMARY|runtime error' "$build/fuzz-$target.log" | head -20
    done
    exit 1
fi
