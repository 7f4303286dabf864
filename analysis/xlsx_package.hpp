// The zip package of an xlsx file, read and written whole: the parts a
// writer cannot express (an error as a formula's cached value) are set in
// the sheet's XML afterwards, and tests read the parts back.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

struct PackagePart {
  std::string name;  // "xl/worksheets/sheet2.xml"
  std::string data;
};

// The parts of a zip archive in their order (stored or deflated, as the
// xlsx writer makes them). Throws std::runtime_error naming the file when
// it is not such an archive or a part's checksum fails.
std::vector<PackagePart> read_package(const std::filesystem::path& file);

// Writes the parts as a zip archive (deflated), replacing `file`. Throws
// std::runtime_error naming the file when it cannot be written.
void write_package(const std::filesystem::path& file, const std::vector<PackagePart>& parts);

// Sets the type of formula cells in a sheet's XML: for each cell name
// ("B14") the value type it is given ("e" for an error), in place of the
// text type ("str") the writer gave it. Throws std::invalid_argument when
// a cell is not a text-valued formula of the sheet.
void set_cell_types(std::string& sheet_xml, const std::map<std::string, std::string>& types);

}  // namespace analysis
