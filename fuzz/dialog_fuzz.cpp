// Arbitrary bytes typed into the dialog of every program: nothing may crash,
// nothing may be written but the one named file inside the run's folder,
// and a file that exists is never touched.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "labcore/registry.hpp"
#include "labcore/replies.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() {
  static const fs::path dir = [] {
    std::string templ = (fs::temp_directory_path() / "labfuzz-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    std::ofstream(fs::path(templ) / "taken.csv") << "keep\n";
    return fs::path(templ);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto programs = labcore::all_programs();
  if (size < 1 || programs.empty()) return 0;
  const labcore::Program& program = *programs[data[0] % programs.size()];
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  // The name the program will take: a name with a folder part is written
  // where it points, so remember whether that place was free before.
  std::string first = input.substr(0, input.find('\n'));
  if (!first.empty() && first.back() == '\r') first.pop_back();
  const std::string name(labcore::trim_right(labcore::fit_field(first, 20)));
  const bool elsewhere = name.find('/') != std::string::npos;
  std::error_code ec;
  const fs::path target = folder() / name;
  const bool existed = name.empty() || fs::exists(fs::symlink_status(target, ec));

  std::istringstream in(input);
  std::ostringstream terminal;
  const int status = labcore::run_program(program, in, terminal, folder());
  if (status < 0 || status > 5) std::abort();
  if (elsewhere && !existed && fs::is_regular_file(fs::symlink_status(target, ec))) fs::remove(target, ec);
  // Only the files of this run's folder, and the taken name untouched.
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder())) {
    (void)entry;
    ++files;
  }
  std::ifstream taken(folder() / "taken.csv");
  std::string line;
  if (!std::getline(taken, line) || line != "keep") std::abort();
  for (const auto& entry : fs::directory_iterator(folder()))
    if (entry.path().filename() != "taken.csv") fs::remove_all(entry.path());
  if (files > 2) {
    // A name with a folder part could create at most the file itself.
    std::abort();
  }
  return 0;
}
