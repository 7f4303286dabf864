// A class folder's key read back: who was handed which seeds. verify
// --class checks a handed-in file's name against it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "instructor/dataset_check.hpp"
#include "labcore/program.hpp"

namespace instructor {

struct KeyStudent {
  int line = 0;  // of the key file
  std::string name, id, file;
  std::int32_t seed1 = 0, seed2 = 0;
};

struct ClassKey {
  std::string id_heading;  // empty when the key has no identifier column
  std::vector<std::string> columns;  // the hidden values' headings, in order
  std::vector<KeyStudent> students;
};

// Reads OUTDIR/<program>_key.csv. On failure, false with a message naming
// the file (and the line).
bool read_class_key(const std::filesystem::path& outdir, const labcore::Program& program, ClassKey& key,
                    std::string& error);

// Whether a checked file belongs to the roster student whose seeds it
// carries: empty when it does, else a sentence for the instructor naming
// the name in the file and the student(s) of those seeds.
std::string class_mismatch(const ClassKey& key, const DataSetCheck& check);

// Whether a checked file handed in under a name of the key's files holds
// that student's data set: empty when it does (or when its name is none of
// the key's), else a sentence naming whose file the name is and whose
// seeds it holds (a classmate's data set renamed).
std::string file_name_mismatch(const ClassKey& key, const std::filesystem::path& path, const DataSetCheck& check);

}  // namespace instructor
