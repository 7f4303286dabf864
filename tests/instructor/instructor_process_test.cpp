// lab_instructor as a process: exit statuses when its own output fails, a
// disk that fills part-way, folders it may not search, devices handed in
// as data sets, and its memory over a large class.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

std::string binary() {
  if (const char* b = std::getenv("LAB_INSTRUCTOR")) return b;
  return LAB_BINARY_DIR "/bin/lab_instructor";
}

enum class Stdout { file, dev_full, closed, broken_pipe };

struct Options {
  Stdout out = Stdout::file;
  rlim_t max_file_bytes = RLIM_INFINITY;
  bool as_nobody = false;
  bool stderr_full = false;  // the messages go to /dev/full
};

struct Exit {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out, err;
};

// Runs lab_instructor with `args`; stdout and stderr go to files in `dir`.
Exit run_tool(const std::vector<std::string>& args, const fs::path& dir, const Options& o = {}) {
  const fs::path out_file = dir / "stdout.txt", err_file = dir / "stderr.txt";
  int pipe_fds[2] = {-1, -1};
  if (o.out == Stdout::broken_pipe) {
    EXPECT_EQ(::pipe(pipe_fds), 0);
    ::close(pipe_fds[0]);
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int e = o.stderr_full ? ::open("/dev/full", O_WRONLY)
                                : ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(e, 2);
    switch (o.out) {
      case Stdout::file: ::dup2(::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1); break;
      case Stdout::dev_full: ::dup2(::open("/dev/full", O_WRONLY), 1); break;
      case Stdout::closed: ::close(1); break;
      case Stdout::broken_pipe: ::dup2(pipe_fds[1], 1); break;
    }
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit fsize{o.max_file_bytes, o.max_file_bytes};
    ::setrlimit(RLIMIT_FSIZE, &fsize);
    if (o.as_nobody) {
      const passwd* pw = ::getpwnam("nobody");
      if (pw == nullptr || ::setgroups(0, nullptr) != 0 || ::setgid(pw->pw_gid) != 0 || ::setuid(pw->pw_uid) != 0)
        ::_exit(120);
    }
    std::vector<char*> argv{const_cast<char*>("lab_instructor")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(binary().c_str(), argv.data());
    ::_exit(121);
  }
  if (pipe_fds[1] >= 0) ::close(pipe_fds[1]);
  int st = 0;
  ::waitpid(pid, &st, 0);
  Exit r;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  if (fs::exists(out_file)) r.out = labtest::read_file(out_file);
  if (fs::exists(err_file)) r.err = labtest::read_file(err_file);
  fs::remove(out_file);
  fs::remove(err_file);
  return r;
}

std::vector<std::string> listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(InstructorProcess, OutputThatCannotBeWrittenIsExitStatus4) {
  labtest::TempDir dir;
  const std::string data = (dir.path() / "d.csv").string();
  labtest::write_file(data, labtest::data_set(*labcore::find_program("vapor_pressure_gen"), 3, 4, "Ann").text);
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\n");
  int n = 0;
  for (Stdout where : {Stdout::dev_full, Stdout::closed, Stdout::broken_pipe}) {
    const std::vector<std::vector<std::string>> commands = {
        {"key", "vapor_pressure_gen", "1", "2"},
        {"key", "vapor_pressure_gen", "1", "2", "--csv"},
        {"verify", data},
        {"verify", data, data},
        {"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), (dir.path() / ("o" + std::to_string(++n))).string()},
        {"--help"},
    };
    for (const auto& args : commands) {
      const Exit r = run_tool(args, dir.path(), {where});
      EXPECT_EQ(r.status, 4) << args[0] << " with stdout " << static_cast<int>(where) << ": " << r.err;
      EXPECT_NE(r.err.find("could not be written"), std::string::npos) << r.err;
    }
  }
  // A stdout that started closed never lends its number to a data set.
  EXPECT_EQ(labtest::read_file(dir.path() / "o2" / "ann.csv"),
            labtest::data_set(*labcore::find_program("vapor_pressure_gen"), 1, 2, "Ann").text);
  // The same commands with a working stdout succeed.
  EXPECT_EQ(run_tool({"key", "vapor_pressure_gen", "1", "2"}, dir.path()).status, 0);
  EXPECT_EQ(run_tool({"verify", data}, dir.path()).status, 0);
}

TEST(InstructorProcess, MessagesThatCannotBeWrittenAreExitStatus4) {
  // The warnings of a roster (two students, the same seeds) are lost on a
  // full device: the run cannot say so, but its status does.
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\nBo,1,2\n");
  Options full;
  full.stderr_full = true;
  const Exit r = run_tool({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), (dir.path() / "o").string()},
                          dir.path(), full);
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(fs::exists(dir.path() / "o" / "bo.csv"));  // the batch itself was done
  EXPECT_EQ(run_tool({"key", "vapor_pressure_gen", "1", "2"}, dir.path(), full).status, 0);  // nothing to say
}

TEST(InstructorProcess, ADiskThatFillsPartWayLeavesTheFolderAsItWas) {
  labtest::TempDir dir;
  std::string roster;
  for (int i = 0; i < 40; ++i) roster += "Student " + std::to_string(i) + "," + std::to_string(i + 1) + ",7\n";
  labtest::write_file(dir.path() / "r.csv", roster);
  const fs::path out = dir.path() / "class";
  fs::create_directory(out);
  labtest::write_file(out / "notes.txt", "mine\n");
  // Each data set of vapor_pressure_gen is about 1 kB; the key passes
  // 3000 bytes after some twenty students: the disk "fills" part-way.
  const std::vector<std::string> args = {"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), out.string()};
  Options limited;
  limited.max_file_bytes = 3000;
  const Exit r = run_tool(args, dir.path(), limited);
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
  EXPECT_EQ(listing(out), std::vector<std::string>{"notes.txt"});

  // A folder the batch made itself is taken away again.
  const Exit fresh = run_tool({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(),
                               (dir.path() / "new" / "class").string()},
                              dir.path(), limited);
  EXPECT_EQ(fresh.status, 4);
  EXPECT_FALSE(fs::exists(dir.path() / "new"));

  // And the same batch runs whole once there is room.
  const Exit again = run_tool(args, dir.path());
  ASSERT_EQ(again.status, 0) << again.err;
  // notes, 40 data sets, key, answers, results template, handout, settings
  EXPECT_EQ(listing(out).size(), 46u);
  EXPECT_EQ(labtest::lines(labtest::read_file(out / "vapor_pressure_gen_key.csv")).size(), 41u);

  // --add: the late student's data set fits, the class's key with her row
  // does not; the reason is the write's own, not the errno of what came
  // after it ("Success").
  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(out)) before[e.path().filename().string()] = labtest::read_file(e.path());
  labtest::write_file(dir.path() / "late.csv", "Late One,99,7\n");
  const Exit add = run_tool({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), out.string()},
                            dir.path(), limited);
  EXPECT_EQ(add.status, 4) << add.err;
  EXPECT_NE(add.err.find("_key.csv failed: File too large\nnothing added to"), std::string::npos) << add.err;
  std::map<std::string, std::string> after;
  for (const auto& e : fs::directory_iterator(out)) after[e.path().filename().string()] = labtest::read_file(e.path());
  EXPECT_EQ(after, before);
}

TEST(InstructorProcess, AFolderWithoutSearchPermissionIsAMessage) {
  if (::geteuid() != 0 && ::access("/", W_OK) == 0) GTEST_SKIP() << "cannot tell whether permissions are enforced";
  labtest::TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\n");
  fs::permissions(dir.path() / "r.csv", fs::perms(0644));
  const fs::path locked = dir.path() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms(0666));  // read and write, no search
  Options o;
  o.as_nobody = ::geteuid() == 0;  // root passes every permission check
  if (o.as_nobody && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user nobody to run the tool as";
  for (const fs::path& target : {locked, locked / "sub"}) {
    const Exit r = run_tool({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), target.string()},
                            dir.path(), o);
    ASSERT_NE(r.status, 120) << "cannot become nobody";
    EXPECT_EQ(r.status, 1) << target << r.err;
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
  }
  fs::permissions(locked, fs::perms(0755));
  EXPECT_TRUE(fs::is_empty(locked));
}

TEST(InstructorProcess, DevicesAndHugeFilesAreRefusedAsDataSets) {
  labtest::TempDir dir;
  std::ofstream(dir.path() / "huge.csv") << std::string(2u << 20, 'x');
  const Exit huge = run_tool({"verify", (dir.path() / "huge.csv").string()}, dir.path());
  EXPECT_EQ(huge.status, 2) << huge.err;
  EXPECT_NE(huge.err.find("larger than 1048576 bytes"), std::string::npos) << huge.err;
  // A device, or a FIFO that no one writes (opening it for reading would
  // wait for a writer), is refused unread, wherever the tool reads a file.
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.csv").c_str(), 0600), 0);
  const std::string fifo = (dir.path() / "fifo.csv").string();
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\n");
  const std::vector<std::vector<std::string>> commands = {
      {"verify", "/dev/zero"},
      {"verify", fifo},
      {"answers", fifo},
      {"workbook", fifo, (dir.path() / "w.xlsx").string()},
      {"batch", "vapor_pressure_gen", fifo, (dir.path() / "c1").string()},
      {"grade", fifo, (dir.path() / "r.csv").string(), (dir.path() / "g").string()},
  };
  for (const auto& args : commands) {
    const Exit r = run_tool(args, dir.path());
    EXPECT_EQ(r.status, 2) << args[0] << r.err;
    EXPECT_NE(r.err.find("it is not a regular file"), std::string::npos) << args[0] << r.err;
  }
  // answers.csv of a class replaced by a FIFO: --add refuses, leaving
  // nothing behind.
  const fs::path cls = dir.path() / "c2";
  ASSERT_EQ(run_tool({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), cls.string()}, dir.path()).status, 0);
  fs::remove(cls / "answers.csv");
  ASSERT_EQ(::mkfifo((cls / "answers.csv").c_str(), 0600), 0);
  labtest::write_file(dir.path() / "late.csv", "Bo,3,4\n");
  const Exit add = run_tool({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()},
                            dir.path());
  EXPECT_EQ(add.status, 2) << add.err;
  EXPECT_NE(add.err.find("it is not a regular file"), std::string::npos) << add.err;
  EXPECT_EQ(listing(cls), (std::vector<std::string>{"ann.csv", "answers.csv", "class_settings.txt", "handout.md",
                                                    "results_template.csv", "vapor_pressure_gen_key.csv"}));
  const Exit folder = run_tool({"verify", dir.path().string()}, dir.path());
  EXPECT_EQ(folder.status, 2);
  EXPECT_NE(folder.err.find("it is a folder"), std::string::npos) << folder.err;
}

TEST(InstructorProcess, AClassOfThousandsRunsInConstantMemory) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer's shadow memory is no measure of the tool's own";
#endif
  if (!fs::exists("/usr/bin/time")) GTEST_SKIP() << "/usr/bin/time (package time) measures the peak memory";
  labtest::TempDir dir;
  std::string roster;
  for (int i = 0; i < 1500; ++i) roster += "Student " + std::to_string(i) + "\n";
  labtest::write_file(dir.path() / "r.csv", roster);
  // Holding every key row until the end took some 12 kB a student.
  // /usr/bin/time forks the tool from its own small process: the peak is
  // the tool's alone, not this test's.
  const std::string tool = binary();
  const fs::path rss = dir.path() / "rss.txt";
  const std::string command = "/usr/bin/time -f %M -o '" + rss.string() + "' '" + tool + "' batch lle_ternary_gen '" +
                              (dir.path() / "r.csv").string() + "' '" + (dir.path() / "out").string() +
                              "' --course c >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const long peak_kb = std::stol(labtest::read_file(rss));
  EXPECT_LT(peak_kb, 10 * 1024) << "peak resident memory " << peak_kb << " kB";
  EXPECT_EQ(labtest::lines(labtest::read_file(dir.path() / "out" / "lle_ternary_gen_key.csv")).size(), 1501u);
}

}  // namespace
