#include "instructor/text_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace instructor {

bool read_bounded(const std::string& path, std::size_t limit, std::string& text, std::string& error) {
  text.clear();
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and
  // is refused below like every other file that is not a regular one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  auto refuse = [&](const std::string& why) {
    error = "cannot read " + path + ": " + why;
    ::close(fd);
    text.clear();
    return false;
  };
  struct stat st{};
  if (::fstat(fd, &st) != 0) return refuse(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return refuse("it is a folder");
  if (!S_ISREG(st.st_mode)) return refuse("it is not a regular file (a pipe, a device or a socket)");
  if (static_cast<std::size_t>(st.st_size) > limit) {
    error = path + ": larger than " + std::to_string(limit) + " bytes, more than any file this tool reads";
    ::close(fd);
    return false;
  }
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return refuse(std::strerror(errno));
    if (n == 0) break;
    // A file that grows while it is read is still held to the bound.
    if (text.size() + static_cast<std::size_t>(n) > limit) {
      error = path + ": larger than " + std::to_string(limit) + " bytes, more than any file this tool reads";
      ::close(fd);
      text.clear();
      return false;
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

bool output_written(std::ostream& out, std::ostream& err) {
  out.flush();
  err.flush();
  if (out && err) return true;
  // When the messages themselves are lost (2>/dev/full), the status is all
  // that can tell.
  err << "lab_instructor: the output could not be written\n";
  return false;
}

}  // namespace instructor
