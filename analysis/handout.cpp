// The student's handout as Markdown: what `lab_instructor handout` prints
// and `batch` writes into the class folder as handout.md.
#include <ostream>
#include <string>
#include <string_view>

#include "analysis/answer_sheet.hpp"

namespace analysis {

namespace {

// Text for a cell of a Markdown table: its bars escaped, line ends as blanks.
std::string table_cell(std::string_view text) {
  std::string s;
  for (char ch : text) {
    if (ch == '|')
      s += "\\|";
    else if (ch == '\n' || ch == '\r')
      s += ' ';
    else
      s += ch;
  }
  return s;
}

std::string key_cell(std::string_view key) { return "`" + table_cell(key) + "`"; }

}  // namespace

void print_handout(std::ostream& out, const labcore::Program& program, const Handout& h) {
  std::string title = program.titles.empty() ? std::string(program.name) : std::string(program.titles.front());
  while (!title.empty() && title.back() == ' ') title.pop_back();
  out << "# " << title << "\n\n";
  out << "Your data set was written by `" << program.name << "`; your seeds are in it.\n\n";
  if (!h.task.empty()) out << h.task << "\n\n";

  std::string_view data = h.data;
  while (!data.empty() && data.back() == '\n') data.remove_suffix(1);
  out << "## Your data set\n\n" << data << "\n";

  if (!h.constants.empty()) {
    out << "\n## Constants you need\n\n"
        << "The data set does not state these; use the values given here.\n\n"
        << "| constant | value | unit | use |\n|---|---:|---|---|\n";
    for (const HandoutConstant& c : h.constants)
      out << "| " << table_cell(c.name) << " | " << csv_number(c.value) << " | " << table_cell(c.unit) << " | "
          << table_cell(c.use) << " |\n";
  }

  if (!h.conventions.empty()) {
    out << "\n## Conventions\n\n";
    for (const std::string& c : h.conventions) out << "- " << c << "\n";
  }

  out << "\n## Results to report\n\n"
      << "Report each result under its key in the results form (results_template.csv), in the unit given,\n"
      << "as a plain number with a decimal point. A result your data set does not give stays empty.\n"
      << "Where a method is named, follow it.\n\n"
      << "| key | result | unit | method |\n|---|---|---|---|\n";
  bool any_left = false;
  for (const HandoutResult& r : h.results) {
    if (!r.not_graded.empty()) {
      any_left = true;
      continue;
    }
    out << "| " << key_cell(r.key) << " | " << table_cell(r.name) << " | " << table_cell(r.unit) << " | "
        << (r.method.empty() ? std::string("any sound method") : table_cell(r.method)) << " |\n";
  }
  if (any_left) {
    out << "\n## Left to your workings (not graded)\n\n";
    for (const HandoutResult& r : h.results)
      if (!r.not_graded.empty())
        out << "- `" << r.key << "`, " << r.name << (r.unit.empty() ? "" : " (" + r.unit + ")") << ": "
            << r.not_graded << "\n";
  }
}

}  // namespace analysis
