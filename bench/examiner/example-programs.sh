#!/usr/bin/env bash
# Free Pascal's own example programs, instrumented with the Pascal mode and run against a real
# viewer. The programs: files of /usr/share/fpcsrc/3.2.2/packages/*/examples that start with
# "program" and name no unit of a GUI, a network, a database or a console screen (see skipped
# below), smallest first, at most three per package; of these the first --count that build with
# fpc as shipped and end within --timeout seconds (input from /dev/null). Each is run a second
# time, a second later, to see whether its output (with its exit status) is stable; then every routine and
# handler of it is instrumented
# (vireo-examine --pascal, procedures:all, functions:all, exceptions:all), built with the client
# unit and run once more, on a private session bus where build/src/app/vireo runs offscreen.
# Prints: built before, built after, stable-output programs, same output after (code addresses
# masked), and each failure with its first error or the first differing line.
# Usage: bench/examiner/example-programs.sh BUILD_DIR [--count N] [--timeout S] [--keep]
#   --count N    programs to take (default 60)
#   --timeout S  seconds a run may take (default 10)
#   --keep       keep the work folder (printed at the end)
set -uo pipefail

build="$(cd "$1" && pwd)"
shift
examine="$build/src/app/vireo-examine"
viewer="$build/src/app/vireo"
clients="$(cd "$(dirname "$0")/../../clients" && pwd)"
mode=(--pascal)
count=60
timeout=10
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --count) count="$2"; shift ;;
    --timeout) timeout="$2"; shift ;;
    --keep) keep=1 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
for tool in fpc dbus-daemon dbus-send "$examine" "$viewer"; do
  command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 2; }
done
packages=/usr/share/fpcsrc/3.2.2/packages
work=$(mktemp -d /tmp/vireo-examples-XXXXXX)
bus_pid='' viewer_pid='' monitor_pid=''
cleanup() {
  [ -n "$monitor_pid" ] && kill "$monitor_pid" 2> /dev/null
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2> /dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2> /dev/null
  [ "$keep" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/corpus-common.sh"

# Units whose programs need what a quick unattended run lacks: a display, a network, a database,
# a console screen, the session bus.
skipped='libcurl|libmicrohttpd|gnutls|rpc[a-z]*|xforms|newt|svgalib|crt|keyboard|mouse|video|graph|ptc|gtk[0-9]?|gdk[0-9a-z]*|glib[0-9]?|xlib|xutil|gl|glu|glut|sdl[a-z_0-9]*|opengl|forms|interfaces|sockets|ssockets|[a-z]*ssl[a-z]*|fphttp[a-z]*|httpsend|fpwebclient|netdb|resolve|dbus|sqldb|[a-z]*conn[0-9]*|ibase[0-9]*|mysql[0-9]*|postgres[0-9]*|oracle|odbc[a-z]*|sqlite[0-9a-z]*|ncurses|ocrt|menus|panel'

# Whether the program's uses clause names one of the skipped units.
needs_skipped() {
  tr '\n' ' ' < "$1" | grep -oiE '\buses\b[^;]*;' | head -1 | grep -qiwE "($skipped)"
}

# The candidates, smallest first, at most three per package.
candidates() {
  for file in "$packages"/*/examples/*.pp "$packages"/*/examples/*.pas; do
    grep -qiE '^[[:space:]]*program[[:space:]]' "$file" || continue
    needs_skipped "$file" && continue
    echo "$(stat -c %s "$file") $file"
  done | sort -n | awk '{ n = split($2, p, "/"); if (++seen[p[n - 2]] <= 3) print $2 }'
}

# Builds a program in its folder into exe (options after); returns fpc's status.
build_program() {
  local source="$1" log="$2"
  shift 2
  (cd "$(dirname "$source")" && fpc -FUunits -oexe "$@" "$(basename "$source")") > "$log" 2>&1
}

# Runs the exe built in a folder from a fresh copy of the program's example folder, always at the
# same path, so that neither files left by a former run nor the path tell runs apart; prints its
# output with its exit status on the last line. Code addresses (in the run-time library's
# report of an unhandled exception) move with any change of the code, so they are masked.
run_program() {
  local at="$work/run/$key"
  rm -rf "$at" && mkdir -p "$at" && cp -r "$(dirname "$source")"/. "$at/" && cp "$1/exe" "$at/exe"
  (cd "$at" && timeout "$timeout" ./exe < /dev/null > "$work/run.out" 2>&1; echo "exit status $?" >> "$work/run.out")
  sed -E 's/\$[0-9A-F]{16}/$ADDRESS/g' "$work/run.out"
}

# A private session bus with the viewer running offscreen on it, its settings in the work folder,
# and dbus-monitor noting the calls that reach the viewer.
start_viewer() {
  local address
  mkdir -p "$work/data" "$work/registry"
  read -r address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
  export DBUS_SESSION_BUS_ADDRESS="$address"
  QT_QPA_PLATFORM=offscreen VIREO_REGISTRY_DIR="$work/registry" XDG_DATA_HOME="$work/data" \
    "$viewer" > "$work/viewer.log" 2>&1 &
  viewer_pid=$!
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
      string:VireoX.Vireo 2> /dev/null | grep -q 'boolean true' && break
    sleep 0.1
  done
  if ! kill -0 "$viewer_pid" 2> /dev/null; then
    echo "the viewer did not start" >&2
    exit 1
  fi
  dbus-monitor --session "type='method_call',interface='VireoX.IVireo'" > "$work/calls.log" 2>&1 &
  monitor_pid=$!
}

: > "$work/failures"
mapfile -t candidates < <(candidates)
start_viewer
tried=0 before=0 after=0 stable=0 same=0
for source in "${candidates[@]}"; do
  [ "$before" -lt "$count" ] || break
  tried=$((tried + 1))
  name=${source#"$packages"/}
  key=${name//\//_}
  for copy in shipped instrumented; do
    mkdir -p "$work/$copy/$key"
    cp -r "$(dirname "$source")"/. "$work/$copy/$key/"
    mkdir -p "$work/$copy/$key/units"
  done
  file=$(basename "$source")
  build_program "$work/shipped/$key/$file" "$work/$key.shipped.log" || continue
  first=$(run_program "$work/shipped/$key")
  [[ "$first" == *"exit status 124" ]] && continue
  before=$((before + 1))
  echo "$name" >> "$work/taken"
  # A second apart, so that output seeded by the clock (randomize) shows as unstable.
  sleep 1.1
  second=$(run_program "$work/shipped/$key")
  steady=0
  [ "$first" = "$second" ] && steady=1 && stable=$((stable + 1))
  if ! instrument "$work/instrumented/$key/$file"; then
    echo "$name: vireo-examine failed" >> "$work/failures"
    continue
  fi
  if ! build_program "$work/instrumented/$key/$file" "$work/$key.log" -Fu"$clients"; then
    echo "$name: $(first_error "$work/$key.log")" >> "$work/failures"
    continue
  fi
  after=$((after + 1))
  [ "$steady" = 1 ] || continue
  now=$(run_program "$work/instrumented/$key")
  if [ "$now" = "$first" ]; then
    same=$((same + 1))
  else
    echo "$name: output differs, first at: $(diff <(echo "$first") <(echo "$now") | grep -m1 '^[<>]')" >> "$work/failures"
  fi
done
echo "candidates tried: $tried (program files naming no GUI, network, database or screen unit; smallest first, at most 3 per package)"
echo "built before (and ended within ${timeout}s): $before"
echo "built after: $after of $before"
echo "stable-output programs: $stable"
echo "same output after: $same of $stable"
echo "calls inserted: $(grep -ho '[0-9]* debug call(s) inserted' "$work/examine.log" | awk '{ n += $1 } END { print n + 0 }')"
echo "AddTrace and AddTraces calls the viewer received: $(grep -cE 'member=AddTraces?$' "$work/calls.log")"
kill -0 "$viewer_pid" 2> /dev/null && echo "the viewer ran to the end" || echo "the viewer ended early"
echo "failures: $(wc -l < "$work/failures")"
sed 's/^/  /' "$work/failures"
[ "$keep" = 1 ] && echo "work folder: $work"
exit 0
