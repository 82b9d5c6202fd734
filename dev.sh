#!/bin/sh
# Sets up, builds, runs and tests Grabulo on Debian 12.
#   ./dev.sh run              install what is missing, build the two programs
#                             (no tests), download the bundled sample gallery
#                             from a local web server with grabulo-cli
#   ./dev.sh window [ARGS]    install what is missing, build, open the window
#   ./dev.sh test             install what is missing, build, run the tests
#   ./dev.sh test --sanitize  the same in a second build under ASan and UBSan
#   ./dev.sh test --tsan      the net and core tests in a build under TSan
#   ./dev.sh fuzz [SECONDS]   install clang and libFuzzer, build the fuzz
#                             targets, run each for SECONDS (30); a finding fails
set -eu
top=$(cd "$(dirname "$0")" && pwd)
# The last six check and make the Debian package (tests/packaging).
packages="build-essential cmake qt6-base-dev libgl-dev libssl-dev libnghttp2-dev libsqlite3-dev libgtest-dev python3 xvfb xauth
  dpkg-dev desktop-file-utils appstream groff-base man-db lintian"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

fuzz_packages="clang libclang-rt-14-dev"

setup() {  # extra packages...
  missing=""
  for p in $packages "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  if [ -n "$missing" ]; then
    echo "Installing:$missing"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
  fi
}

configure() {  # build folder, extra cmake options...
  dir=$1
  shift
  # Warnings fail the build here (and so in continuous integration).
  cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRABULO_WERROR=ON "$@"
}

build() {  # build folder, extra cmake options...
  configure "$@"
  cmake --build "$1" -j"$(nproc)"
}

# Serves assets/sample-gallery on 127.0.0.1 and downloads all of its
# pictures with grabulo-cli into sample-download/, in the user's language,
# with its progress line when this runs on a terminal.
main_job() {
  log=$(mktemp)
  python3 -u -m http.server --bind 127.0.0.1 0 --directory "$top/assets/sample-gallery" >"$log" 2>&1 &
  server=$!
  trap 'kill $server 2>/dev/null; rm -f "$log"' EXIT
  port=""
  for _ in $(seq 50); do
    port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$log" | head -n 1)
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { cat "$log"; echo "The sample web server did not start." >&2; exit 1; }
  out="$top/sample-download"
  rm -rf "$out"
  mkdir -p "$out"
  echo "Sample gallery at http://127.0.0.1:$port/index.html"
  "$top/build/grabulo-cli" --output "$out" "127.0.0.1:$port/index.html"
  echo "The pictures are in $out:"
  ls -l "$out"
}

command=${1:-}
case "$command" in
  run)
    setup
    configure "$top/build"
    cmake --build "$top/build" -j"$(nproc)" --target grabulo grabulo-cli
    main_job
    ;;
  window)
    setup
    configure "$top/build"
    cmake --build "$top/build" -j"$(nproc)" --target grabulo
    shift
    exec "$top/build/grabulo" "$@"
    ;;
  test)
    setup
    if [ "${2:-}" = "--tsan" ]; then
      # The layers with threads of their own (the name look-up, the transfer
      # workers) and the engine that drives them, under ThreadSanitizer.
      dir="$top/build-tsan"
      configure "$dir" -DGRABULO_TSAN=ON
      cmake --build "$dir" -j"$(nproc)" --target net_tests core_tests
      export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$top/tests/support/tsan_suppressions.txt"
      for layer in net core; do
        ctest --test-dir "$dir/tests/$layer" --output-on-failure -j2 --timeout 300
      done
      exit 0
    fi
    if [ "${2:-}" = "--sanitize" ]; then
      dir="$top/build-asan"
      build "$dir" -DGRABULO_SANITIZE=ON
      export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
      export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
      skip="-LE packaging"  # a package of an instrumented build says nothing
    else
      dir="$top/build"
      build "$dir"
      skip=""
    fi
    # shellcheck disable=SC2086  # the options, if any, are words
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300 $skip
    ;;
  fuzz)
    setup $fuzz_packages
    exec "$top/fuzz/run.sh" "${2:-30}"
    ;;
  *)
    sed -n '2,11p' "$0"
    exit 2
    ;;
esac
