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

// Prints every workbook to PDF in one run of the spreadsheet and reads
// each page back: the number of pixels in colour (not black, white or
// grey), the number that are not white, and the lines of text on it.
struct Page {
  long coloured = 0;
  long inked = 0;
  std::vector<std::string> lines;  // its text, lines that hold something
};
// Per workbook, its pages in order.
std::vector<std::vector<Page>> render_pages(const std::vector<std::filesystem::path>& workbooks,
                                            const std::filesystem::path& work);

// The parts of an xlsx file as unzip reads them: every part's name, and
// the text of one.
std::vector<std::string> package_parts(const std::filesystem::path& xlsx);
std::string package_part(const std::filesystem::path& xlsx, const std::string& part);

// A formula cell as the file stores it: the formula, the value's type
// ("" for a number, "str", "e", "b") and the value's text.
struct StoredCell {
  std::string formula, type, value;
};
// The cells of a worksheet's XML that hold a formula, by name ("B14").
std::map<std::string, StoredCell> stored_formulas(const std::string& sheet_xml);

}  // namespace labtest
