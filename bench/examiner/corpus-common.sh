# Shared by the corpus scripts (sourced): instrumenting with vireo-examine and reading fpc's logs.
# Expects $examine (vireo-examine's path), $work (the work folder) and the array mode (extra options).

# Instruments every procedure, function and exception handler of one file; prints nothing, returns
# vireo-examine's status (its messages go to $work/examine.log).
instrument() {
  local list
  for list in procedures functions exceptions; do
    "$examine" "${mode[@]}" --add-debug "$list:all" "$1" > /dev/null 2>> "$work/examine.log" || return 1
  done
}

# The first error of a compiler log, its file position left out.
first_error() {
  grep -m1 -E '(Error|Fatal):' "$1" | sed -E 's/^[^ ]*\([0-9,]+\) //; s/^(Error|Fatal): //' | cut -c1-100
}
