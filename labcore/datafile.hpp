// The data-set file: created as a new file, never opened if anything of
// that name exists (a symbolic link included), written record by record.
// The dialog flushes it whenever it waits for a reply, so a run that is
// stopped there (a signal, a closed terminal) leaves every record written
// so far on disk; it is closed when the object goes away, whatever way the
// run ends.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "labcore/format.hpp"

namespace labcore {

class DataFile final : public RecordSink {
 public:
  DataFile() = default;
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  ~DataFile();

  // Creates the file exclusively. False (and errno set) when it cannot be
  // created; an existing file is left untouched.
  bool create(const std::filesystem::path& path);
  void record(std::string_view line) override;
  // Hands every record written so far to the system; false when any write
  // so far failed.
  bool flush();
  // Flushes and closes; false when any write or the close failed.
  bool close();
  bool is_open() const { return file_ != nullptr; }
  // The errno of the first failed write or close, 0 when none failed.
  int error() const { return error_; }

 private:
  void failed();
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

}  // namespace labcore
