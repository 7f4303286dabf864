// The data-set file: created as a new file, never opened if anything of
// that name exists (a symbolic link included), written line by line and
// closed when the object goes away, whatever way the run ends.
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
  // Flushes and closes; false when any write or the close failed.
  bool close();

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace labcore
