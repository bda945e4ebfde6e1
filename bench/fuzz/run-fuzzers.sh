#!/usr/bin/env bash
# Builds the libFuzzer targets of bench/fuzz with clang (address and undefined-behaviour checks)
# in build-fuzz and runs each for a bounded time on a seed corpus, printing per target the
# seconds it ran, the inputs it executed and the crashes it found. The corpora grow across runs
# (build-fuzz/fuzz/<target>/corpus); crashing inputs are kept in build-fuzz/fuzz/<target>/crashes.
# Usage: bench/fuzz/run-fuzzers.sh [seconds-per-target, default 60] [target ...]
set -euo pipefail
seconds="${1:-60}"
shift || true
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-fuzz"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_hive_text fuzz_datetime_sort fuzz_timestamp_text fuzz_examiner_lines fuzz_examiner_pascal
           fuzz_project_units fuzz_unit_lines)
fi

missing=()
command -v clang++ > /dev/null || missing+=(clang)
dpkg -s libclang-rt-14-dev > /dev/null 2>&1 || missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVIREO_FUZZ=ON "${launcher[@]}" > /dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Seeds: small samples of each kind of input, the examiner's test units and a bounded, fixed
# sample of Free Pascal's sources when the fpc-source package is there.
seeds="$build/fuzz/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"/{hive,dates,stamps,units,projects,lines}
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Korvel\\Vireo]\r\n"Left"=dword:00000010\r\n"Name"="a \\"quoted\\" \\\\ text"\r\n@="default"\r\n"Bytes"=hex:01,02,ff\r\n"Multi"=hex(7):61,00,00,00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n' > "$seeds/hive/export.reg"
printf 'REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n"Long"=hex(2):41,42,43,44,45,46,47,48,49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,\\\n  57,58,59,5a\n"X"=-\n' > "$seeds/hive/old.reg"
printf '31/01/2003 09:15:30\n01/02/2003 09:15\n \n\n29/02/2000 23:59:59\n1/1/1999 1:02:03 PM\n$1F/$0C/2003 10:00:00\n' > "$seeds/dates/column"
printf 'Text\n31/01/2003 09:15:30\nB\nA\n' > "$seeds/dates/mixed"
printf '\x00\x00\x00\x00\x00\x00\xe0\x3f%%d/%%m/%%Y\x00%%I:%%M:%%S %%p\x00AM\x00PM' > "$seeds/stamps/sample"
cp "$root"/tests/examiner/data/*.pas "$seeds/units/"
if [ -d /usr/share/fpcsrc ]; then
  find /usr/share/fpcsrc -type f \( -name '*.pas' -o -name '*.pp' \) -size -12k | sort | awk 'NR % 151 == 1' |
    head -n 80 | while IFS= read -r unit; do cp "$unit" "$seeds/units/$(echo "$unit" | md5sum | cut -c1-12).pas"; done
fi
printf "program Project1;\r\n\r\nuses\r\n  Forms,\r\n  Unit1 in 'Unit1.pas' {Form1},\r\n  Unit2 in '..\\\\Common\\\\Unit2.pas',\r\n  Unit3 in '/abs/Unit3.pas';\r\n\r\n{\$R *.RES}\r\n\r\nbegin\r\n  Application.Run;\r\nend.\r\n" > "$seeds/projects/Project1.dpr"
printf 'a\r\nb\nc\rd\r\n\re' > "$seeds/lines/mixed"
printf 'unit A;\ninterface\nimplementation\nend.\n' > "$seeds/lines/unit"

seeds_of() {
  case "$1" in
    fuzz_hive_text) echo "$seeds/hive" ;;
    fuzz_datetime_sort) echo "$seeds/dates" ;;
    fuzz_timestamp_text) echo "$seeds/stamps" ;;
    fuzz_examiner_lines | fuzz_examiner_pascal) echo "$seeds/units" ;;
    fuzz_project_units) echo "$seeds/projects" ;;
    *) echo "$seeds/lines" ;;
  esac
}

# Keys nested thousands deep make the hive text recurse; shorter inputs keep the fuzzer off that.
max_len_of() {
  case "$1" in
    fuzz_hive_text) echo 4096 ;;
    fuzz_examiner_lines | fuzz_examiner_pascal) echo 6144 ;;
    *) echo 8192 ;;
  esac
}

# The examiner's targets write each input as a unit file: memory is much faster than the disk.
scratch="${TMPDIR:-/tmp}"
[ -w /dev/shm ] && scratch=/dev/shm

options_of() {
  case "$1" in
    fuzz_examiner_lines | fuzz_examiner_pascal) echo "-dict=$root/bench/fuzz/pascal.dict" ;;
  esac
}

summary=()
for target in "${targets[@]}"; do
  dir="$build/fuzz/$target"
  mkdir -p "$dir/corpus" "$dir/crashes"
  log="$dir/last-run.log"
  before=$(find "$dir/crashes" -type f | wc -l)
  start=$(date +%s)
  # Fork mode goes on after a crash, so one run finds as many faults as it can in its time.
  (cd "$dir" && TMPDIR="$scratch" "$build/bench/fuzz/$target" -fork=1 -ignore_crashes=1 \
    -ignore_timeouts=1 -ignore_ooms=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$(max_len_of "$target")" $(options_of "$target") -artifact_prefix="$dir/crashes/" corpus "$(seeds_of "$target")") \
    > "$log" 2>&1 || true
  ran=$(($(date +%s) - start))
  runs=$(grep -Eo '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  runs=${runs:-0}
  crashes=$(($(find "$dir/crashes" -type f | wc -l) - before))
  line=$(printf '%-22s %5ss %12s executions %7s/s %4s crash(es)' "$target" "$ran" "$runs" \
    "$((runs / (ran > 0 ? ran : 1)))" "$crashes")
  summary+=("$line")
  echo "$line"
  # What failed, once per kind: the invariant or the sanitizer's summary.
  while IFS= read -r kind; do
    summary+=("    $kind")
    echo "    $kind"
  done < <(grep -Eo 'invariant failed: .*|SUMMARY: .*|ERROR: libFuzzer: [a-z -]+' "$log" | sort -u)
done
echo
echo "Per target: time ran, inputs executed, rate, crashing inputs kept (logs and inputs: $build/fuzz)"
printf '%s\n' "${summary[@]}"
