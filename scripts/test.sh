#!/usr/bin/env bash
# The test command: sets up and builds the sanitizer test build, then runs every test.
#   scripts/test.sh          AddressSanitizer + UndefinedBehaviorSanitizer, every test
#   scripts/test.sh tsan     ThreadSanitizer: the platform, engine, network and thumbnail-grid tests
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-test}
scripts/setup.sh "$mode"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# Tests run with their own, empty home so that they never touch the user's folders.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
filter=()
[ "$mode" = tsan ] && filter=(-L '^(platform|engine|net|ui)_tests$')
HOME=$home XDG_CACHE_HOME= XDG_DATA_HOME= XDG_STATE_HOME= XDG_CONFIG_HOME= \
  ctest --test-dir "build/$mode" -j2 --output-on-failure "${filter[@]}"
