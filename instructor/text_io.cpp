#include "instructor/text_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace instructor {

bool read_bounded(const std::string& path, std::size_t limit, std::string& text, std::string& error) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = "cannot read " + path + ": " + (S_ISDIR(st.st_mode) ? std::string("it is a folder") : std::strerror(errno));
    ::close(fd);
    return false;
  }
  auto too_large = [&] {
    error = path + ": larger than " + std::to_string(limit) + " bytes, more than any file this tool reads";
    ::close(fd);
    text.clear();
    return false;
  };
  if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > limit) return too_large();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "cannot read " + path + ": " + std::strerror(errno);
      ::close(fd);
      text.clear();
      return false;
    }
    if (n == 0) break;
    if (text.size() + static_cast<std::size_t>(n) > limit) return too_large();
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s` that is not
// a C1 control character, or 0.
std::size_t printable_utf8(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  std::size_t n = 0;
  unsigned lo = 0x80, hi = 0xbf;
  if (c >= 0xc2 && c <= 0xdf) {
    n = 2;
    if (c == 0xc2) lo = 0xa0;  // U+0080..U+009F are control characters
  } else if (c >= 0xe0 && c <= 0xef) {
    n = 3;
    if (c == 0xe0) lo = 0xa0;
    if (c == 0xed) hi = 0x9f;
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4;
    if (c == 0xf0) lo = 0x90;
    if (c == 0xf4) hi = 0x8f;
  } else {
    return 0;
  }
  if (s.size() < n || b(1) < lo || b(1) > hi) return 0;
  for (std::size_t i = 2; i < n; ++i)
    if (b(i) < 0x80 || b(i) > 0xbf) return 0;
  return n;
}

}  // namespace

std::string shown(std::string_view text, std::size_t limit) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && i < limit) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      if (const std::size_t n = printable_utf8(text.substr(i))) {
        if (i + n > limit) break;  // never half a character
        out.append(text.substr(i, n));
        i += n;
        continue;
      }
    }
    ++i;
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          out += "\\x";
          out.push_back(hex[c >> 4]);
          out.push_back(hex[c & 15]);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  if (i < text.size()) out += "... (" + std::to_string(text.size() - i) + " more bytes)";
  return out;
}

bool output_written(std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return true;
  err << "lab_instructor: the output could not be written\n";
  return false;
}

}  // namespace instructor
