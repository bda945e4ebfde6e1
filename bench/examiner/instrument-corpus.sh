#!/usr/bin/env bash
# Instruments a corpus with vireo-examine and compiles it, as shipped and after instrumenting every
# routine and exception handler (procedures:all, functions:all, exceptions:all) of every unit:
#   - every .pp unit of Free Pascal's fcl-base, each compiled on its own with fpc;
#   - small Lazarus example projects (LCL only, one project per folder), built with lazbuild.
# Prints the counts: built as shipped, built after instrumenting, failures by their first error,
# and how many inserted calls stand stacked, two or more, after one begin.
# Usage: bench/examiner/instrument-corpus.sh BUILD_DIR [--pascal] [--projects N] [--keep]
#   --pascal      instrument with the Pascal-aware mode instead of the line rules
#   --projects N  at most N Lazarus projects (default 24; 0 skips Lazarus)
#   --keep        keep the work folder (printed at the end) for a look at the failures
set -uo pipefail

build="$(cd "$1" && pwd)"
shift
examine="$build/src/app/vireo-examine"
clients="$(cd "$(dirname "$0")/../../clients" && pwd)"
mode=()
projects=24
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --pascal) mode=(--pascal) ;;
    --projects) projects="$2"; shift ;;
    --keep) keep=1 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
fclbase=/usr/share/fpcsrc/3.2.2/packages/fcl-base/src
examples=/usr/lib/lazarus/2.2.6/examples
work=$(mktemp -d /tmp/vireo-corpus-XXXXXX)
[ "$keep" = 1 ] || trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/corpus-common.sh"

# Counts the inserted calls, and the calls standing in a stack of two or more right after a begin
# that ends its line.
stacked() {
  awk 'BEGIN { IGNORECASE = 1 }
       /^[ \t]*AddDebug\(/ { calls++; run++; if (afterBegin && run == 2) stacked += 2; else if (afterBegin && run > 2) stacked++; next }
       { afterBegin = ($0 ~ /(^|[^A-Za-z0-9_])begin[ \t]*$/); run = 0 }
       END { printf "%d calls, %d of them stacked after one begin\n", calls, stacked }' "$@" /dev/null
}

# Whether a failure comes from the clash of the client unit's message-type names with LCL's
# Dialogs: the compiler names TMsgDlgType, or its first error stands in a MessageDlg call (with -q
# lazbuild leaves out the hints that name the type).
dialog_clash() {
  grep -q 'TMsgDlgType' "$1" && return 0
  local at file line
  at=$(grep -m1 -oE '^[^ ]+\([0-9]+,[0-9]+\) Error' "$1") || return 1
  file=${at%%(*}
  line=${at#*(}
  line=${line%%,*}
  [ -f "$file" ] && sed -n "$((line > 3 ? line - 3 : 1)),${line}p" "$file" | grep -q 'MessageDlg'
}

# Tallies a failure: the message clash with LCL's dialogs apart, else by first error.
tally() {
  if dialog_clash "$2"; then
    echo "message-type clash with Dialogs" >> "$work/$1.reasons"
  else
    first_error "$2" >> "$work/$1.reasons"
  fi
}

report() {
  local name="$1" total="$2" shipped="$3" after="$4"
  echo "$name: $total tried, $shipped built as shipped, $after of those built after instrumenting"
  if [ -s "$work/$name.reasons" ]; then
    echo "  failures after instrumenting, by first error:"
    sort "$work/$name.reasons" | uniq -c | sort -rn | sed 's/^/   /'
  fi
  echo "  failed: $(tr '\n' ' ' < "$work/$name.failed" 2>/dev/null)"
}

echo "mode: ${mode[*]:-line rules}"

# fcl-base: each unit compiled on its own from the copied sources.
cp -r "$fclbase" "$work/fcl-shipped"
cp -r "$fclbase" "$work/fcl"
: > "$work/fcl-base.failed"
total=0 shipped=0 after=0
for unit in "$work"/fcl-shipped/*.pp; do
  name=$(basename "$unit")
  total=$((total + 1))
  mkdir -p "$work/out-shipped/$name" "$work/out/$name"
  fpc -Fu"$work/fcl-shipped" -Fu"$work/fcl-shipped/unix" -Fi"$work/fcl-shipped" -Fi"$work/fcl-shipped/unix" \
    -FU"$work/out-shipped/$name" "$unit" > "$work/out-shipped/$name.log" 2>&1 || continue
  shipped=$((shipped + 1))
  log="$work/out/$name.log"
  if ! instrument "$work/fcl/$name"; then
    echo "vireo-examine failed" >> "$work/fcl-base.reasons"
  elif fpc -Fu"$work/fcl" -Fu"$work/fcl/unix" -Fi"$work/fcl" -Fi"$work/fcl/unix" -Fu"$clients" \
      -FU"$work/out/$name" "$work/fcl/$name" > "$log" 2>&1; then
    after=$((after + 1))
    continue
  else
    tally fcl-base "$log"
  fi
  echo -n "$name " >> "$work/fcl-base.failed"
done
report fcl-base "$total" "$shipped" "$after"
echo "  $(stacked "$work"/fcl/*.pp)"

[ "$projects" -gt 0 ] || exit 0
command -v lazbuild > /dev/null || { echo "lazbuild not found: Lazarus skipped"; exit 0; }

# Lazarus: projects alone in their folder that need only the LCL, smallest first.
cp -r "$examples" "$work/laz-shipped"
cp -r "$examples" "$work/laz"
: > "$work/lazarus.failed"
mapfile -t chosen < <(
  cd "$work/laz-shipped" &&
  for lpi in */*.lpi */*/*.lpi; do
    dir=$(dirname "$lpi")
    [ "$(ls "$dir"/*.lpi | wc -l)" = 1 ] || continue
    grep -o 'PackageName Value="[^"]*"' "$lpi" | grep -qvE '"(LCL|LCLBase|FCL)"' && continue
    echo "$(du -sk "$dir" | cut -f1) $lpi"
  done | sort -n | head -n "$projects" | cut -d' ' -f2)
# The project's own units and its .lpr main file, as its .lpi lists them (vireo-examine only lists
# a .dpr project).
project_units() {
  local dir
  dir=$(dirname "$1")
  grep -oE 'Filename Value="[^"]*\.(pas|pp|lpr)"' "$1" | sed -E 's/Filename Value="(.*)"/\1/' |
    while read -r f; do [ -f "$dir/$f" ] && echo "$dir/$f"; done | sort -u
}
total=0 shipped=0 after=0
for lpi in "${chosen[@]}"; do
  total=$((total + 1))
  name=${lpi//\//_}
  lazbuild --pcp="$work/lazconfig" -q "$work/laz-shipped/$lpi" > "$work/$name.shipped.log" 2>&1 || continue
  shipped=$((shipped + 1))
  cp "$clients/Vireo.pas" "$(dirname "$work/laz/$lpi")/"
  ok=1
  while read -r unit; do instrument "$unit" || ok=0; done < <(project_units "$work/laz/$lpi")
  log="$work/$name.log"
  if [ "$ok" = 0 ]; then
    echo "vireo-examine failed" >> "$work/lazarus.reasons"
  elif lazbuild --pcp="$work/lazconfig" -q "$work/laz/$lpi" > "$log" 2>&1; then
    after=$((after + 1))
    continue
  else
    tally lazarus "$log"
  fi
  echo -n "$lpi " >> "$work/lazarus.failed"
done
report lazarus "$total" "$shipped" "$after"
echo "  $(stacked $(for lpi in "${chosen[@]}"; do project_units "$work/laz/$lpi"; done))"
[ "$keep" = 1 ] && echo "work folder: $work"
exit 0
