// The class folder as one unit of state: real runs of batch and batch
// --add stopped at every step of their commit and killed there (SIGINT,
// SIGTERM, SIGKILL), two runs into one class at once, a move that fails
// after a class file was replaced, and who may read what.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "instructor/class_folder.hpp"
#include "instructor/instructor.hpp"
#include "support/test_support.hpp"
#include "support/tool_run.hpp"

namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::string>;

std::string binary() {
  if (const char* b = std::getenv("LAB_INSTRUCTOR")) return b;
  return LAB_BINARY_DIR "/bin/lab_instructor";
}

// Every entry of a folder (hidden ones too) with its bytes; none when
// there is no folder.
Snapshot snapshot(const fs::path& dir) {
  Snapshot s;
  if (!fs::exists(dir)) return s;
  for (const auto& e : fs::directory_iterator(dir))
    s[e.path().filename().string()] = e.is_regular_file() ? labtest::read_file(e.path()) : std::string("(folder)");
  return s;
}

// A real lab_instructor run, with the commit hook set, not waited for.
class Process {
 public:
  Process(const std::vector<std::string>& args, const fs::path& dir, const std::string& hook = {})
      : err_(dir / ("err" + std::to_string(++count_) + ".txt")) {
    pid_ = ::fork();
    if (pid_ == 0) {
      if (!hook.empty()) ::setenv("LAB_INSTRUCTOR_COMMIT_HOOK", hook.c_str(), 1);
      ::freopen("/dev/null", "w", stdout);
      ::freopen(err_.c_str(), "w", stderr);
      std::vector<char*> argv{const_cast<char*>("lab_instructor")};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(binary().c_str(), argv.data());
      ::_exit(121);
    }
  }
  // Waits until the run stops at its hook (true) or ends (false).
  bool stopped() {
    int st = 0;
    ::waitpid(pid_, &st, WUNTRACED);
    if (WIFSTOPPED(st)) return true;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return false;
  }
  void signal(int sig) { ::kill(pid_, sig); }
  // The exit status, or 128 + the signal that ended it.
  int wait() {
    if (status_ < 0) {
      int st = 0;
      ::waitpid(pid_, &st, 0);
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
    return status_;
  }
  std::string err() const { return fs::exists(err_) ? labtest::read_file(err_) : std::string(); }
  pid_t pid() const { return pid_; }

 private:
  static inline int count_ = 0;
  fs::path err_;
  pid_t pid_ = -1;
  int status_ = -1;
};

int run_to_end(const std::vector<std::string>& args, const fs::path& dir, std::string* err = nullptr) {
  Process r(args, dir);
  const int status = r.wait();
  if (err) *err = r.err();
  return status;
}

using labtest::Outcome;
Outcome run_here(const std::vector<std::string>& args) { return labtest::run_tool(args); }

// A class of two made by batch, and one late student to add.
struct Class {
  labtest::TempDir dir;
  fs::path roster = dir.path() / "roster.csv", late = dir.path() / "late.csv";
  Class() {
    labtest::write_file(roster, "Name,Student Number,Seed1,Seed2\nAnn,s1,1,2\nBo,s2,3,4\n");
    labtest::write_file(late, "Name,Student Number,Seed1,Seed2\nAnn,s1,1,2\nCy,s3,5,6\n");
  }
  std::vector<std::string> batch(const fs::path& out) const {
    return {"batch", "vapor_pressure_gen", roster.string(), out.string()};
  }
  std::vector<std::string> add(const fs::path& out) const {
    return {"batch", "--add", "vapor_pressure_gen", late.string(), out.string()};
  }
};

const char* name_of(int sig) { return sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "SIGKILL"; }

// Stops `command` at every step of its commit in turn and ends it there
// with each signal. SIGINT and SIGTERM leave the folder as before (step 0,
// nothing committed yet) or as after (they wait for a commit that has
// begun); SIGKILL may leave it between, which the next run into the folder
// takes back. Either way the same command then succeeds, and the folder is
// the one an uninterrupted run makes.
void kill_at_every_step(const Class& c, const fs::path& prepared, bool is_add) {
  // The folder before and after, from runs that were not interrupted.
  const fs::path reference = c.dir.path() / "reference";
  if (fs::exists(prepared)) fs::copy(prepared, reference);
  ASSERT_EQ(run_to_end(is_add ? c.add(reference) : c.batch(reference), c.dir.path()), 0);
  const Snapshot before = fs::exists(prepared) ? snapshot(prepared) : Snapshot{};
  const Snapshot after = snapshot(reference);
  int steps = 0;
  for (int step = 0;; ++step) {
    bool hit = false;
    for (int sig : {SIGINT, SIGTERM, SIGKILL}) {
      const fs::path out = c.dir.path() / ("run" + std::to_string(step) + name_of(sig));
      if (fs::exists(prepared)) fs::copy(prepared, out);
      const auto command = is_add ? c.add(out) : c.batch(out);
      Process r(command, c.dir.path(), "stop:" + std::to_string(step));
      if (!r.stopped()) {
        ASSERT_EQ(r.wait(), 0) << r.err();
        break;  // past the last step
      }
      hit = true;
      r.signal(sig);
      if (sig != SIGKILL) r.signal(SIGCONT);
      const std::string where = std::string(is_add ? "--add" : "batch") + ", step " + std::to_string(step) + ", " +
                                name_of(sig);
      EXPECT_EQ(r.wait(), 128 + sig) << where << r.err();
      if (sig != SIGKILL) {
        EXPECT_EQ(snapshot(out), step == 0 ? before : after) << where << r.err();
      } else if (is_add) {
        // A run that finds nothing to add takes the killed run back first.
        labtest::write_file(c.dir.path() / "nobody_new.csv", "Name,Student Number,Seed1,Seed2\nAnn,s1,1,2\n");
        std::string err;
        EXPECT_EQ(run_to_end({"batch", "--add", "vapor_pressure_gen", (c.dir.path() / "nobody_new.csv").string(),
                              out.string()},
                             c.dir.path(), &err),
                  0)
            << where << err;
        const Snapshot now = snapshot(out);
        EXPECT_TRUE(now == before || now == after) << where << err;
      }
      std::string err;
      EXPECT_EQ(run_to_end(command, c.dir.path(), &err), 0) << where << err;
      EXPECT_EQ(snapshot(out), after) << where << err;
      fs::remove_all(out);
    }
    if (!hit) break;
    ++steps;
  }
  // Every move and the journal's two ends were stopped at: 7 files of a
  // batch (2 data sets, key, answers, template, handout, settings), 1 data
  // set and 3 replaced class files of --add.
  EXPECT_EQ(steps, is_add ? 7 : 10);
}

TEST(ClassFolder, ABatchKilledAtAnyStepOfItsCommitIsBeforeOrAfterAndRunsAgain) {
  Class c;
  kill_at_every_step(c, c.dir.path() / "no_class_yet", false);
}

TEST(ClassFolder, AnAddKilledAtAnyStepOfItsCommitIsBeforeOrAfterAndRunsAgain) {
  Class c;
  const fs::path cls = c.dir.path() / "class";
  ASSERT_EQ(run_to_end(c.batch(cls), c.dir.path()), 0);
  kill_at_every_step(c, cls, true);
}

TEST(ClassFolder, AnAddWhoseMoveFailsAfterAClassFileWasReplacedRestoresThem) {
  Class c;
  const fs::path cls = c.dir.path() / "class";
  ASSERT_EQ(run_here(c.batch(cls)).status, 0);
  const Snapshot before = snapshot(cls);
  // The moves: Cy's data set, then the key, answers.csv and the template
  // replaced; each one fails in turn.
  for (int k = 1; k <= 4; ++k) {
    ::setenv("LAB_INSTRUCTOR_COMMIT_HOOK", ("fail:" + std::to_string(k)).c_str(), 1);
    const Outcome r = run_here(c.add(cls));
    ::unsetenv("LAB_INSTRUCTOR_COMMIT_HOOK");
    EXPECT_EQ(r.status, 4) << k << r.err;
    EXPECT_NE(r.err.find("Input/output error\nnothing added to"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(cls), before) << "move " << k;
  }
  const Outcome ok = run_here(c.add(cls));
  ASSERT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(labtest::lines(labtest::read_file(cls / "vapor_pressure_gen_key.csv")).size(), 4u);
}

TEST(ClassFolder, OneRunAtATimeTheSecondWaitsOrRefuses) {
  Class c;
  const fs::path cls = c.dir.path() / "class";
  ASSERT_EQ(run_to_end(c.batch(cls), c.dir.path()), 0);
  labtest::write_file(c.dir.path() / "other.csv", "Name,Student Number,Seed1,Seed2\nDee,s4,7,8\n");
  const std::vector<std::string> other = {"batch", "--add", "vapor_pressure_gen",
                                          (c.dir.path() / "other.csv").string(), cls.string()};
  {
    // The first holds the class (stopped in its commit); the second waits
    // its two seconds and refuses, naming it, with nothing written.
    Process first(c.add(cls), c.dir.path(), "stop:1");
    ASSERT_TRUE(first.stopped());
    const Snapshot held = snapshot(cls);
    Process second(other, c.dir.path());
    EXPECT_EQ(second.wait(), 1);
    EXPECT_NE(second.err().find("another lab_instructor run (process " + std::to_string(first.pid()) +
                                ") is writing into " + cls.string() + "; nothing written"),
              std::string::npos)
        << second.err();
    EXPECT_EQ(snapshot(cls), held);
    first.signal(SIGCONT);
    EXPECT_EQ(first.wait(), 0) << first.err();
  }
  {
    // Two adds at once: the second waits for the first and reads the key
    // it wrote, so no student is lost.
    labtest::write_file(c.dir.path() / "more.csv", "Name,Student Number,Seed1,Seed2\nEd,s5,9,10\n");
    Process first({"batch", "--add", "vapor_pressure_gen", (c.dir.path() / "more.csv").string(), cls.string()},
              c.dir.path(), "stop:0");
    ASSERT_TRUE(first.stopped());
    Process second(other, c.dir.path());
    for (int i = 0; i < 1000 && second.err().find("waiting for") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(second.err().find("waiting for another lab_instructor run (process " + std::to_string(first.pid())),
              std::string::npos)
        << second.err();
    first.signal(SIGCONT);
    EXPECT_EQ(first.wait(), 0) << first.err();
    EXPECT_EQ(second.wait(), 0) << second.err();
  }
  const auto key = labtest::lines(labtest::read_file(cls / "vapor_pressure_gen_key.csv"));
  ASSERT_EQ(key.size(), 6u);  // Ann, Bo, Cy, Ed, Dee
  EXPECT_EQ(key[4].substr(0, 7), "Ed,s5,e");
  EXPECT_EQ(key[5].substr(0, 8), "Dee,s4,d");
  for (const auto& [name, text] : snapshot(cls)) EXPECT_NE(name[0], '.') << name;  // no lock, no working folder
}

TEST(ClassFolder, AnswersAndGradesAreTheInstructorsWhateverTheUmask) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\n");
  const mode_t old = ::umask(0);
  const fs::path cls = dir.path() / "class";
  ASSERT_EQ(run_here({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), cls.string(), "--workbooks"}).status, 0);
  labtest::write_file(dir.path() / "results.csv", "name,seed1,seed2,dHvap,Tb,a,b,c\nAnn,1,2,1,1,1,1,1\n");
  const fs::path graded = dir.path() / "graded";
  ASSERT_EQ(run_here({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(), graded.string()}).status, 0);
  // And the mechanism itself, for a folder of the instructor's in a class.
  {
    instructor::ClassFolder folder;
    std::ostringstream err;
    std::string error;
    ASSERT_EQ(folder.open(cls, err, error), 0) << error;
    ASSERT_TRUE(folder.create_folder("instructor", error, instructor::Access::instructor)) << error;
    ASSERT_TRUE(folder.write("instructor/solution.txt", "x\n", error, instructor::Access::instructor, false)) << error;
    ASSERT_EQ(folder.commit(error), 0) << error;
  }
  ::umask(077);
  labtest::write_file(dir.path() / "late.csv", "Bo,3,4\n");
  ASSERT_EQ(run_here({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()}).status, 0);
  ::umask(old);
  auto mode = [](const fs::path& p) {
    struct stat st{};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
  };
  const std::pair<fs::path, mode_t> modes[] = {
      {cls / "ann.csv", 0666},             // data sets: the usual mode (umask 0 then)
      {cls / "results_template.csv", 0600},  // replaced by --add under umask 077
      {cls / "class_settings.txt", 0666},
      {cls / "bo.csv", 0600},              // umask 077 at --add
      {cls / "vapor_pressure_gen_key.csv", 0600},
      {cls / "answers.csv", 0600},
      {cls / "ann.xlsx", 0666},            // the student's workbook: as her data set
      {cls / "bo.xlsx", 0600},             // umask 077 at --add
      {cls / "solutions", 0700},           // the solutions, for the late student too
      {cls / "solutions" / "ann.xlsx", 0600},
      {cls / "solutions" / "bo.xlsx", 0600},
      {cls / "instructor", 0700},
      {cls / "instructor" / "solution.txt", 0600},
      {graded, 0700},
      {graded / "grades.csv", 0600},
      {graded / "summary.csv", 0600},
      {graded / "feedback", 0700},
      {graded / "feedback" / "ann.txt", 0600},
  };
  for (const auto& [path, want] : modes) EXPECT_EQ(mode(path), want) << path;
}

}  // namespace
