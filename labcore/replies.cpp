#include "labcore/replies.hpp"

#include <charconv>

namespace labcore {

namespace {
bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// The length of the UTF-8 sequence a lead byte announces; 0 for a byte that
// starts no sequence (ASCII is 1).
std::size_t sequence_length(unsigned char lead) {
  if (lead < 0x80u) return 1;
  if (lead >= 0xC2u && lead <= 0xDFu) return 2;
  if (lead >= 0xE0u && lead <= 0xEFu) return 3;
  if (lead >= 0xF0u && lead <= 0xF4u) return 4;
  return 0;
}

}  // namespace

std::string fit_field(std::string_view text, std::size_t width) {
  if (text.size() > width) {
    std::size_t cut = width;
    // text[cut] is the first byte left out. When it continues a character
    // whose lead byte lies inside the field, the whole character is left
    // out; a stray continuation byte (one with no lead byte just before it,
    // such as a Latin-1 sign typed into a UTF-8 line) costs nothing.
    std::size_t lead = cut;
    while (lead > 0 && cut - lead < 3 && is_continuation(text[lead])) --lead;
    if (lead < cut && !is_continuation(text[lead])) {
      const std::size_t len = sequence_length(static_cast<unsigned char>(text[lead]));
      if (len > 1 && lead + len > cut) cut = lead;
    }
    text = text.substr(0, cut);
  }
  std::string field(text);
  field.resize(width, ' ');
  return field;
}

bool starts_formula(std::string_view text) {
  return !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
}

std::string name_cell_field(std::string_view name, std::size_t width) {
  if (width == 0 || !starts_formula(name)) return fit_field(name, width);
  return "'" + fit_field(name, width - 1);
}

std::string_view trim_right(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool parse_int32(std::string_view text, std::int32_t& value) {
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  }
  std::int32_t v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return false;
  value = v;
  return true;
}

bool Replies::next_line(std::string& line) {
  // Cleared first: once the end of input has been met, getline leaves its
  // string as it was, and the last reply would be read again.
  line.clear();
  if (!std::getline(in_, line)) {
    if (line.empty()) return false;  // nothing before the end of input
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();  // CRLF line ends
  return true;
}

bool Replies::field(std::size_t width, std::string& out) {
  if (!next_line(line_)) return false;
  out = fit_field(line_, width);
  return true;
}

Replies::Number Replies::integer(std::int32_t& value) {
  for (;;) {
    if (!next_line(line_)) return Number::end_of_input;
    std::size_t pos = 0;
    while (pos < line_.size() && is_blank(line_[pos])) ++pos;
    if (pos == line_.size()) continue;  // blank line: keep waiting for the value
    std::size_t end = pos;
    while (end < line_.size() && !is_blank(line_[end]) && line_[end] != ',' && line_[end] != '/') ++end;
    return parse_int32(std::string_view(line_.data() + pos, end - pos), value) ? Number::ok
                                                                                : Number::not_a_number;
  }
}

bool Replies::any_character() {
  for (;;) {
    if (!next_line(line_)) return false;
    for (char c : line_)
      if (!is_blank(c)) return true;
  }
}

}  // namespace labcore
