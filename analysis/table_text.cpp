#include "analysis/table_text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "analysis/safe_text.hpp"

namespace analysis {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

namespace {

int line_at(std::string_view text, std::size_t at) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

// Windows-1252's characters for the bytes 0x80..0x9f; the five bytes it
// leaves undefined keep the C1 control of their value.
constexpr char32_t windows_1252[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};

// UTF-16 text after its byte-order mark, as UTF-8.
std::string from_utf16(std::string_view bytes, bool little, std::string_view file) {
  std::string out;
  auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(little ? a | (b << 8) : (a << 8) | b);
  };
  int line = 1;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xd800 && c <= 0xdbff && i + 3 < bytes.size() && unit(i + 2) >= 0xdc00 && unit(i + 2) <= 0xdfff) {
      c = 0x10000 + ((c - 0xd800) << 10) + (unit(i + 2) - 0xdc00);
      i += 2;
    } else if (c >= 0xd800 && c <= 0xdfff) {
      throw InputError(file, line, "a broken UTF-16 character; save the file as CSV UTF-8");
    }
    if (c == 0) throw InputError(file, line, "a NUL character: this is no text file");
    if (c == '\n') ++line;
    append_utf8(out, c);
  }
  if (bytes.size() % 2 != 0) throw InputError(file, line, "UTF-16 text cut off in the middle of a character");
  return out;
}

// The text of a file's bytes as UTF-8.
std::string decoded(std::string_view bytes, std::string_view file, std::vector<std::string>& notes) {
  auto starts = [&](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
  if (starts("PK\x03\x04"))
    throw InputError(file, 0, "a zip file (a workbook such as .xlsx or .ods?), not CSV text: save the sheet as CSV");
  if (starts(std::string_view("\xD0\xCF\x11\xE0", 4)))
    throw InputError(file, 0, "an .xls workbook, not CSV text: save the sheet as CSV");
  if (starts("%PDF")) throw InputError(file, 0, "a PDF document, not CSV text");
  if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
    notes.push_back(std::string(file) + ": read as UTF-16 text (a spreadsheet's \"Unicode text\")");
    return from_utf16(bytes.substr(2), bytes[0] == '\xFF', file);
  }
  if (starts("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
    // UTF-16 of ASCII text without its mark: every other byte is NUL.
    std::size_t zeros = 0, n = std::min<std::size_t>(bytes.size(), 200);
    for (std::size_t i = 0; i < n; ++i) zeros += bytes[i] == '\0';
    if (zeros * 3 >= n)
      throw InputError(file, 0, "UTF-16 text without a byte-order mark: save the file as CSV UTF-8");
    throw InputError(file, line_at(bytes, nul), "a NUL byte: this is no text file");
  }
  std::size_t multibyte = 0, first_stray = std::string_view::npos;
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = utf8_sequence(bytes.substr(i));
    if (n == 0) {
      if (first_stray == std::string_view::npos) first_stray = i;
      ++i;
    } else {
      ++multibyte;
      i += n;
    }
  }
  if (first_stray == std::string_view::npos) return std::string(bytes);
  const int line = line_at(bytes, first_stray);
  if (multibyte > 0)
    throw InputError(file, line,
                     "bytes that are not UTF-8 in a text that is UTF-8 elsewhere: save the file as CSV UTF-8");
  notes.push_back(std::string(file) + ", line " + std::to_string(line) +
                  ": not UTF-8; the file is read as Windows-1252 (save it as CSV UTF-8 to be sure of its "
                  "accented letters)");
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    append_utf8(out, c >= 0x80 && c < 0xa0 ? windows_1252[c - 0x80] : static_cast<char32_t>(c));
  }
  return out;
}

// The separator: a first line "sep=X" (which a spreadsheet may write) is
// taken off and names it; else the most frequent of comma, semicolon and
// tab outside quotes in the first record (comma when none or a tie).
char find_separator(std::string& text, bool comments) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = trim(std::string_view(text).substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || (comments && line.front() == '#')) {
      start = end + 1;
      continue;
    }
    if (line.size() == 5 && (line.substr(0, 4) == "sep=" || line.substr(0, 4) == "SEP=")) {
      const char sep = line[4];
      text.replace(start, end - start, "");  // the line stays, empty: line numbers hold
      return sep;
    }
    std::size_t comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (std::size_t i = start; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == '\n') break;
      comma += c == ',';
      semicolon += c == ';';
      tab += c == '\t';
    }
    if (semicolon > comma && semicolon >= tab) return ';';
    if (tab > comma && tab > semicolon) return '\t';
    return ',';
  }
  return ',';
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// Evidence of a file's decimal mark in a cell: +1 for a decimal comma that
// cannot be a thousands separator ("41,25", "0,5"), -1 for such a decimal
// point, 0 for none.
int decimal_evidence(std::string_view cell) {
  cell = trim(cell);
  if (!cell.empty() && (cell.front() == '-' || cell.front() == '+')) cell.remove_prefix(1);
  const std::size_t mark = cell.find_first_of(",.");
  if (mark == std::string_view::npos || mark == 0 || cell.find_first_of(",.", mark + 1) != std::string_view::npos)
    return 0;
  for (std::size_t i = 0; i < cell.size(); ++i)
    if (i != mark && !digit(cell[i])) return 0;
  const std::size_t after = cell.size() - mark - 1;
  if (after == 0 || (after == 3 && cell.substr(0, mark) != "0")) return 0;
  return cell[mark] == ',' ? 1 : -1;
}

}  // namespace

std::string Problem::text() const {
  std::string s = shown(file, 4096);
  if (line > 0) s += ", line " + std::to_string(line);
  if (column > 0) {
    s += ", column " + std::to_string(column);
    if (!heading.empty()) s += " (" + shown(heading) + ")";
  }
  return s + ": " + what;
}

namespace {
std::string joined(const std::vector<Problem>& problems) {
  std::string s;
  for (const Problem& p : problems) s += (s.empty() ? "" : "\n") + p.text();
  return s;
}
}  // namespace

InputError::InputError(std::vector<Problem> problems) : std::runtime_error(joined(problems)), problems_(std::move(problems)) {}

InputError::InputError(std::string_view file, int line, std::string what)
    : InputError(std::vector<Problem>{Problem{std::string(file), line, 0, {}, std::move(what)}}) {}

Table read_table(std::string_view bytes, std::string_view file_name, TableOptions options) {
  Table table;
  std::string text = decoded(bytes, file_name, table.notes);
  table.separator = find_separator(text, options.comments);
  const char sep = table.separator;

  CsvRecord record;
  std::string cell;
  int line = 1;
  record.line = 1;
  bool quoted = false, in_quotes = false, at_start = true;
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
    if (!blank) table.records.push_back(std::move(record));
    record = CsvRecord{};
    record.line = line;
    at_start = true;
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
      continue;
    }
    if (at_start && options.comments && ch == '#' && record.cells.empty() && trim(cell).empty()) {
      const std::size_t end = text.find('\n', i);
      if (end == std::string::npos) break;
      i = end - 1;  // the line end closes the (empty) record
      continue;
    }
    at_start = false;
    if (ch == '"' && trim(cell).empty() && !quoted) {
      in_quotes = quoted = true;
      quote_line = line;
      cell.clear();
    } else if (ch == sep) {
      end_cell();
    } else if (ch == '\n') {
      ++line;
      end_record();
    } else if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      // CRLF: the LF ends the record
    } else if (!quoted || (ch != ' ' && ch != '\t')) {
      cell += ch;
    }
  }
  if (in_quotes) throw InputError(file_name, quote_line, "a quoted cell is not closed");
  if (!cell.empty() || !record.cells.empty()) end_record();

  int evidence_comma = 0, evidence_point = 0;
  for (std::size_t r = 1; r < table.records.size(); ++r)
    for (const std::string& c : table.records[r].cells) {
      const int e = decimal_evidence(c);
      evidence_comma += e > 0;
      evidence_point += e < 0;
    }
  table.decimal_comma = evidence_comma > 0 && evidence_point == 0   ? true
                        : evidence_point > 0 && evidence_comma == 0 ? false
                                                                    : sep != ',';
  return table;
}

std::vector<CsvRecord> read_csv(std::string_view text, std::string_view file_name) {
  return read_table(text, file_name).records;
}

std::optional<double> parse_number(std::string_view cell) {
  std::string_view s = trim(cell);
  // A spreadsheet takes a leading plus sign; from_chars does not.
  if (s.size() > 1 && s.front() == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  // The whole cell must be the number; "inf" and "nan" are text to a
  // spreadsheet, and so is a number too large for a double.
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

namespace {

// A minus as people type it: '-', the minus sign U+2212, the en dash
// U+2013; its length in bytes, 0 for none.
std::size_t minus_at(std::string_view s) {
  if (!s.empty() && s[0] == '-') return 1;
  if (s.substr(0, 3) == "\xE2\x88\x92" || s.substr(0, 3) == "\xE2\x80\x93") return 3;
  return 0;
}

// A blank between groups of digits: a space, no-break space, narrow
// no-break space or thin space; its length in bytes, 0 for none.
std::size_t group_blank_at(std::string_view s) {
  if (!s.empty() && s[0] == ' ') return 1;
  if (s.substr(0, 2) == "\xC2\xA0") return 2;
  if (s.substr(0, 3) == "\xE2\x80\xAF" || s.substr(0, 3) == "\xE2\x80\x89") return 3;
  return 0;
}

// A superscript digit or minus (an exponent written as 10⁴): the digit
// ('-' for the minus) and its length, length 0 for none.
std::size_t superscript_at(std::string_view s, char& c) {
  if (s.substr(0, 2) == "\xC2\xB9") return c = '1', 2;
  if (s.substr(0, 2) == "\xC2\xB2") return c = '2', 2;
  if (s.substr(0, 2) == "\xC2\xB3") return c = '3', 2;
  if (s.substr(0, 2) == "\xE2\x81" && s.size() >= 3) {
    const auto b = static_cast<unsigned char>(s[2]);
    if (b == 0xB0) return c = '0', 3;
    if (b >= 0xB4 && b <= 0xB9) return c = static_cast<char>('4' + (b - 0xB4)), 3;
    if (b == 0xBB) return c = '-', 3;
  }
  return 0;
}

// Digits grouped by thousands with `mark`: 1 to 3 digits, then groups of
// exactly 3.
bool grouped(std::string_view s, char mark) {
  std::size_t first = s.find(mark);
  if (first == 0 || first > 3) return false;
  for (std::size_t at = first; at != std::string_view::npos;) {
    const std::size_t next = s.find(mark, at + 1);
    const std::size_t len = (next == std::string_view::npos ? s.size() : next) - at - 1;
    if (len != 3) return false;
    at = next;
  }
  return true;
}

}  // namespace

std::optional<WrittenNumber> read_written_number(std::string_view cell, bool decimal_comma, std::string* ambiguous) {
  std::string_view s = trim(cell);
  bool negative = false;
  if (!s.empty() && s[0] == '+') {
    s.remove_prefix(1);
  } else if (const std::size_t m = minus_at(s)) {
    negative = true;
    s.remove_prefix(m);
  }
  // The mantissa: digits, decimal marks and blanks between groups of three.
  std::string mantissa;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (digit(c) || c == '.' || c == ',') {
      mantissa += c;
      ++i;
      continue;
    }
    const std::size_t b = group_blank_at(s.substr(i));
    if (b && !mantissa.empty() && digit(mantissa.back()) && i + b + 3 <= s.size() && digit(s[i + b]) &&
        digit(s[i + b + 1]) && digit(s[i + b + 2]) && (i + b + 3 == s.size() || !digit(s[i + b + 3]))) {
      mantissa += '_';
      i += b;
      continue;
    }
    break;
  }
  if (std::none_of(mantissa.begin(), mantissa.end(), digit)) return std::nullopt;
  // Separators: the file's decimal mark, the other one for groups; when a
  // cell has both, the last one is the decimal mark.
  const char point = decimal_comma ? ',' : '.', other = decimal_comma ? '.' : ',';
  const std::size_t points = static_cast<std::size_t>(std::count(mantissa.begin(), mantissa.end(), point));
  const std::size_t others = static_cast<std::size_t>(std::count(mantissa.begin(), mantissa.end(), other));
  char decimal = 0, group = 0;
  if (points > 0 && others > 0) {
    decimal = mantissa.find_last_of(",.") == mantissa.rfind(point) ? point : other;
    group = decimal == point ? other : point;
    if (std::count(mantissa.begin(), mantissa.end(), decimal) != 1) return std::nullopt;
  } else if (points + others == 1) {
    const char mark = points ? point : other;
    const std::size_t at = mantissa.find(mark);
    const std::string_view before = std::string_view(mantissa).substr(0, at);
    const std::size_t after = mantissa.size() - at - 1;
    if (mark == other && after == 3 && !before.empty() && before.size() <= 3 && before != "0" &&
        before.find('_') == std::string_view::npos) {
      if (ambiguous != nullptr) {
        std::string whole = mantissa, fraction = mantissa;
        whole.erase(at, 1);
        fraction[at] = '.';
        *ambiguous = "\"" + shown(trim(cell)) + "\" could be " + whole + " or " + fraction +
                     "; write it without a thousands separator";
      }
      return std::nullopt;
    }
    decimal = mark;
  } else if (points + others > 1) {
    group = points ? point : other;  // "1,234,567": groups only
  }
  std::string plain;  // the mantissa with a decimal point and no groups
  std::string_view integer = mantissa, fraction;
  if (decimal) {
    const std::size_t at = mantissa.find(decimal);
    integer = std::string_view(mantissa).substr(0, at);
    fraction = std::string_view(mantissa).substr(at + 1);
  }
  if (group) {
    std::string g(integer);
    std::replace(g.begin(), g.end(), '_', group);
    if (!grouped(g, group)) return std::nullopt;
  } else if (integer.find('_') != std::string_view::npos) {
    std::string g(integer);
    std::replace(g.begin(), g.end(), '_', ' ');
    if (!grouped(g, ' ')) return std::nullopt;
  }
  for (const char c : integer)
    if (digit(c)) plain += c;
  if (fraction.find_first_of("_.,") != std::string_view::npos) return std::nullopt;
  if (plain.empty() && fraction.empty()) return std::nullopt;
  if (plain.empty()) plain = "0";
  if (!fraction.empty()) plain += "." + std::string(fraction);

  // The exponent: E/e and digits, or ×10^n, x10^n, *10^n, ·10^n, ×10ⁿ.
  std::string_view rest = s.substr(i);
  int exponent = 0;
  auto read_exponent = [&](std::string_view t, std::size_t& used) {
    std::size_t k = 0;
    bool neg = false;
    if (!t.empty() && t[0] == '+') {
      k = 1;
    } else if (const std::size_t m = minus_at(t)) {
      neg = true;
      k = m;
    }
    const std::size_t from = k;
    int e = 0;
    while (k < t.size() && digit(t[k]) && k - from < 4) e = 10 * e + (t[k++] - '0');
    if (k == from) return false;
    exponent = neg ? -e : e;
    used = k;
    return true;
  };
  if (!rest.empty() && (rest[0] == 'e' || rest[0] == 'E')) {
    std::size_t used = 0;
    if (read_exponent(rest.substr(1), used)) rest.remove_prefix(1 + used);
  } else {
    std::string_view t = trim(rest);
    std::size_t times = 0;
    if (!t.empty() && (t[0] == 'x' || t[0] == 'X' || t[0] == '*')) times = 1;
    if (t.substr(0, 2) == "\xC3\x97" || t.substr(0, 2) == "\xC2\xB7") times = 2;  // × ·
    if (times != 0) {
      std::string_view u = trim(t.substr(times));
      if (u.substr(0, 2) == "10") {
        u.remove_prefix(2);
        std::size_t used = 0;
        if (!u.empty() && u[0] == '^' && read_exponent(u.substr(1), used)) {
          rest = u.substr(1 + used);
        } else {
          std::string sup;
          std::size_t k = 0;
          char c = 0;
          while (const std::size_t n = superscript_at(u.substr(k), c)) {
            sup += c;
            k += n;
          }
          if (!sup.empty() && read_exponent(sup, used) && used == sup.size()) rest = u.substr(k);
        }
      }
    }
  }

  WrittenNumber w;
  double v = 0;
  const std::string text = plain + "e" + std::to_string(exponent);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
  w.value = negative ? -v : v;
  // The last digit written: the last of the fraction, or of a whole
  // number without its trailing zeros (taken as placeholders).
  std::string digits = plain;
  digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
  int last = exponent - static_cast<int>(fraction.size());
  if (decimal == 0)
    while (digits.size() > 1 && digits.back() == '0') {
      digits.pop_back();
      ++last;
    }
  const std::size_t lead = digits.find_first_not_of('0');
  w.digits = lead == std::string::npos ? 0 : static_cast<int>(digits.size() - lead);
  w.half_unit = 0.5 * std::pow(10.0, last);
  w.rest = std::string(trim(rest));
  return w;
}

}  // namespace analysis
