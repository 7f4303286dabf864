// The program binaries carry their own copy of the C and mathematics
// libraries (they are linked statically for a fast start), while this test
// binary uses the system's shared ones. Every program's binary, run with a
// scripted dialog, must write exactly the data set generated here
// in-process, over seeds that reach the edges of every draw.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "labcore/registry.hpp"
#include "support/test_support.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Exit status of `binary` run in `folder` with `input` as its standard input.
int run_binary(const fs::path& binary, const fs::path& folder, const std::string& input) {
  const fs::path replies = folder / "replies.txt";
  labtest::write_file(replies, input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, replies.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string path = binary.string();
  char* argv[] = {path.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(ProgramBinaries, WriteTheInProcessDataSetsOverManySeeds) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "in the sanitizer build the programs use the shared libraries, as this test does";
#endif
  constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
  std::vector<std::pair<std::int32_t, std::int32_t>> seeds = {
      {0, 0}, {lowest, highest}, {highest, lowest}, {2147483562, 2147483398}};
  for (const auto& pair : labtest::seed_pairs(6, 977u)) seeds.push_back(pair);

  const fs::path bin = fs::path(LAB_BINARY_DIR) / "bin";
  int compared = 0;
  for (const labcore::Program* program : labcore::all_programs()) {
    const fs::path binary = bin / std::string(program->name);
    if (!fs::exists(binary)) continue;
    for (const auto& [s1, s2] : seeds) {
      SCOPED_TRACE(std::string(program->name) + " " + std::to_string(s1) + " " + std::to_string(s2));
      std::string want;
      int want_status = 0;
      try {
        want = labtest::data_set(*program, s1, s2).text;
      } catch (const labcore::Failure&) {
        want_status = 3;  // the model failed for these seeds: the file keeps what came before
      }
      labtest::TempDir dir;
      ASSERT_EQ(run_binary(binary, dir.path(), labtest::replies(s1, s2)), want_status);
      if (want_status == 0) {
        EXPECT_EQ(labtest::read_file(dir.path() / "out.csv"), want);
      }
      ++compared;
    }
  }
  // Every program's binary is built along with this test.
  EXPECT_EQ(compared, static_cast<int>(labcore::all_programs().size() * seeds.size()));
}

}  // namespace
