// Checking a handed-in data set against what its program writes: the
// program, the student's name and the seeds are read from the file's own
// prologue, the data set is generated again and the records compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "labcore/program.hpp"

namespace instructor {

// No program writes more than a few kilobytes; a file beyond this is no
// data set of this suite and is not read further.
constexpr std::size_t kMaxDataSetBytes = 1u << 20;

struct DataSetCheck {
  enum class Verdict {
    identical,   // every record as the program writes it
    differs,     // a record differs, is missing or is extra, or the last line end is missing
    unusable,    // cannot be read, or is not a data set of this suite
  };
  Verdict verdict = Verdict::unusable;
  // differs, but only in the last printed digit of this many numbers (a
  // few: at most one in ten of the file's numbers), as another build of
  // the program may write them (an earlier one, or one with another C
  // library); 0 otherwise.
  std::size_t last_digit_numbers = 0;
  std::string problem;  // unusable: why, naming the file

  const labcore::Program* program = nullptr;
  std::int32_t seed1 = 0, seed2 = 0;
  // The student's name field as the file holds it (30 characters, padded
  // with blanks), the name without that padding, and its whole record.
  std::string name_field, student, name_record;
  bool model_failed = false;  // the program's run ends with the model's failure message

  // A re-saved file: line ends CR LF instead of LF, or a UTF-8 byte-order
  // mark before the first record. Both are set aside before comparing.
  bool crlf = false;
  bool bom = false;
  // The records, each with an LF (line ends and byte-order mark set
  // aside): two files hand in the same text when theirs agree.
  std::string records;

  // differs: the first record that differs (1-based), with both versions;
  // a missing record is empty with has_... false. record is 0 when all
  // records agree but the last one has no line end.
  std::size_t record = 0;
  bool in_file_present = false, written_present = false;
  std::string in_file, written;
};

DataSetCheck check_data_set(const std::string& path);

}  // namespace instructor
