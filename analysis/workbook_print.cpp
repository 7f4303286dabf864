#include "analysis/workbook_print.hpp"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

// A4 is 595 by 842 points; the room between the margins.
constexpr double kPrintableWidth = 595.0 - 2 * 0.5 * 72.0;
constexpr double kPrintableHeight = 842.0 - 2 * 0.6 * 72.0;

// Where the pages begin when rows are laid on pages of `page` points;
// the repeated row takes `repeated` points on every page after the first.
std::vector<std::size_t> page_starts(const std::vector<PrintRow>& rows, double page, double repeated) {
  std::vector<std::size_t> starts{0};
  double used = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (used > 0 && used + rows[i].height > page) {
      starts.push_back(i);
      used = repeated;
    }
    used += rows[i].height;
  }
  return starts;
}

}  // namespace

PagePlan plan_pages(const std::vector<PrintRow>& rows, double width, std::optional<std::size_t> repeated) {
  PagePlan plan;
  // The spreadsheet sets the zoom in whole percent.
  plan.zoom = static_cast<int>(std::floor(std::min(1.0, kPrintableWidth / width) * 100));
  const double top = repeated && *repeated < rows.size() ? rows[*repeated].height : 0;
  const auto at = [&](int zoom) { return page_starts(rows, kPrintableHeight * 100 / zoom, top); };
  const std::vector<std::size_t> starts = at(plan.zoom);
  plan.pages = starts.size();
  if (starts.size() < 2) return plan;
  int lines = 0;
  for (std::size_t i = starts.back(); i < rows.size(); ++i) lines += rows[i].lines;
  // One page fewer, if the text stays within 15 % of its size.
  int zoom = plan.zoom;
  while (zoom > 10 && at(zoom).size() >= starts.size()) --zoom;
  if (zoom * 100 >= 85 * plan.zoom) {
    plan.fit_tall = static_cast<std::uint16_t>(starts.size() - 1);
    plan.pages = starts.size() - 1;
  } else if (lines < 5) {
    // Rows of the page before go over with the scrap, up to five lines.
    std::size_t from = starts.back();
    while (from > starts[starts.size() - 2] + 1 && lines < 5) lines += rows[--from].lines;
    plan.break_before = from;
  }
  return plan;
}

}  // namespace analysis
