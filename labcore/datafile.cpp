#include "labcore/datafile.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace labcore {

DataFile::~DataFile() { close(); }

bool DataFile::create(const std::filesystem::path& path) {
  // O_EXCL with O_CREAT refuses any existing name, a dangling or live
  // symbolic link included, so nothing but a brand-new file is written.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return false;
  file_ = ::fdopen(fd, "w");
  if (file_ == nullptr) {
    ::close(fd);
    return false;
  }
  failed_ = false;
  return true;
}

void DataFile::record(std::string_view line) {
  if (file_ == nullptr) return;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fputc('\n', file_) == EOF)
    failed_ = true;
}

bool DataFile::close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace labcore
