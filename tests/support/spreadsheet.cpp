#include "support/spreadsheet.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace labtest {

namespace fs = std::filesystem;

namespace {

bool on_path(const char* command) {
  return std::system((std::string("command -v ") + command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const fs::path& p) {
  std::string s = "'";
  for (char c : p.string()) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return s + "'";
}

// A profile of its own that recalculates every formula on loading, both
// for files from other spreadsheets and for its own.
std::string profile(const fs::path& work) {
  const fs::path user = work / "profile" / "user";
  fs::create_directories(user);
  std::ofstream(user / "registrymodifications.xcu")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
         "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
         "<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\"><prop oor:name=\"OOXMLRecalcMode\" "
         "oor:op=\"fuse\"><value>0</value></prop></item>\n"
         "<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\"><prop oor:name=\"ODFRecalcMode\" "
         "oor:op=\"fuse\"><value>0</value></prop></item>\n"
         "</oor:items>\n";
  return "soffice -env:UserInstallation=file://" + (work / "profile").string() + " --headless --norestore ";
}

void run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
    throw std::runtime_error("the spreadsheet failed: " + command);
}

Grid read_csv(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  Grid grid;
  std::vector<std::string> row;
  std::string cell;
  bool quoted_cell = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted_cell) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted_cell = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted_cell = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n') {
      row.push_back(std::move(cell));
      cell.clear();
      grid.push_back(std::move(row));
      row.clear();
    } else if (c != '\r') {
      cell += c;
    }
  }
  if (!cell.empty() || !row.empty()) {
    row.push_back(std::move(cell));
    grid.push_back(std::move(row));
  }
  return grid;
}

const char* const kCsvExport = "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1'";

}  // namespace

bool have_spreadsheet() { return on_path("soffice"); }
bool have_renderer() { return on_path("soffice") && on_path("pdftoppm") && on_path("pdftotext"); }

std::vector<std::map<std::string, Grid>> recalculate(const std::vector<fs::path>& workbooks, const fs::path& work) {
  const fs::path out = work / "recalculated";
  fs::create_directories(out);
  std::string command = profile(work) + "--convert-to " + kCsvExport + " --outdir " + quoted(out);
  for (const fs::path& w : workbooks) command += " " + quoted(w);
  run(command);
  std::vector<std::map<std::string, Grid>> result;
  for (const fs::path& w : workbooks) {
    std::map<std::string, Grid> sheets;
    const std::string prefix = w.stem().string() + "-";
    for (const auto& e : fs::directory_iterator(out)) {
      const std::string name = e.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && e.path().extension() == ".csv")
        sheets[name.substr(prefix.size(), name.size() - prefix.size() - 4)] = read_csv(e.path());
    }
    if (sheets.empty()) throw std::runtime_error("the spreadsheet exported nothing of " + w.string());
    result.push_back(std::move(sheets));
  }
  return result;
}

std::vector<Grid> open_csv(const std::vector<fs::path>& csv, const fs::path& work) {
  const fs::path out = work / "reopened";
  fs::create_directories(out);
  // Read as UTF-8 CSV with comma separators and special numbers detected,
  // as a spreadsheet opens a data set; written back without formatting.
  std::string command = profile(work) + "--infilter='CSV:44,34,76,1,,0,false,true,true,false,false' --convert-to " +
                        "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false' --outdir " +
                        quoted(out);
  for (const fs::path& f : csv) command += " " + quoted(f);
  run(command);
  std::vector<Grid> grids;
  for (const fs::path& f : csv) grids.push_back(read_csv(out / (f.stem().string() + ".csv")));
  return grids;
}

namespace {

std::string output_of(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (::pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
  return text;
}

std::vector<Page> read_pages(const fs::path& pdf, const fs::path& out) {
  fs::create_directories(out);
  run("pdftoppm -r 40 " + quoted(pdf) + " " + quoted(out / "page"));
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(out))
    if (e.path().extension() == ".ppm") files.push_back(e.path());
  std::sort(files.begin(), files.end());  // page-01, page-02, ... sort as numbers do
  std::vector<Page> pages;
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255) throw std::runtime_error("not a picture: " + f.string());
    std::string px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3, '\0');
    in.read(px.data(), static_cast<std::streamsize>(px.size()));
    Page page;
    for (std::size_t i = 0; i + 2 < px.size(); i += 3) {
      const int r = static_cast<unsigned char>(px[i]), g = static_cast<unsigned char>(px[i + 1]),
                b = static_cast<unsigned char>(px[i + 2]);
      const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
      if (hi - lo > 60) ++page.coloured;
      if (lo < 200) ++page.inked;
    }
    pages.push_back(page);
  }
  // The text, page by page (form feeds between them).
  const std::string text = output_of("pdftotext -layout " + quoted(pdf) + " -");
  std::size_t page = 0, at = 0;
  while (at < text.size() && page < pages.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    for (char& c : line)
      if (c == '\f') {
        ++page;
        c = ' ';
      }
    if (page < pages.size() && line.find_first_not_of(' ') != std::string::npos) pages[page].lines.push_back(line);
    at = end + 1;
  }
  return pages;
}

}  // namespace

std::vector<std::vector<Page>> render_pages(const std::vector<fs::path>& workbooks, const fs::path& work) {
  const fs::path out = work / "pdf";
  fs::create_directories(out);
  std::string command = profile(work) + "--convert-to pdf --outdir " + quoted(out);
  for (const fs::path& w : workbooks) command += " " + quoted(w);
  run(command);
  std::vector<std::vector<Page>> result;
  for (const fs::path& w : workbooks)
    result.push_back(read_pages(out / (w.stem().string() + ".pdf"), work / "pages" / w.stem()));
  return result;
}

}  // namespace labtest

namespace labtest {

std::vector<std::string> package_parts(const fs::path& xlsx) {
  std::vector<std::string> parts;
  std::istringstream in(output_of("unzip -Z1 " + quoted(xlsx)));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) parts.push_back(line);
  return parts;
}

std::string package_part(const fs::path& xlsx, const std::string& part) {
  // unzip reads a name as a pattern: a bracket stands for itself as "[[]".
  std::string pattern;
  for (const char c : part) pattern += c == '[' ? std::string("[[]") : std::string(1, c);
  return output_of("unzip -p " + quoted(xlsx) + " " + quoted(fs::path(pattern)));
}

std::map<std::string, StoredCell> stored_formulas(const std::string& xml) {
  std::map<std::string, StoredCell> cells;
  const auto attribute = [](const std::string& tag, const std::string& name) {
    const std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) return std::string();
    const std::size_t from = at + name.size() + 3;
    return tag.substr(from, tag.find('"', from) - from);
  };
  const auto element = [&](std::size_t from, std::size_t to, const std::string& name) {
    const std::size_t open = xml.find("<" + name + ">", from);
    if (open == std::string::npos || open > to) return std::string();
    const std::size_t start = open + name.size() + 2;
    return xml.substr(start, xml.find("</" + name + ">", start) - start);
  };
  for (std::size_t at = xml.find("<c "); at != std::string::npos; at = xml.find("<c ", at + 1)) {
    const std::size_t tag_end = xml.find('>', at);
    const std::string tag = xml.substr(at, tag_end - at);
    if (tag.back() == '/') continue;
    const std::size_t end = xml.find("</c>", tag_end);
    if (xml.find("<f>", tag_end) > end) continue;
    cells[attribute(tag, "r")] = {element(tag_end, end, "f"), attribute(tag, "t"), element(tag_end, end, "v")};
  }
  return cells;
}

}  // namespace labtest
