#pragma once

namespace vireo {

// The two rows the Line Finder selects for line L of a text: first row L + 10, so that about ten
// lines below line L come into view, then row L - 1, which stays selected. -1 where no such row
// exists (that selection then selects nothing).
struct LineFinderRows {
    // The row selected first only to scroll the list.
    int scrollRow = -1;
    // The row of line L, left selected.
    int lineRow = -1;
};

// The rows for line L in a list of rowCount rows.
LineFinderRows RowsForLine(int line, int rowCount);

} // namespace vireo
