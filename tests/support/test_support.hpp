// Running whole programs in-process for the tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "labcore/program.hpp"

namespace labtest {

// Whether this build has the C library the stored digests were made with
// (glibc on Linux), or another one (MinGW's on Windows, Emscripten's), whose
// double-precision functions round some arguments otherwise.
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
inline constexpr bool kDigestsCLibrary = false;
#else
inline constexpr bool kDigestsCLibrary = true;
#endif

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, std::string_view text);

struct DialogRun {
  int status = -1;
  std::string terminal;
  std::string file;  // the data set, empty when none was created
  bool created = false;
};

// Runs the program's whole dialog with `input` as the typed replies, in
// `folder`, and reads back the file named `file_name`.
DialogRun run_dialog(const labcore::Program& program, std::string_view input,
                     const std::filesystem::path& folder, std::string_view file_name = "out.csv");

// The usual replies: file name, "Jane Doe", the seeds and "x".
std::string replies(long seed1, long seed2, std::string_view file_name = "out.csv",
                    std::string_view student = "Jane Doe");

// The data set written without a dialog, with its hidden values and the
// final generator state (its draw count).
struct DataSet {
  std::string text;
  std::vector<labcore::HiddenValue> key;
  labcore::SeedPair seeds;
};
DataSet data_set(const labcore::Program& program, std::int32_t seed1, std::int32_t seed2,
                 std::string_view student = "Jane Doe");

// Seed pairs spread over the whole 32-bit range: a xorshift sequence from
// `start`, the same on every run.
std::vector<std::pair<std::int32_t, std::int32_t>> seed_pairs(int count, std::uint32_t start);

// The seed sweep's pairs, over a thousand, the same on every run: every
// pair of 18 special seeds (0, the moduli and their neighbours, the
// extremes of the 32-bit range, the worked example's), two ladders across
// the range, 640 scattered pairs and 48 scattered equal pairs.
std::vector<std::pair<std::int32_t, std::int32_t>> sweep_seeds();

// A named hidden value of a data set (fails the test when it is missing).
double hidden(const DataSet& ds, std::string_view name);

// The records of a text, without their line ends.
std::vector<std::string> lines(std::string_view text);

// Folder of the expected outputs of every program.
std::filesystem::path expected_dir();

}  // namespace labtest
