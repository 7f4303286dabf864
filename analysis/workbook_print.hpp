// How a sheet of a workbook goes on paper: portrait A4 with margins of
// half an inch at the sides and 0.6 inch at top and bottom, no header or
// footer, one page wide. The rows are laid on pages as a spreadsheet does
// (a row that does not fit goes whole to the next page), and the plan
// keeps the last page from carrying a scrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace analysis {

// One line of the default 11-point font, in points.
constexpr double kLinePoints = 15.0;

// A row as printed: its height in points and the lines of text it
// carries (0 for a blank row).
struct PrintRow {
  double height = kLinePoints;
  int lines = 0;
};

struct PagePlan {
  int zoom = 100;               // percent, to fit the columns to the page's width
  std::size_t pages = 1;        // pages the rows take at that zoom
  std::uint16_t fit_tall = 0;   // fit to this many pages tall; 0: as many as the rows take
  std::optional<std::size_t> break_before;  // or a page break before this row (at `zoom`, not fitted)
};

// The plan of a sheet whose columns are `width` points wide; the row
// `repeated`, when given, is printed on top of every page. A sheet of
// more than one page is fitted to one page fewer when that shrinks it by
// at most 15 % (the last page's rows go onto the others); otherwise, if
// the last page would carry fewer than five lines of text, a page break
// earlier gives it five.
PagePlan plan_pages(const std::vector<PrintRow>& rows, double width, std::optional<std::size_t> repeated);

}  // namespace analysis
