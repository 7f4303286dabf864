// A real spreadsheet for the workbook tests: LibreOffice Calc, headless,
// opens workbooks with every formula recalculated and exports what it
// computed, or renders the workbook to pages of pixels.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace labtest {

// Whether the spreadsheet is installed (soffice on the PATH) and, for the
// rendering, pdftoppm.
bool have_spreadsheet();
bool have_renderer();

// Rows of cells as the spreadsheet exported them (numbers shown with up to
// fifteen significant digits).
using Grid = std::vector<std::vector<std::string>>;

// Opens every workbook in one run of the spreadsheet, recalculating every
// formula, and returns per workbook its sheets by name. `work` is a scratch
// folder (the spreadsheet's profile and exports go there).
std::vector<std::map<std::string, Grid>> recalculate(const std::vector<std::filesystem::path>& workbooks,
                                                     const std::filesystem::path& work);

// The spreadsheet's own reading of CSV files (their cells as it puts them
// in a sheet when it opens them), exported again as CSV.
std::vector<Grid> open_csv(const std::vector<std::filesystem::path>& csv, const std::filesystem::path& work);

// Prints the workbook to PDF and renders each page; per page, the number
// of pixels in colour (not black, white or grey) and the number that are
// not white.
struct Page {
  long coloured = 0;
  long inked = 0;
};
// Per workbook, its pages in order.
std::vector<std::vector<Page>> render_pages(const std::vector<std::filesystem::path>& workbooks,
                                            const std::filesystem::path& work);

}  // namespace labtest
