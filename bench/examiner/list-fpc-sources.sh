#!/usr/bin/env bash
# Lists every .pas and .pp unit under a source tree with vireo-examine, one process per unit, and
# prints how many units ran, how many failed and how long it took.
# Usage: bench/examiner/list-fpc-sources.sh BUILD_DIR [SOURCE_TREE]   (default /usr/share/fpcsrc)
set -euo pipefail
examine="$1/src/app/vireo-examine"
tree="${2:-/usr/share/fpcsrc}"
list=$(mktemp)
trap 'rm -f "$list"' EXIT
find "$tree" -type f \( -name '*.pas' -o -name '*.pp' \) -print0 > "$list"
units=$(tr -cd '\0' < "$list" | wc -c)
start=$(date +%s.%N)
failed=0
while IFS= read -r -d '' unit; do
  "$examine" "$unit" > /dev/null 2>&1 && status=0 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "failed ($status): $unit"
    failed=$((failed + 1))
  fi
done < "$list"
end=$(date +%s.%N)
echo "units: $units"
echo "failed: $failed"
echo "seconds: $(echo "$end - $start" | bc)"
