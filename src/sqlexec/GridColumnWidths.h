#pragma once

class QTableView;
class ResultGridModel;

// Sets every column of the result grid to the wider of its header and its longest cell, over
// all rows, and lets the last column ("<") take up the rest of the view's width. Text widths
// are summed from per-character advances measured once each, so 10,000 rows cost milliseconds
// where the view's own contents sizing would lay out every cell.
void FitResultColumns(QTableView* view, const ResultGridModel& model);

// Widens a column whose numbers the model shows filled out (grid column numbering) to hold
// the longest filled-out text; a wider column stays as the user left it.
void FitFilledColumn(QTableView* view, const ResultGridModel& model, int column);
