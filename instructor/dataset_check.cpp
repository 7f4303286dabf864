#include "instructor/dataset_check.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "instructor/generate.hpp"
#include "instructor/text_io.hpp"
#include "labcore/registry.hpp"

namespace instructor {

namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The seeds as the prologue of the program's dialog form records them:
// true, or false with `where` naming the records that should hold them.
bool read_seeds(const std::vector<std::string>& lines, labcore::Form form, std::int32_t& s1, std::int32_t& s2,
                std::string& where) {
  auto number_after = [](const std::string& line, std::string_view label, std::int32_t& v) {
    const std::size_t at = line.find(label);
    if (at == std::string::npos) return false;
    std::size_t p = at + label.size();
    while (p < line.size() && line[p] == ' ') ++p;
    std::size_t e = p;
    if (e < line.size() && line[e] == '-') ++e;
    while (e < line.size() && line[e] >= '0' && line[e] <= '9') ++e;
    auto [ptr, ec] = std::from_chars(line.data() + p, line.data() + e, v);
    return ec == std::errc() && ptr == line.data() + e && e > p;
  };
  // The record the form labels the first seed in, for the message.
  const std::string_view label = form == labcore::Form::A   ? "\"seed1: \","
                                 : form == labcore::Form::B ? "seed1: ,"
                                 : form == labcore::Form::C ? "first seed:, "
                                                            : "iseed1 = ";
  where = "no record among records 4 to 12 holds the seeds";
  for (std::size_t i = 3; i < lines.size() && i < 12; ++i)
    if (lines[i].find(label) != std::string::npos) {
      const bool two = form == labcore::Form::A || form == labcore::Form::B;
      where = two ? "records " + std::to_string(i + 1) + " and " + std::to_string(i + 2) + " (the seeds)"
                  : "record " + std::to_string(i + 1) + " (the seeds)";
      where += " cannot be read as two whole numbers";
      break;
    }
  for (std::size_t i = 3; i < lines.size() && i < 12; ++i) {
    const std::string& l = lines[i];
    switch (form) {
      case labcore::Form::A:
        if (number_after(l, "\"seed1: \",", s1) && i + 1 < lines.size() && number_after(lines[i + 1], "\"seed2: \",", s2))
          return true;
        break;
      case labcore::Form::B:
        if (number_after(l, "seed1: ,", s1) && i + 1 < lines.size() && number_after(lines[i + 1], "seed2: ,", s2))
          return true;
        break;
      case labcore::Form::C:
        if (number_after(l, "first seed:, ", s1) && number_after(l, ",second seed:, ", s2)) return true;
        break;
      case labcore::Form::D:
        if (number_after(l, "iseed1 = ", s1) && number_after(l, "iseed2 = ", s2)) return true;
        break;
    }
  }
  return false;
}

// The words of a record: its text between commas and blanks.
std::vector<std::string_view> words(std::string_view record) {
  std::vector<std::string_view> w;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= record.size(); ++i)
    if (i == record.size() || record[i] == ',' || record[i] == ' ') {
      if (i > start) w.push_back(record.substr(start, i - start));
      start = i + 1;
    }
  return w;
}

// A number with a decimal point (Fw.d, Ew.d or list-directed): its value
// and the value of one unit in its last printed digit.
bool decimal_number(std::string_view word, double& value, double& unit) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) return false;
  const std::size_t point = word.find('.');
  if (point == std::string_view::npos) return false;
  const std::size_t e = word.find_first_of("Ee");
  int exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view ex = word.substr(e + 1);
    if (!ex.empty() && ex.front() == '+') ex.remove_prefix(1);
    std::from_chars(ex.data(), ex.data() + ex.size(), exponent);
  }
  const auto decimals = static_cast<int>((e == std::string_view::npos ? word.size() : e) - point - 1);
  unit = std::pow(10.0, exponent - decimals);
  return true;
}

// Whether two records hold the same words but for numbers that differ only
// in their last printed digit: by at most 3 units there (a value on the
// other side of a rounding boundary, or moved by a unit or two in its last
// bit), or, for digits printed beyond single precision, by at most 2^-21 of
// the value. Counts those numbers into `numbers`.
bool differ_in_last_digits(std::string_view in_file, std::string_view written, std::size_t& numbers) {
  const auto a = words(in_file), b = words(written);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    double va = 0, vb = 0, ua = 0, ub = 0;
    if (!decimal_number(a[i], va, ua) || !decimal_number(b[i], vb, ub)) return false;
    const double d = std::fabs(va - vb);
    if (!(d <= 3.0 * std::max(ua, ub) * (1.0 + 1e-9) || d <= 0x1p-21 * std::fabs(vb))) return false;
    ++numbers;
  }
  return true;
}

// The decimal numbers of a data set.
std::size_t count_numbers(const std::vector<std::string>& lines) {
  std::size_t n = 0;
  for (const std::string& l : lines)
    for (std::string_view w : words(l)) {
      double v = 0, u = 0;
      n += decimal_number(w, v, u) ? 1u : 0u;
    }
  return n;
}

}  // namespace

DataSetCheck check_data_set(const std::string& path) {
  DataSetCheck c;
  std::string text;
  if (!read_bounded(path, kMaxDataSetBytes, text, c.problem)) return c;
  auto unusable = [&](const std::string& why) {
    c.problem = path + ": " + why;
    return c;
  };
  // A spreadsheet or editor that re-saves the file may add a byte-order
  // mark and CR LF line ends; no program writes either (their records hold
  // no CR), so both are set aside and reported.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    c.bom = true;
    text.erase(0, 3);
  }
  std::vector<std::string> lines = split_lines(text);
  for (std::string& l : lines)
    if (!l.empty() && l.back() == '\r') {
      c.crlf = true;
      l.pop_back();
    }
  if (lines.size() < 3) return unusable("not a data set of this suite (too short)");
  for (const labcore::Program* p : labcore::all_programs()) {
    labcore::StringSink header;
    labcore::Records(header).write(p->header_format);
    if (header.text == lines[0] + "\n") c.program = p;
  }
  if (c.program == nullptr) return unusable("the first record names no program of this suite");
  const std::string& name_record = lines[2];
  if (name_record.size() != 33 || name_record.front() != '"' || name_record.substr(31) != "\",")
    return unusable("record 3 is not a student name record");
  const std::string name = name_record.substr(1, 30);
  c.name_field = name;
  c.student = name.substr(0, name.find_last_not_of(' ') + 1);
  c.name_record = name_record;
  std::string seeds_where;
  if (!read_seeds(lines, c.program->form, c.seed1, c.seed2, seeds_where)) return unusable(seeds_where);
  for (const std::string& l : lines) c.records += l + '\n';

  const Generated g = generate(*c.program, name, c.seed1, c.seed2);
  c.model_failed = !g.failure.empty();
  const std::vector<std::string> want = split_lines(g.text);
  c.verdict = DataSetCheck::Verdict::differs;
  for (std::size_t i = 0; i < std::max(lines.size(), want.size()); ++i) {
    c.in_file_present = i < lines.size();
    c.written_present = i < want.size();
    if (c.in_file_present && c.written_present && lines[i] == want[i]) continue;
    c.record = i + 1;
    if (c.in_file_present) c.in_file = lines[i];
    if (c.written_present) c.written = want[i];
    // Every record there, and the differences all in last digits of a few
    // numbers: most likely another build's data set.
    if (lines.size() != want.size() || text.empty() || text.back() != '\n') return c;
    std::size_t numbers = 0;
    for (std::size_t k = i; k < lines.size(); ++k)
      if (lines[k] != want[k] && !differ_in_last_digits(lines[k], want[k], numbers)) return c;
    if (numbers > 0 && numbers * 10 <= count_numbers(want)) c.last_digit_numbers = numbers;
    return c;
  }
  c.in_file_present = c.written_present = false;
  if (text.empty() || text.back() != '\n') return c;  // record 0: the last line end is missing
  c.verdict = DataSetCheck::Verdict::identical;
  return c;
}

}  // namespace instructor
