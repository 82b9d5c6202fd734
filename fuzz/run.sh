#!/usr/bin/env bash
# Builds the fuzz targets (clang, RelWithDebInfo, in build-fuzz) and runs
# each for the given number of seconds (default 30) on a copy of its seed
# corpus in a temporary folder; fuzz/corpus is never written. Prints per
# target the runs, the coverage of the last status line (cov, ft) and what
# was found. Exits 1 when any target found a crash, leak, time-out or
# sanitizer report, 2 when the build failed. What a target found is kept
# in build-fuzz/findings/<target>/ to reproduce with
#   build-fuzz/<target> build-fuzz/findings/<target>/<file>
# FUZZ_BUILD_DIR chooses another build folder.
set -u

seconds=${1:-30}
case $seconds in '' | *[!0-9]*) echo "usage: $0 [seconds]" >&2; exit 2 ;; esac

fuzz=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$fuzz/../build-fuzz}
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

CC=clang CXX=clang++ cmake -S "$fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    > /dev/null || exit 2
cmake --build "$build" -j2 || exit 2
build=$(cd "$build" && pwd)

# The targets as fuzz/CMakeLists.txt registers them.
targets=$(sed -n 's/^grabulo_fuzz_target(\([a-z0-9_]*\) .*/\1/p' "$fuzz/CMakeLists.txt")

work=$(mktemp -d "${TMPDIR:-/tmp}/grabulo-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Sanitizer findings end the run; UBSan's too (the targets are built with
# -fno-sanitize-recover=all as well).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

dictionary_of() {
    case $1 in
        fuzz_response_header | fuzz_url_splitter | socket_reader_fuzzer | redirect_request_fuzzer | range_header_fuzzer)
            echo "$fuzz/http.dict" ;;
        scan_fuzzer | modern_scan_fuzzer | list_file_fuzzer | list_roundtrip_fuzzer | file_naming_fuzzer | next_page_fuzzer)
            echo "$fuzz/links.dict" ;;
        h2_frames_fuzzer)
            echo "$fuzz/h2.dict" ;;
    esac
}

failed=0
clean=0
dirty=0
printf '%-26s %10s %8s %8s  %s\n' target runs cov ft found
for target in $targets; do
    dir=$work/$target
    mkdir -p "$dir/corpus" "$dir/artifacts"
    if [ -d "$fuzz/corpus/$target" ]; then
        cp "$fuzz/corpus/$target"/* "$dir/corpus/"
    fi
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$dir/artifacts/")
    dictionary=$(dictionary_of "$target")
    [ -n "$dictionary" ] && options+=(-dict="$dictionary")
    (cd "$dir" && "$build/$target" "${options[@]}" "$dir/corpus" > "$dir/log" 2>&1)
    status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
    last=$(grep -E '^#[0-9]+.* cov: ' "$dir/log" | tail -n 1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$last")
    found=nothing
    if [ $status -ne 0 ] || [ -n "$(ls -A "$dir/artifacts")" ] \
        || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$dir/log"; then
        found=$(grep -oE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer): [a-z-]+|runtime error: .{0,60}' \
                    "$dir/log" | head -n 1)
        [ -n "$found" ] || found="exit status $status"
        kept=$build/findings/$target
        mkdir -p "$kept"
        cp "$dir/artifacts"/* "$kept/" 2> /dev/null
        cp "$dir/log" "$kept/log"
        found="$found (see $kept)"
        failed=1
        dirty=$((dirty + 1))
    else
        clean=$((clean + 1))
    fi
    printf '%-26s %10s %8s %8s  %s\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$found"
done
echo "fuzz: $clean passed, $dirty failed"
exit $failed
