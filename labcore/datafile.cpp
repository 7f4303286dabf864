#include "labcore/datafile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace labcore {

DataFile::~DataFile() { close(); }

bool DataFile::create(const std::filesystem::path& path) {
  // O_EXCL with O_CREAT refuses any existing name, a dangling or live
  // symbolic link included, so nothing but a brand-new file is written.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return false;
  file_ = ::fdopen(fd, "w");
  if (file_ == nullptr) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  error_ = 0;
  return true;
}

void DataFile::failed() {
  // The first failure is the one to report (a full disk, the file-size
  // limit); later ones follow from it.
  if (error_ == 0) error_ = errno != 0 ? errno : EIO;
}

void DataFile::record(std::string_view line) {
  if (file_ == nullptr) return;
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fputc('\n', file_) == EOF) failed();
}

bool DataFile::flush() {
  if (file_ == nullptr) return error_ == 0;
  errno = 0;
  if (std::fflush(file_) != 0) failed();
  return error_ == 0;
}

bool DataFile::close() {
  if (file_ == nullptr) return error_ == 0;
  errno = 0;
  if (std::fclose(file_) != 0) failed();
  file_ = nullptr;
  return error_ == 0;
}

}  // namespace labcore
