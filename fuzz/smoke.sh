#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/build.sh) and runs each briefly on a
# copy of its seed corpus: every target must start, report coverage above zero
# and find nothing. Extra arguments go to CMake's configure step.
# fuzz/campaign.sh runs them for longer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${LORVANO_FUZZ_RUNS:-2000}
build=$("$root/fuzz/build.sh" "$@" | tail -n 1)

# The leaks inside system libraries that the tests also leave alone.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for seeds in "$root"/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  program="$build/bin/$name"
  # The acoustic judge's target exists only where it is built.
  if [[ $name == acoustic_judge && ! -x "$program" ]] && grep -q '^LORVANO_POCKETSPHINX:BOOL=OFF' "$build/CMakeCache.txt"; then
    echo "fuzz $name: not built (LORVANO_POCKETSPHINX off)"
    continue
  fi
  if [[ ! -x "$program" ]]; then
    echo "fuzz $name: no program built" >&2
    failed=1
    continue
  fi
  # The fuzzer adds what it finds to the first folder, never to the seeds.
  mkdir -p "$work/$name"
  log="$work/$name.log"
  if ! (cd "$work" && "$program" "$work/$name" "$seeds" -runs="$runs" -artifact_prefix="$work/$name-" >"$log" 2>&1); then
    echo "fuzz $name: failed" >&2
    tail -n 40 "$log" >&2
    failed=1
    continue
  fi
  cov=$(sed -n 's/.*DONE *cov: \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  if [[ -z "$cov" || "$cov" -eq 0 ]]; then
    echo "fuzz $name: no coverage" >&2
    tail -n 20 "$log" >&2
    failed=1
    continue
  fi
  echo "fuzz $name: $runs runs, coverage $cov"
done
exit "$failed"
