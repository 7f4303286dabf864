#include "labcore/datafile.hpp"

#include <cerrno>

#include "labcore/platform.hpp"

namespace labcore {

DataFile::~DataFile() { close(); }

bool DataFile::create(const std::filesystem::path& path) {
  file_ = platform::create_new_file(path);
  if (file_ == nullptr) return false;
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
