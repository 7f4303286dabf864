#include "analysis/grading.hpp"

#include "analysis/safe_text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>
#include <set>
#include <unordered_map>
#include <utility>

namespace analysis::grading {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& ch : out)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return out;
}

// Lower case, underscores as blanks, runs of blanks as one.
std::string heading_word(std::string_view s) {
  std::string out;
  for (char ch : lower(trim(s))) {
    if (ch == '_' || ch == '\t') ch = ' ';
    if (ch == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += ch;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool same_text(std::string_view a, std::string_view b) { return lower(trim(a)) == lower(trim(b)); }

// "answers.csv, line 4, column 6 (dH (J/mol))"
std::string where(std::string_view file, int line, std::size_t column = 0, std::string_view heading = {}) {
  std::string s = std::string(file) + ", line " + std::to_string(line);
  if (column) {
    s += ", column " + std::to_string(column);
    if (!heading.empty()) s += " (" + std::string(heading) + ")";
  }
  return s;
}

// A number for a person: six significant digits.
std::string display(double v) {
  if (std::isnan(v)) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string fixed(double v, int digits) {
  if (std::isnan(v)) return {};
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string with_unit(const ResultColumn& r) { return r.unit.empty() ? r.key : r.key + " (" + r.unit + ")"; }

// A cell that a spreadsheet set to a decimal comma wrote: "41,25" (it
// can only be a cell of its own when quoted).
bool decimal_comma(std::string_view cell) {
  cell = trim(cell);
  const auto comma = cell.find(',');
  if (comma == std::string_view::npos || cell.find(',', comma + 1) != std::string_view::npos) return false;
  if (cell.find('.') != std::string_view::npos) return false;
  std::string dotted(cell);
  dotted[comma] = '.';
  return parse_number(dotted).has_value();
}

std::optional<std::int32_t> whole_number(std::string_view cell) {
  const auto v = parse_number(cell);
  if (!v || *v != std::floor(*v) || *v < -2147483648.0 || *v > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(*v);
}

// Half a unit in the last digit of a number as written: "41.25" 0.005,
// "4.1e4" 500, "41200" 50 (trailing zeros of a whole number taken as
// placeholders).
double half_unit(std::string_view text) {
  text = trim(text);
  int exponent = 0;
  const auto e = text.find_first_of("eE");
  if (e != std::string_view::npos) {
    if (const auto v = parse_number(text.substr(e + 1))) exponent = static_cast<int>(*v);
    text = text.substr(0, e);
  }
  const auto dot = text.find('.');
  if (dot != std::string_view::npos) {
    exponent -= static_cast<int>(text.size() - dot - 1);
  } else {
    while (text.size() > 1 && text.back() == '0' && text[text.size() - 2] >= '0' && text[text.size() - 2] <= '9') {
      text.remove_suffix(1);
      ++exponent;
    }
  }
  return 0.5 * std::pow(10.0, exponent);
}

std::string identity(const StudentAnswers& s) {
  return s.id.empty() ? s.name : s.name + " (" + s.id + ")";
}

// A classmate named in a flag: by name and identifier, or by name and
// seeds when there is no identifier (namesakes).
std::string classmate(const StudentAnswers& s) {
  return s.id.empty() ? s.name + " (seeds " + std::to_string(s.seed1) + " " + std::to_string(s.seed2) + ")"
                      : identity(s);
}

std::string format_credit(double c) {
  if (std::isnan(c)) return {};
  if (c == 1) return "1";
  if (c == 0) return "0";
  return fixed(c, 3);
}

std::string credit_words(double c) {
  if (c == 1) return "1";
  if (c == 0) return "0";
  if (std::fabs(c - 2.0 / 3.0) < 1e-12) return "2/3";
  if (std::fabs(c - 1.0 / 3.0) < 1e-12) return "1/3";
  return fixed(c, 3);
}

double median(std::vector<double> v) {
  if (v.empty()) return not_a_number;
  const std::size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
  const double upper = v[mid];
  if (v.size() % 2) return upper;
  const double lower_half = *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid));
  return (lower_half + upper) / 2;
}

std::size_t width_of(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
  return n;
}

// Rows of cells padded to the widest cell of each column; the first column
// left-aligned, the others right-aligned.
void print_table(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  for (const auto& row : rows) {
    if (width.size() < row.size()) width.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], width_of(row[c]));
  }
  for (const auto& row : rows) {
    std::string line = "  ";
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - width_of(row[c]), ' ');
      line += c == 0 ? row[c] + pad : "  " + pad + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

}  // namespace

bool is_identifier_heading(std::string_view heading) {
  static const char* const words[] = {"id",           "identifier",   "student id", "studentid",
                                      "student number", "student no", "student no.", "email",
                                      "e-mail",       "email address", "e-mail address", "username",
                                      "user name"};
  const std::string h = heading_word(heading);
  return std::any_of(std::begin(words), std::end(words), [&](const char* w) { return h == w; });
}

std::vector<CsvRecord> read_csv(std::string_view text, std::string_view file_name) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRecord> records;
  CsvRecord record;
  std::string cell;
  int line = 1;
  record.line = 1;
  bool quoted = false, in_quotes = false;
  int quote_line = 0;
  auto end_cell = [&] {
    record.cells.emplace_back(quoted ? std::string(cell) : std::string(trim(cell)));
    cell.clear();
    quoted = false;
  };
  auto end_record = [&] {
    end_cell();
    const bool blank = std::all_of(record.cells.begin(), record.cells.end(),
                                   [](const std::string& c) { return trim(c).empty(); });
    if (!blank) records.push_back(std::move(record));
    record = CsvRecord{};
    record.line = line;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (in_quotes) {
      if (ch == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell += '"';
          ++i;
        } else {
          in_quotes = false;
        }
      } else {
        if (ch == '\n') ++line;
        if (!(ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) cell += ch;
      }
    } else if (ch == '"' && trim(cell).empty() && !quoted) {
      in_quotes = quoted = true;
      quote_line = line;
      cell.clear();
    } else if (ch == ',') {
      end_cell();
    } else if (ch == '\n') {
      ++line;
      end_record();
    } else if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      // CRLF: the LF ends the record
    } else if (!quoted || ch != ' ') {
      cell += ch;
    }
  }
  if (in_quotes) throw GradingError(where(file_name, quote_line) + ": a quoted cell is not closed");
  if (!cell.empty() || !record.cells.empty()) end_record();
  return records;
}

std::optional<double> parse_number(std::string_view cell) {
  std::string_view s = trim(cell);
  if (s.size() > 1 && s.front() == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::vector<ResultColumn> result_columns(const Handout& handout) {
  std::vector<ResultColumn> out;
  for (const HandoutResult& r : handout.results)
    if (r.not_graded.empty()) out.push_back({r.key, r.unit});
  return out;
}

std::vector<ResultColumn> result_columns(const AnswerSheet& sheet) {
  std::vector<ResultColumn> out;
  for (const Result& r : sheet.results) out.push_back({r.key, r.unit});
  return out;
}

namespace {

// "name,<id>,seed1,seed2" or "name,seed1,seed2", and the row's first cells.
std::string person_heading(std::string_view id_heading) {
  return id_heading.empty() ? "name,seed1,seed2" : "name," + csv_cell(id_heading) + ",seed1,seed2";
}
std::string person_cells(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id) {
  std::string s = text_cell(sheet.student);
  if (!id_heading.empty()) s += ',' + text_cell(id);
  return s + ',' + std::to_string(sheet.seed1) + ',' + std::to_string(sheet.seed2);
}

}  // namespace

std::string answers_csv_heading(std::span<const ResultColumn> results, std::string_view id_heading) {
  std::string s = person_heading(id_heading);
  for (const auto& r : results)
    s += ',' + csv_cell(with_unit(r)) + ',' + csv_cell(with_unit({r.key + " tolerance", r.unit}));
  for (const auto& r : results) s += ',' + csv_cell(r.key + " true") + ',' + csv_cell(r.key + " u");
  for (const auto& r : results)
    s += ',' + csv_cell(with_unit({r.key + " accepted", r.unit})) + ',' + csv_cell(r.key + " not graded");
  return s;
}

std::string answers_csv_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                            std::string_view id_heading, std::string_view id) {
  std::vector<const Result*> of;
  for (const auto& c : results) {
    const Result* r = sheet.find(c.key);
    of.push_back(r);
  }
  std::string s = person_cells(sheet, id_heading, id);
  for (const Result* r : of) {
    if (r == nullptr || !r->graded())
      s += ",,";
    else
      s += ',' + csv_number(r->value) + ',' + csv_number(r->tolerance);
  }
  for (const Result* r : of) {
    if (r == nullptr)
      s += ",,";
    else
      s += ',' + csv_number(r->true_value) + ',' + csv_number(r->uncertainty);
  }
  for (const Result* r : of) {
    std::string accepted;
    if (r != nullptr && r->graded())
      for (double v : r->accepted)
        if (!std::isnan(v)) accepted += (accepted.empty() ? "" : " ") + csv_number(v);
    s += ',' + accepted + ',' + (r != nullptr ? csv_cell(r->not_graded) : std::string());
  }
  return s;
}

std::string answers_csv_heading(const AnswerSheet& sheet, std::string_view id_heading) {
  return answers_csv_heading(result_columns(sheet), id_heading);
}

std::string answers_csv_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id) {
  return answers_csv_row(result_columns(sheet), sheet, id_heading, id);
}

std::string results_template_heading(std::span<const ResultColumn> results, std::string_view id_heading) {
  std::string s = person_heading(id_heading);
  for (const auto& r : results) s += ',' + csv_cell(with_unit(r));
  return s;
}

std::string results_template_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                                 std::string_view id_heading, std::string_view id) {
  return person_cells(sheet, id_heading, id) + std::string(results.size(), ',');
}

std::string results_template_heading(const AnswerSheet& sheet, std::string_view id_heading) {
  return results_template_heading(result_columns(sheet), id_heading);
}

std::string results_template_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id) {
  return results_template_row(result_columns(sheet), sheet, id_heading, id);
}

Answers read_answers(std::string_view text, std::string_view file_name) {
  const std::vector<CsvRecord> records = read_csv(text, file_name);
  if (records.empty()) throw GradingError(std::string(file_name) + ": no heading, the file is empty");
  Answers a;
  a.file = std::string(file_name);
  const auto& heading = records[0].cells;
  const int head_line = records[0].line;
  std::size_t name_col = heading.size(), id_col = heading.size(), s1_col = heading.size(), s2_col = heading.size();
  struct ValueColumns {
    std::size_t value, tolerance, true_value = 0, uncertainty = 0, accepted = 0, not_graded = 0;
  };
  std::vector<ValueColumns> cols;
  for (std::size_t c = 0; c < heading.size(); ++c) {
    const std::string h = heading_word(heading[c]);
    auto take = [&](std::size_t& slot) {
      if (slot != heading.size())
        throw GradingError(where(file_name, head_line, c + 1, heading[c]) + ": a second column of this name");
      slot = c;
    };
    if (h == "name" || h == "student") {
      take(name_col);
    } else if (h == "seed1") {
      take(s1_col);
    } else if (h == "seed2") {
      take(s2_col);
    } else if (is_identifier_heading(h) && id_col == heading.size()) {
      take(id_col);
      a.id_heading = heading[c];
    } else if (c + 1 < heading.size() && heading[c + 1].find(" tolerance") != std::string::npos) {
      // "<key> (<unit>)" then "<key> tolerance (<unit>)"
      const std::string& tol = heading[c + 1];
      const std::size_t at = tol.find(" tolerance");
      const std::string key = tol.substr(0, at);
      const std::string suffix = tol.substr(at + 10);
      if (heading[c] != key + suffix)
        throw GradingError(where(file_name, head_line, c + 1, heading[c]) + ": expected the column \"" + key +
                           suffix + "\" before \"" + tol + "\"");
      ResultColumn r{key, {}};
      if (suffix.size() > 3 && suffix.substr(0, 2) == " (" && suffix.back() == ')')
        r.unit = suffix.substr(2, suffix.size() - 3);
      else if (!suffix.empty())
        throw GradingError(where(file_name, head_line, c + 2, tol) + ": the unit must be written \" (unit)\"");
      for (const auto& known : a.results)
        if (known.key == key)
          throw GradingError(where(file_name, head_line, c + 1, heading[c]) + ": the result " + key + " twice");
      a.results.push_back(std::move(r));
      cols.push_back({c, c + 1});
      ++c;
    } else {
      // "<key> true", "<key> u", "<key> accepted (<unit>)" and "<key> not
      // graded", after every result
      bool known = false;
      for (std::size_t r = 0; r < a.results.size() && !known; ++r) {
        const ResultColumn& rc = a.results[r];
        std::size_t* slot = heading[c] == rc.key + " true"                          ? &cols[r].true_value
                            : heading[c] == rc.key + " u"                           ? &cols[r].uncertainty
                            : heading[c] == with_unit({rc.key + " accepted", rc.unit}) ? &cols[r].accepted
                            : heading[c] == rc.key + " not graded"                  ? &cols[r].not_graded
                                                                                   : nullptr;
        if (slot != nullptr) {
          *slot = c;
          known = true;
        }
      }
      if (!known) throw GradingError(where(file_name, head_line, c + 1, heading[c]) + ": unknown column");
    }
  }
  if (name_col == heading.size()) throw GradingError(where(file_name, head_line) + ": no column \"name\"");
  if (s1_col == heading.size() || s2_col == heading.size())
    throw GradingError(where(file_name, head_line) + ": no columns \"seed1\" and \"seed2\"");
  if (a.results.empty()) throw GradingError(where(file_name, head_line) + ": no results (\"<key>\", \"<key> tolerance\")");

  std::unordered_map<std::string, int> ids;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& rec = records[i];
    if (rec.cells.size() > heading.size())
      throw GradingError(where(file_name, rec.line) + ": " + std::to_string(rec.cells.size()) +
                         " cells, the heading has " + std::to_string(heading.size()));
    auto cell = [&](std::size_t c) { return c < rec.cells.size() ? std::string(trim(rec.cells[c])) : std::string(); };
    auto number = [&](std::size_t c) {
      if (c == 0) return not_a_number;  // column absent (column 0 is never a number)
      const std::string s = cell(c);
      if (s.empty()) return not_a_number;
      if (const auto v = parse_number(s)) return *v;
      throw GradingError(where(file_name, rec.line, c + 1, heading[c]) + ": \"" + s + "\" is not a number");
    };
    StudentAnswers s;
    s.line = rec.line;
    s.name = text_of_cell(cell(name_col));
    if (id_col != heading.size()) s.id = text_of_cell(cell(id_col));
    for (const auto& [col, seed] : {std::pair{s1_col, &s.seed1}, std::pair{s2_col, &s.seed2}}) {
      const auto v = whole_number(cell(col));
      if (!v) throw GradingError(where(file_name, rec.line, col + 1, heading[col]) + ": \"" + cell(col) +
                                 "\" is not a seed");
      *seed = *v;
    }
    if (!s.id.empty()) {
      const auto [it, fresh] = ids.emplace(lower(s.id), rec.line);
      if (!fresh)
        throw GradingError(where(file_name, rec.line, id_col + 1, heading[id_col]) + ": " + s.id +
                           " already on line " + std::to_string(it->second));
    }
    for (const auto& c : cols) {
      Expected e{number(c.value), number(c.tolerance), number(c.true_value), number(c.uncertainty)};
      if (c.accepted != 0) {
        const std::string list = cell(c.accepted);
        std::size_t at = 0;
        while ((at = list.find_first_not_of(' ', at)) != std::string::npos) {
          const std::size_t end = std::min(list.find(' ', at), list.size());
          const std::string word = list.substr(at, end - at);
          const auto v = parse_number(word);
          if (!v)
            throw GradingError(where(file_name, rec.line, c.accepted + 1, heading[c.accepted]) + ": \"" + word +
                               "\" is not a number");
          e.accepted.push_back(*v);
          at = end;
        }
      }
      if (c.not_graded != 0) e.not_graded = cell(c.not_graded);
      s.results.push_back(std::move(e));
    }
    a.students.push_back(std::move(s));
  }
  return a;
}

std::vector<Submission> read_results(std::string_view text, std::string_view file_name, const Answers& answers) {
  const std::vector<CsvRecord> records = read_csv(text, file_name);
  if (records.empty()) throw GradingError(std::string(file_name) + ": no heading, the file is empty");
  const auto& heading = records[0].cells;
  const int head_line = records[0].line;
  const std::size_t none = heading.size();
  std::size_t name_col = none, id_col = none, s1_col = none, s2_col = none;
  std::vector<std::size_t> result_col(answers.results.size(), none);
  for (std::size_t c = 0; c < heading.size(); ++c) {
    const std::string h = heading_word(heading[c]);
    auto take = [&](std::size_t& slot) {
      if (slot != none)
        throw GradingError(where(file_name, head_line, c + 1, heading[c]) + ": a second column of this name");
      slot = c;
    };
    if (h == "name" || h == "student") {
      take(name_col);
      continue;
    }
    if (h == "seed1") {
      take(s1_col);
      continue;
    }
    if (h == "seed2") {
      take(s2_col);
      continue;
    }
    if (is_identifier_heading(h)) {
      take(id_col);
      continue;
    }
    bool known = false;
    for (std::size_t r = 0; r < answers.results.size() && !known; ++r) {
      const ResultColumn& rc = answers.results[r];
      if (same_text(heading[c], with_unit(rc)) || same_text(heading[c], rc.key)) {
        take(result_col[r]);
        known = true;
      }
    }
    if (!known) {
      std::string list;
      for (const auto& rc : answers.results) list += (list.empty() ? "" : ", ") + with_unit(rc);
      throw GradingError(where(file_name, head_line, c + 1, heading[c]) + ": unknown column; the results of " +
                         answers.file + " are " + list);
    }
  }
  if (name_col == none && id_col == none)
    throw GradingError(where(file_name, head_line) + ": no column \"name\" nor an identifier column");
  if ((s1_col == none) != (s2_col == none))
    throw GradingError(where(file_name, head_line) + ": \"seed1\" and \"seed2\" come together");
  for (std::size_t r = 0; r < answers.results.size(); ++r)
    if (result_col[r] == none)
      throw GradingError(where(file_name, head_line) + ": no column for the result " + with_unit(answers.results[r]));

  // The students of the answers by identifier and by name.
  std::unordered_map<std::string, std::size_t> by_id;
  std::unordered_multimap<std::string, std::size_t> by_name;
  for (std::size_t i = 0; i < answers.students.size(); ++i) {
    if (!answers.students[i].id.empty()) by_id.emplace(lower(answers.students[i].id), i);
    by_name.emplace(lower(answers.students[i].name), i);
  }

  std::vector<Submission> out;
  std::vector<int> seen(answers.students.size(), 0);
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& rec = records[i];
    if (rec.cells.size() > heading.size())
      throw GradingError(where(file_name, rec.line) + ": " + std::to_string(rec.cells.size()) +
                         " cells, the heading has " + std::to_string(heading.size()));
    auto cell = [&](std::size_t c) {
      return c < rec.cells.size() ? std::string(trim(rec.cells[c])) : std::string();
    };
    for (std::size_t c = 0; c < rec.cells.size(); ++c)
      if (c != name_col && c != id_col && decimal_comma(rec.cells[c]))
        throw GradingError(where(file_name, rec.line, c + 1, heading[c]) + ": \"" + cell(c) +
                           "\" has a decimal comma; write the number with a decimal point");
    Submission sub;
    sub.line = rec.line;
    if (s1_col != none) {
      const std::string a = cell(s1_col), b = cell(s2_col);
      const auto v1 = whole_number(a), v2 = whole_number(b);
      if (v1 && v2) {
        sub.seeds_given = true;
        sub.seed1 = *v1;
        sub.seed2 = *v2;
      } else if (!a.empty() || !b.empty()) {
        sub.seeds_cell = a + " " + b;
      }
    }
    const std::string id = id_col != none ? text_of_cell(cell(id_col)) : std::string();
    const std::string name = name_col != none ? text_of_cell(cell(name_col)) : std::string();
    std::size_t student = answers.students.size();
    if (!id.empty() && !by_id.empty()) {
      const auto it = by_id.find(lower(id));
      if (it == by_id.end())
        throw GradingError(where(file_name, rec.line, id_col + 1, heading[id_col]) + ": no student " + id + " in " +
                           answers.file);
      student = it->second;
    } else if (!name.empty()) {
      const auto [first, last] = by_name.equal_range(lower(name));
      std::vector<std::size_t> candidates;
      for (auto it = first; it != last; ++it) candidates.push_back(it->second);
      if (candidates.empty())
        throw GradingError(where(file_name, rec.line, name_col + 1, heading[name_col]) + ": no student \"" + name +
                           "\" in " + answers.file);
      if (candidates.size() == 1) {
        student = candidates[0];
      } else {
        // Namesakes: the seeds tell them apart.
        for (std::size_t c : candidates)
          if (sub.seeds_given && answers.students[c].seed1 == sub.seed1 && answers.students[c].seed2 == sub.seed2)
            student = c;
        if (student == answers.students.size())
          throw GradingError(where(file_name, rec.line, name_col + 1, heading[name_col]) + ": " +
                             std::to_string(candidates.size()) + " students named \"" + name + "\" in " +
                             answers.file + "; give the identifier or their seeds");
      }
    } else {
      throw GradingError(where(file_name, rec.line) + ": the row names no student");
    }
    if (seen[student])
      throw GradingError(where(file_name, rec.line) + ": " + identity(answers.students[student]) +
                         " already on line " + std::to_string(seen[student]));
    seen[student] = rec.line;
    sub.student = student;
    for (std::size_t r = 0; r < answers.results.size(); ++r) sub.cells.push_back(cell(result_col[r]));
    out.push_back(std::move(sub));
  }
  return out;
}

std::vector<double> default_weights(const Answers& answers) { return std::vector<double>(answers.results.size(), 1.0); }

std::vector<double> read_weights(std::string_view text, std::string_view file_name, const Answers& answers) {
  std::vector<double> w = default_weights(answers);
  std::vector<int> line_of(w.size(), 0);
  const std::vector<CsvRecord> records = read_csv(text, file_name);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const CsvRecord& rec = records[i];
    if (i == 0 && rec.cells.size() >= 1 && heading_word(rec.cells[0]) == "result") continue;
    if (rec.cells.size() != 2)
      throw GradingError(where(file_name, rec.line) + ": a row is \"result,weight\"");
    std::size_t r = 0;
    while (r < answers.results.size() && !same_text(rec.cells[0], answers.results[r].key)) ++r;
    if (r == answers.results.size())
      throw GradingError(where(file_name, rec.line, 1) + ": no result \"" + rec.cells[0] + "\" in " + answers.file);
    if (line_of[r])
      throw GradingError(where(file_name, rec.line, 1) + ": " + answers.results[r].key + " already on line " +
                         std::to_string(line_of[r]));
    if (decimal_comma(rec.cells[1]))
      throw GradingError(where(file_name, rec.line, 2) + ": \"" + rec.cells[1] +
                         "\" has a decimal comma; write the number with a decimal point");
    // Weights are relative: a bound far above any use keeps the weighted
    // sums finite (weights near 1e308 made every total empty).
    const auto v = parse_number(rec.cells[1]);
    if (!v || *v < 0 || *v > 1e6)
      throw GradingError(where(file_name, rec.line, 2) + ": \"" + rec.cells[1] +
                         "\" is not a weight (a number from 0 to 1000000)");
    w[r] = *v;
    line_of[r] = rec.line;
  }
  double sum = 0;
  for (double x : w) sum += x;
  if (!(sum > 0)) throw GradingError(std::string(file_name) + ": every weight is 0");
  return w;
}

double credit(double deviation, double tolerance) {
  if (std::isnan(deviation) || !(tolerance >= 0)) return 0;
  const double a = std::fabs(deviation);
  if (a <= tolerance) return 1;
  if (a <= 2 * tolerance) return 2.0 / 3.0;
  if (a <= 3 * tolerance) return 1.0 / 3.0;
  return 0;
}

std::string_view flag_name(FlagKind kind) {
  switch (kind) {
    case FlagKind::unit: return "unit";
    case FlagKind::shared: return "shared";
    case FlagKind::leaked: return "leaked";
    case FlagKind::seeds: return "seeds";
  }
  return "?";
}

bool Grade::flagged() const {
  if (!flags.empty()) return true;
  return std::any_of(marks.begin(), marks.end(), [](const Mark& m) { return !m.flags.empty(); });
}

namespace {

struct Conversion {
  double factor, offset;  // converted = reported·factor + offset
  std::string words;
};

// The slips of a unit worth recognising for a result in `unit`.
std::vector<Conversion> conversions(const std::string& unit) {
  std::vector<Conversion> out;
  if (unit == "K") {
    out.push_back({1, 273.15, "given in °C where K is expected"});
  } else if (unit == "°C") {
    out.push_back({1, -273.15, "given in K where °C is expected"});
  } else if (!unit.empty()) {
    if (unit[0] == 'k')
      out.push_back({1e-3, 0, "given in " + unit.substr(1) + " where " + unit + " is expected"});
    else
      out.push_back({1e3, 0, "given in k" + unit + " where " + unit + " is expected"});
    out.push_back({unit[0] == 'k' ? 1e3 : 1e-3, 0, "a factor 1000 off the unit " + unit});
  }
  return out;
}

// The expected values of one result across the class, sorted, to find
// whose a reported value is.
struct ClassValues {
  std::vector<std::pair<double, std::size_t>> sorted;  // expected value, student
  double widest = 0;                                    // largest tolerance/10
};

}  // namespace

std::vector<Grade> grade(const Answers& answers, std::span<const Submission> results,
                         std::span<const double> weights) {
  const std::size_t nr = answers.results.size();
  std::vector<ClassValues> by_result(nr);
  for (std::size_t r = 0; r < nr; ++r) {
    for (std::size_t i = 0; i < answers.students.size(); ++i) {
      const Expected& e = answers.students[i].results[r];
      if (!e.gradable()) continue;
      by_result[r].sorted.emplace_back(e.value, i);
      by_result[r].widest = std::max(by_result[r].widest, e.tolerance / 10);
    }
    std::sort(by_result[r].sorted.begin(), by_result[r].sorted.end());
  }
  std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> by_seeds;
  for (std::size_t i = 0; i < answers.students.size(); ++i)
    by_seeds.emplace(std::pair{answers.students[i].seed1, answers.students[i].seed2}, i);
  std::vector<const Submission*> row_of(answers.students.size(), nullptr);
  for (const Submission& s : results) row_of.at(s.student) = &s;

  std::vector<Grade> grades(answers.students.size());
  for (std::size_t i = 0; i < answers.students.size(); ++i) {
    const StudentAnswers& st = answers.students[i];
    Grade& g = grades[i];
    g.student = i;
    g.marks.resize(nr);
    const Submission* sub = row_of[i];
    if (!sub) continue;
    g.line = sub->line;

    if (sub->seeds_given && (sub->seed1 != st.seed1 || sub->seed2 != st.seed2)) {
      std::string d = "seeds " + std::to_string(sub->seed1) + " " + std::to_string(sub->seed2) + " reported, " +
                      std::to_string(st.seed1) + " " + std::to_string(st.seed2) + " handed out";
      const auto it = by_seeds.find({sub->seed1, sub->seed2});
      if (it != by_seeds.end()) d += "; they are the seeds of " + classmate(answers.students[it->second]);
      g.flags.push_back({FlagKind::seeds, d});
    } else if (!sub->seeds_cell.empty()) {
      g.flags.push_back({FlagKind::seeds, "seeds \"" + sub->seeds_cell + "\" do not read as two whole numbers"});
    }

    double earned = 0, possible = 0;
    for (std::size_t r = 0; r < nr; ++r) {
      Mark& m = g.marks[r];
      const Expected& e = st.results[r];
      m.text = sub->cells[r];
      if (!e.gradable()) {
        m.cell = Cell::not_gradable;
        m.credit = not_a_number;
        continue;
      }
      possible += weights[r];
      if (m.text.empty()) {
        m.cell = Cell::empty;
        continue;
      }
      const auto v = parse_number(m.text);
      if (!v) {
        m.cell = Cell::unreadable;
        continue;
      }
      m.cell = Cell::scored;
      m.reported = m.scored = *v;
      m.credit = credit(*v - e.value, e.tolerance);
      for (double a : e.accepted)
        if (m.credit < 1 && std::fabs(*v - a) <= e.tolerance) {
          m.credit = 1;
          m.accepted = a;
        }
      if (m.credit < 1) {
        for (const Conversion& c : conversions(answers.results[r].unit)) {
          const double converted = *v * c.factor + c.offset;
          if (std::fabs(converted - e.value) <= e.tolerance) {
            m.scored = converted;
            m.credit = 1;
            m.flags.push_back({FlagKind::unit, c.words + "; scored as " + display(converted)});
            break;
          }
        }
      }
      if (m.credit < 1) {
        const ClassValues& cv = by_result[r];
        // A classmate's expected value, rounded to the digits reported.
        const double window = std::min(cv.widest, half_unit(m.text));
        auto it = std::lower_bound(cv.sorted.begin(), cv.sorted.end(), std::pair{*v - window, std::size_t{0}});
        for (; it != cv.sorted.end() && it->first <= *v + window; ++it) {
          const StudentAnswers& other = answers.students[it->second];
          if (it->second != i && std::fabs(*v - it->first) <= std::min(other.results[r].tolerance / 10, window)) {
            m.flags.push_back({FlagKind::shared, "matches the expected value of " + classmate(other) + ", " +
                                                     display(it->first)});
            break;
          }
        }
      }
      if (e.uncertainty > 0 && !std::isnan(e.true_value) && std::fabs(*v - e.true_value) < e.uncertainty / 10 &&
          std::fabs(e.value - e.true_value) > e.uncertainty)
        m.flags.push_back({FlagKind::leaked, "lies on the hidden true value " + display(e.true_value) +
                                                 ", which this data set puts " +
                                                 display(std::fabs(e.value - e.true_value) / e.uncertainty) +
                                                 " uncertainties away"});
      earned += weights[r] * m.credit;
    }
    g.total = possible > 0 ? 100 * earned / possible : not_a_number;
  }
  return grades;
}

std::string grades_csv_heading(const Answers& answers) {
  std::string s = text_cell(answers.id_heading.empty() ? std::string("id") : answers.id_heading) + ",name,total (%)";
  for (const auto& r : answers.results) s += ',' + text_cell(r.key);
  return s;
}

std::string grades_csv_row(const Answers& answers, const Grade& g) {
  const StudentAnswers& st = answers.students[g.student];
  std::string s = text_cell(st.id) + ',' + text_cell(st.name) + ',' + fixed(g.total, 1);
  for (const Mark& m : g.marks) s += ',' + (g.line ? format_credit(m.credit) : std::string());
  return s;
}

std::string feedback_text(const Answers& answers, const Grade& g, std::span<const double> weights) {
  const StudentAnswers& st = answers.students[g.student];
  // Names, identifiers, headings and cells come from files others wrote:
  // every one is shown() (control bytes escaped) in the text.
  std::string s = shown(identity(st)) + ", seeds " + std::to_string(st.seed1) + " " + std::to_string(st.seed2) + "\n";
  if (!g.line) return s + "No results reported.\n";
  s += "Total: " + (std::isnan(g.total) ? std::string("-") : fixed(g.total, 1) + " %") + "\n\n";
  for (std::size_t r = 0; r < g.marks.size(); ++r) {
    const Mark& m = g.marks[r];
    const Expected& e = st.results[r];
    const ResultColumn& rc = answers.results[r];
    s += shown(with_unit(rc)) + ": ";
    switch (m.cell) {
      case Cell::empty: s += "nothing reported"; break;
      case Cell::unreadable: s += "\"" + shown(m.text) + "\" is not a number"; break;
      case Cell::scored: s += "reported " + shown(m.text); break;
      case Cell::not_gradable:
        s += (m.text.empty() ? std::string() : "reported " + shown(m.text) + ", ") + "not graded for your data set";
        if (!e.not_graded.empty()) s += ": " + shown(e.not_graded, 1000);
        break;
    }
    if (m.cell != Cell::not_gradable) {
      s += ", expected " + display(e.value);
      if (!e.accepted.empty()) {
        s += " (or";
        for (std::size_t k = 0; k < e.accepted.size(); ++k) s += (k ? ", " : " ") + display(e.accepted[k]);
        s += ")";
      }
      s += " ± " + display(e.tolerance) + ", credit " + credit_words(m.credit);
      if (weights[r] != 1) s += " (weight " + display(weights[r]) + ")";
    }
    s += '\n';
    for (const Flag& f : m.flags) s += "  flag (" + std::string(flag_name(f.kind)) + "): " + shown(f.detail, 1000) + "\n";
  }
  for (const Flag& f : g.flags) s += "flag (" + std::string(flag_name(f.kind)) + "): " + shown(f.detail, 1000) + "\n";
  if (g.flagged()) s += "Flags are for the instructor to look into; they take no credit.\n";
  return s;
}

std::vector<std::string> feedback_file_names(const Answers& answers) {
  std::vector<std::string> stems;
  for (const StudentAnswers& st : answers.students) {
    std::string stem = file_stem(st.id.empty() ? st.name : st.id);
    stems.push_back(stem.empty() ? std::string("student") : std::move(stem));
  }
  std::vector<std::string> names = unique_stems(stems, {".txt"}, {});
  for (std::string& n : names) n += ".txt";
  return names;
}

ClassSummary summarise(const Answers& answers, std::span<const Grade> grades, std::span<const double> weights) {
  ClassSummary cs;
  cs.students = static_cast<int>(grades.size());
  std::vector<double> totals;
  for (const Grade& g : grades) {
    if (!g.line) continue;
    ++cs.graded;
    cs.flagged += g.flagged();
    cs.seed_flags += !g.flags.empty();
    if (!std::isnan(g.total)) totals.push_back(g.total);
  }
  if (!totals.empty()) {
    double sum = 0;
    for (double t : totals) sum += t;
    cs.mean_total = sum / static_cast<double>(totals.size());
    cs.median_total = median(totals);
  }
  for (std::size_t r = 0; r < answers.results.size(); ++r) {
    ResultSummary rs;
    rs.key = answers.results[r].key;
    rs.unit = answers.results[r].unit;
    rs.weight = weights[r];
    std::vector<double> dev, abs_dev;
    for (const Grade& g : grades) {
      if (!g.line) continue;
      const Mark& m = g.marks[r];
      if (m.cell == Cell::not_gradable) continue;
      ++rs.rows;
      if (m.cell != Cell::scored) {
        ++rs.missing;
        continue;
      }
      ++rs.numbers;
      const Expected& e = answers.students[g.student].results[r];
      rs.within += m.credit == 1;
      if (e.value != 0) {
        dev.push_back((m.scored - e.value) / std::fabs(e.value));
        abs_dev.push_back(std::fabs(dev.back()));
      }
      for (const Flag& f : m.flags) {
        rs.unit_flags += f.kind == FlagKind::unit;
        rs.shared_flags += f.kind == FlagKind::shared;
        rs.leaked_flags += f.kind == FlagKind::leaked;
      }
    }
    rs.median_deviation = median(dev);
    rs.median_abs_deviation = median(abs_dev);
    cs.results.push_back(std::move(rs));
  }
  return cs;
}

namespace {
std::string share(int part, int whole) { return whole ? fixed(100.0 * part / whole, 1) : std::string(); }
std::string percent3(double v) {
  if (std::isnan(v)) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", 100 * v);
  return buf;
}
}  // namespace

std::string summary_csv(const ClassSummary& cs) {
  std::string s =
      "result,unit,weight,rows,numbers,within tolerance (%),median deviation (%),median |deviation| (%),"
      "empty or unreadable,unit flags,shared flags,leaked flags\n";
  for (const ResultSummary& r : cs.results)
    s += text_cell(r.key) + ',' + text_cell(r.unit) + ',' + csv_number(r.weight) + ',' + std::to_string(r.rows) + ',' +
         std::to_string(r.numbers) + ',' + share(r.within, r.rows) + ',' + percent3(r.median_deviation) + ',' +
         percent3(r.median_abs_deviation) + ',' + std::to_string(r.missing) + ',' + std::to_string(r.unit_flags) +
         ',' + std::to_string(r.shared_flags) + ',' + std::to_string(r.leaked_flags) + '\n';
  return s;
}

void print_summary(std::ostream& out, const Answers& answers, std::span<const Grade> grades,
                   const ClassSummary& cs) {
  out << "Graded " << cs.graded << " of " << cs.students << " students";
  if (cs.graded) out << "; total: mean " << fixed(cs.mean_total, 1) << " %, median " << fixed(cs.median_total, 1) << " %";
  out << "; " << cs.flagged << " flagged\n\n";
  std::vector<std::vector<std::string>> rows{{"result", "within tol.", "median dev.", "median |dev.|", "missing",
                                              "unit", "shared", "leaked"}};
  for (const ResultSummary& r : cs.results)
    rows.push_back({shown(r.unit.empty() ? r.key : r.key + " (" + r.unit + ")"), share(r.within, r.rows) + " %",
                    percent3(r.median_deviation) + " %", percent3(r.median_abs_deviation) + " %",
                    std::to_string(r.missing), std::to_string(r.unit_flags), std::to_string(r.shared_flags),
                    std::to_string(r.leaked_flags)});
  print_table(out, rows);

  auto who = [&](const Grade& g) {
    return "line " + std::to_string(g.line) + ", " + shown(identity(answers.students[g.student]));
  };
  bool heading = false;
  for (const Grade& g : grades) {
    if (!g.flagged()) continue;
    if (!heading) out << "\nFlags (no credit taken):\n";
    heading = true;
    for (const Flag& f : g.flags) out << "  " << who(g) << ": " << flag_name(f.kind) << ": " << shown(f.detail, 1000) << '\n';
    for (std::size_t r = 0; r < g.marks.size(); ++r)
      for (const Flag& f : g.marks[r].flags)
        out << "  " << who(g) << ": " << shown(answers.results[r].key) << ": " << flag_name(f.kind) << ": "
            << shown(f.detail, 1000) << '\n';
  }
  heading = false;
  for (const Grade& g : grades) {
    if (!g.line) continue;
    for (std::size_t r = 0; r < g.marks.size(); ++r) {
      const Mark& m = g.marks[r];
      if (m.cell != Cell::empty && m.cell != Cell::unreadable) continue;
      if (!heading) out << "\nEmpty or unreadable cells (no credit):\n";
      heading = true;
      out << "  " << who(g) << ": " << shown(answers.results[r].key) << ": "
          << (m.cell == Cell::empty ? std::string("empty") : "\"" + shown(m.text) + "\"") << '\n';
    }
  }
  heading = false;
  for (const Grade& g : grades) {
    if (g.line) continue;
    if (!heading) out << "\nNo row in the results:\n";
    heading = true;
    out << "  " << shown(identity(answers.students[g.student])) << '\n';
  }
}

}  // namespace analysis::grading
