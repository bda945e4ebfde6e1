#include "examiner/LineFinderRows.h"

namespace vireo {

namespace {

int RowOrNone(int row, int rowCount)
{
    return row >= 0 && row < rowCount ? row : -1;
}

} // namespace

LineFinderRows RowsForLine(int line, int rowCount)
{
    return {RowOrNone(line + 10, rowCount), RowOrNone(line - 1, rowCount)};
}

} // namespace vireo
