#include "analysis/safe_text.hpp"

#include <set>

#include "labcore/replies.hpp"

namespace analysis {

namespace {

// The code point of the well-formed UTF-8 sequence at the start of `s` and
// its length in bytes; length 0 for a byte that starts none (a stray
// continuation byte, an overlong form, a surrogate, beyond U+10FFFF).
struct Decoded {
  char32_t code = 0;
  std::size_t length = 0;
};

Decoded decode(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) return {c, 1};
  std::size_t n = 0;
  unsigned lo = 0x80, hi = 0xbf;
  char32_t code = 0;
  if (c >= 0xc2 && c <= 0xdf) {
    n = 2;
    code = c & 0x1fu;
  } else if (c >= 0xe0 && c <= 0xef) {
    n = 3;
    code = c & 0x0fu;
    if (c == 0xe0) lo = 0xa0;  // overlong
    if (c == 0xed) hi = 0x9f;  // surrogates
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4;
    code = c & 0x07u;
    if (c == 0xf0) lo = 0x90;  // overlong
    if (c == 0xf4) hi = 0x8f;  // beyond U+10FFFF
  } else {
    return {};
  }
  if (s.size() < n || b(1) < lo || b(1) > hi) return {};
  for (std::size_t i = 1; i < n; ++i) {
    if (b(i) < 0x80 || b(i) > 0xbf) return {};
    code = (code << 6) | (b(i) & 0x3fu);
  }
  return {code, n};
}

// Characters that show nothing, or change how the text around them shows:
// controls, format characters (zero widths, direction marks and
// overrides), line and paragraph separators, private use and
// noncharacters.
bool invisible(char32_t c) {
  return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0xad || c == 0x34f || c == 0x61c || c == 0x180e ||
         (c >= 0x200b && c <= 0x200f) || (c >= 0x2028 && c <= 0x202e) || (c >= 0x2060 && c <= 0x206f) ||
         c == 0xfeff || (c >= 0xfff0 && c <= 0xfffb) || (c >= 0xe000 && c <= 0xf8ff) ||
         (c >= 0xfdd0 && c <= 0xfdef) || (c & 0xfffe) == 0xfffe || c >= 0xe0000;
}

// Blanks beyond ASCII: a gap in a file name, as an ASCII blank is.
bool blank(char32_t c) {
  return c == 0xa0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200a) || c == 0x202f || c == 0x205f || c == 0x3000;
}

}  // namespace

std::size_t utf8_sequence(std::string_view s, char32_t* code) {
  if (s.empty()) return 0;
  const Decoded d = decode(s);
  if (code != nullptr) *code = d.code;
  return d.length;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xc0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xe0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
  } else {
    out.push_back(static_cast<char>(0xf0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
  }
}

std::string csv_cell(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string s = "\"";
  for (char ch : text) {
    if (ch == '"') s += '"';
    s += ch;
  }
  return s + '"';
}

std::string text_cell(std::string_view text) {
  if (labcore::starts_formula(text)) return csv_cell("'" + std::string(text));
  return csv_cell(text);
}

std::string text_of_cell(std::string_view cell) {
  if (cell.size() > 1 && cell[0] == '\'' && labcore::starts_formula(cell.substr(1))) cell.remove_prefix(1);
  return std::string(cell);
}

std::string shown(std::string_view text, std::size_t limit) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  std::size_t i = 0;
  auto escape = [&](unsigned char c) {
    out += "\\x";
    out.push_back(hex[c >> 4]);
    out.push_back(hex[c & 15]);
  };
  while (i < text.size() && i < limit) {
    const Decoded d = decode(text.substr(i));
    if (d.length > 1 && !invisible(d.code)) {
      if (i + d.length > limit) break;  // never half a character
      out.append(text.substr(i, d.length));
      i += d.length;
      continue;
    }
    if (d.length > 1) {  // a whole character that shows nothing: every byte escaped
      if (i + d.length > limit) break;
      for (std::size_t k = 0; k < d.length; ++k) escape(static_cast<unsigned char>(text[i + k]));
      i += d.length;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i++]);
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c >= 0x7f)
          escape(c);
        else
          out.push_back(static_cast<char>(c));
    }
  }
  if (i < text.size()) out += "... (" + std::to_string(text.size() - i) + " more bytes)";
  return out;
}

std::string file_stem(std::string_view name) {
  std::string out;
  bool gap = false;
  std::size_t i = 0;
  while (i < name.size()) {
    const Decoded d = decode(name.substr(i));
    const std::size_t length = d.length == 0 ? 1 : d.length;
    const char32_t c = d.code;
    const bool ascii_kept = d.length == 1 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
    const bool kept = ascii_kept || (d.length > 1 && !invisible(c) && !blank(c));
    if (kept) {
      if (gap && !out.empty()) {
        if (out.size() + 1 + length > kMaxStemBytes) break;
        out.push_back('_');
      }
      if (out.size() + length > kMaxStemBytes) break;
      if (ascii_kept)
        out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
      else
        out.append(name.substr(i, length));
      gap = false;
    } else {
      gap = true;
    }
    i += length;
  }
  return out;
}

std::vector<std::string> unique_stems(const std::vector<std::string>& stems, const std::vector<std::string>& endings,
                                      const std::vector<std::string>& taken_names) {
  std::set<std::string> taken(taken_names.begin(), taken_names.end());
  auto free_stem = [&](const std::string& stem) {
    for (const std::string& e : endings)
      if (taken.count(stem + e) != 0) return false;
    return true;
  };
  auto take = [&](const std::string& stem) {
    for (const std::string& e : endings) taken.insert(stem + e);
  };
  // The first holder of each stem keeps it, unless a taken name has it:
  // claim all of them first, so that no number given to a duplicate can
  // land on another's own stem.
  std::set<std::string> kept;
  for (const std::string& stem : stems)
    if (kept.count(stem) == 0 && free_stem(stem)) {
      kept.insert(stem);
      take(stem);
    }
  std::vector<std::string> out;
  std::set<std::string> given;
  for (const std::string& stem : stems) {
    if (kept.count(stem) != 0 && given.insert(stem).second) {
      out.push_back(stem);
      continue;
    }
    for (int n = 2;; ++n) {
      const std::string candidate = stem + "_" + std::to_string(n);
      if (free_stem(candidate)) {
        take(candidate);
        out.push_back(candidate);
        break;
      }
    }
  }
  return out;
}

}  // namespace analysis
