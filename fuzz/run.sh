#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz, replays the committed corpus
# and the kept regressions once, then fuzzes each target for a bounded time
# with a fixed seed. The corpus is copied to fuzz/out/ first, so the committed
# one is never modified. Fails on any crash, leak, timeout or sanitizer report.
#   FUZZ_TIME=60 fuzz/run.sh         seconds per target (default 110; the
#                                    stream and capi targets, cross-checks of
#                                    the read target's reads, get a third;
#                                    the differential one, parser against
#                                    parser, the whole time)
#   fuzz/run.sh read                 only the targets named
set -euo pipefail
cd "$(dirname "$0")/.."

CXX=${FUZZ_CXX:-clang++-14}
BUILD=${FUZZ_BUILD:-build-fuzz}
TIME=${FUZZ_TIME:-110}
OUT=fuzz/out
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(read lexical stream capi json differential)

mkdir -p "$OUT"
if ! { cmake -S fuzz -B "$BUILD" -DCMAKE_CXX_COMPILER="$CXX" && cmake --build "$BUILD" -j2; } >"$OUT/build.log" 2>&1; then
  cat "$OUT/build.log" >&2
  echo "!! the fuzz targets do not build" >&2
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for target in "${TARGETS[@]}"; do
  # The stream, capi and differential targets read the same documents as the read target.
  source=$target
  case $target in stream|capi|differential) source=read ;; esac
  seconds=$TIME
  case $target in stream|capi) seconds=$(( TIME / 3 )) ;; esac
  dictionary=fuzz/storage.dict
  [ "$target" = json ] && dictionary=fuzz/json.dict
  echo "== $target: replaying the corpus and the regressions"
  inputs=("fuzz/corpus/$source")
  compgen -G "fuzz/regressions/$source/*" >/dev/null && inputs+=("fuzz/regressions/$source")
  "$BUILD/${target}_replay" "${inputs[@]}"

  corpus="$OUT/corpus/$target"
  artifacts="$OUT/artifacts/$target/"
  rm -rf "$corpus" "$artifacts"
  mkdir -p "$corpus" "$artifacts"
  cp fuzz/corpus/"$source"/* "$corpus"/
  if compgen -G "fuzz/regressions/$source/*" >/dev/null; then cp fuzz/regressions/"$source"/* "$corpus"/; fi
  if [ "$source" = read ] && compgen -G "examples/*.xml" >/dev/null; then
    cp examples/*.xml "$corpus"/
  fi

  echo "== $target: fuzzing for ${seconds}s"
  log="$OUT/$target.log"
  set +e
  "$BUILD/${target}_fuzzer" "$corpus" -dict="$dictionary" -seed=1 -max_total_time="$seconds" \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts" >"$log" 2>&1
  rc=$?
  set -e
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done )' "$log" || true
  if [ $rc -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    echo "!! $target failed (exit $rc); log: $log, inputs: $artifacts" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
