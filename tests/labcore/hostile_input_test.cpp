// Hostile replies to the dialog: huge lines, control bytes, broken UTF-8,
// input that ends at any prompt, CRLF line ends, and file names that point
// at directories, missing folders, existing files, links and devices. The
// run must end with its documented status, create nothing but the one
// named file, and leave everything that existed untouched.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "labcore/program.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using labcore::Form;
using labcore::Program;
using labtest::TempDir;

constexpr std::size_t kMegabyte = 1 << 20;

// A built program of each dialog form.
const Program* program_of(Form form) {
  for (const Program* p : labcore::all_programs())
    if (p->form == form) return p;
  return nullptr;
}

struct Outcome {
  int status = -1;
  std::string terminal;
};

Outcome run(const Program& program, const std::string& input, const fs::path& folder) {
  std::istringstream in(input);
  std::ostringstream terminal;
  Outcome o;
  o.status = labcore::run_program(program, in, terminal, folder);
  o.terminal = terminal.str();
  return o;
}

// Everything in a folder, links not followed, with the contents of the
// regular files and the targets of the links.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), folder).string();
    const auto status = it->symlink_status();
    if (fs::is_symlink(status))
      out[name] = "link to " + fs::read_symlink(it->path()).string();
    else if (fs::is_regular_file(status))
      out[name] = labtest::read_file(it->path());
    else
      out[name] = fs::is_directory(status) ? "<dir>" : "<special>";
  }
  return out;
}

// The replies with each line ended by `eol`.
std::string replies(const std::string& file, const std::string& student, const std::string& seed1,
                    const std::string& seed2, const std::string& eol = "\n") {
  return file + eol + student + eol + seed1 + eol + seed2 + eol + "x" + eol;
}

// The records of a complete data set up to, not including, the seeds.
std::string before_seeds(const std::string& data_set) {
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = data_set.find('\n', at);
    if (end == std::string::npos || data_set.substr(at, end - at).find("seed") != std::string::npos)
      return data_set.substr(0, at);
    at = end + 1;
  }
}

class HostileInput : public testing::Test {
 protected:
  void SetUp() override {
    weak = program_of(Form::A);
    if (weak == nullptr) GTEST_SKIP() << "no program of form A";
  }
  const Program* weak = nullptr;
  TempDir dir;
};

// ---------------------------------------------------------------------------
// Megabyte lines.

TEST_F(HostileInput, MegabyteFileNameIsCutTo20Characters) {
  const Outcome o = run(*weak, replies(std::string(kMegabyte, 'a'), "Jane Doe", "1", "2"), dir.path());
  EXPECT_EQ(o.status, labcore::exit_ok);
  const auto files = snapshot(dir.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, std::string(20, 'a'));
  EXPECT_EQ(files.begin()->second, labtest::data_set(*weak, 1, 2).text);
  EXPECT_LT(o.terminal.size(), 4096u) << "the name is shown cut, never whole";
}

TEST_F(HostileInput, MegabyteFileNamesThatCutToADirectoryCreateNothing) {
  // Cut to 20 characters these name the root and a folder far above.
  std::string up;
  while (up.size() < kMegabyte) up += "../";
  for (const std::string& name : {std::string(kMegabyte, '/'), up}) {
    const Outcome o = run(*weak, replies(name, "Jane Doe", "1", "2"), dir.path());
    EXPECT_EQ(o.status, labcore::exit_file_not_created);
    EXPECT_TRUE(snapshot(dir.path()).empty());
  }
}

TEST_F(HostileInput, MegabyteStudentNameIsCutTo30Characters) {
  const Outcome o = run(*weak, replies("out.csv", std::string(kMegabyte, 'J'), "1", "2"), dir.path());
  EXPECT_EQ(o.status, labcore::exit_ok);
  const auto rows = labtest::lines(labtest::read_file(dir.path() / "out.csv"));
  ASSERT_GT(rows.size(), 3u);
  EXPECT_EQ(rows[2], "\"" + std::string(30, 'J') + "\",");
}

TEST_F(HostileInput, MegabyteSeeds) {
  struct Case {
    std::string seed;
    int status;
  };
  const Case cases[] = {
      {std::string(kMegabyte, '9'), labcore::exit_input_error},           // far out of range
      {std::string(kMegabyte, '0') + "42", labcore::exit_ok},             // leading zeros
      {std::string(kMegabyte, ' ') + "42", labcore::exit_ok},             // leading blanks
      {"42 " + std::string(kMegabyte, 'z'), labcore::exit_ok},            // the rest of the line is ignored
      {std::string(kMegabyte, '\n') + "42", labcore::exit_ok},            // a million empty lines
      {"-" + std::string(kMegabyte, '-') + "1", labcore::exit_input_error},
  };
  for (const Case& c : cases) {
    TempDir d;
    const Outcome o = run(*weak, replies("out.csv", "Jane Doe", c.seed, "7"), d.path());
    EXPECT_EQ(o.status, c.status) << c.seed.substr(0, 8);
    if (c.status == labcore::exit_ok)
      EXPECT_EQ(labtest::read_file(d.path() / "out.csv"), labtest::data_set(*weak, 42, 7).text);
    else
      EXPECT_TRUE(snapshot(d.path()).empty());  // the incomplete file removed
  }
}

// ---------------------------------------------------------------------------
// Control bytes and broken UTF-8.

TEST_F(HostileInput, ControlBytesInEveryReply) {
  const std::string full = labtest::data_set(*weak, 12, 34).text;
  for (int c = 0; c < 0x80; ++c) {
    if (c >= 0x20 && c != 0x7f) continue;
    if (c == '\n') continue;  // that one ends the line
    const std::string b(1, static_cast<char>(c));
    SCOPED_TRACE("byte " + std::to_string(c));
    {  // In the file name: refused before anything is created.
      TempDir d;
      EXPECT_EQ(run(*weak, replies("a" + b + "b.csv", "Jane Doe", "12", "34"), d.path()).status,
                labcore::exit_input_error);
      EXPECT_TRUE(snapshot(d.path()).empty());
    }
    {  // In the student name: written as a blank.
      TempDir d;
      EXPECT_EQ(run(*weak, replies("out.csv", "Jane" + b + "Doe", "12", "34"), d.path()).status, labcore::exit_ok);
      const auto rows = labtest::lines(labtest::read_file(d.path() / "out.csv"));
      ASSERT_GT(rows.size(), 3u);
      EXPECT_EQ(rows[2], "\"Jane Doe                      \",");
    }
    {  // Inside a seed: only a tab separates values; anything else is no number.
      TempDir d;
      const Outcome o = run(*weak, replies("out.csv", "Jane Doe", "12" + b + "5", "34"), d.path());
      if (c == '\t') {
        EXPECT_EQ(o.status, labcore::exit_ok);
        EXPECT_EQ(labtest::read_file(d.path() / "out.csv"), full);
      } else {
        EXPECT_EQ(o.status, labcore::exit_input_error);
        EXPECT_TRUE(snapshot(d.path()).empty());
      }
    }
    {  // As the final reply: the data set is already complete.
      TempDir d;
      const std::string input = replies("out.csv", "Jane Doe", "12", "34");
      EXPECT_EQ(run(*weak, input.substr(0, input.size() - 2) + b + "\n", d.path()).status,
                c == '\t' || c == '\r' ? labcore::exit_input_error : labcore::exit_ok);
      EXPECT_EQ(labtest::read_file(d.path() / "out.csv"), full);
    }
  }
}

TEST_F(HostileInput, InvalidUtf8InTheNames) {
  const std::string stray(40, '\x80');                        // continuation bytes alone
  const std::string truncated = std::string(28, 'a') + "\xE2\x82";  // a three-byte character cut short
  const std::string overlong = "\xC0\xAF\xFF\xFE";            // bytes that never occur in UTF-8
  for (const std::string& name : {stray, truncated, overlong, std::string(29, 'a') + "\xF0\x9F"}) {
    TempDir d;
    const Outcome o = run(*weak, replies("out.csv", name, "1", "2"), d.path());
    EXPECT_EQ(o.status, labcore::exit_ok);
    const auto rows = labtest::lines(labtest::read_file(d.path() / "out.csv"));
    ASSERT_GT(rows.size(), 3u);
    EXPECT_EQ(rows[2].size(), 33u);
    EXPECT_EQ(rows[2].substr(rows[2].size() - 2), "\",");
  }
  // In a file name the bytes are the name; a cut never leaves half a
  // character behind.
  {
    TempDir d;
    EXPECT_EQ(run(*weak, replies(overlong + ".csv", "Jane", "1", "2"), d.path()).status, labcore::exit_ok);
    const auto files = snapshot(d.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, overlong + ".csv");
  }
  {
    TempDir d;
    EXPECT_EQ(run(*weak, replies(std::string(19, 'f') + "\xC3\xA9.csv", "Jane", "1", "2"), d.path()).status,
              labcore::exit_ok);
    const auto files = snapshot(d.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, std::string(19, 'f'));
  }
}

// ---------------------------------------------------------------------------
// Input that ends, in every form.

TEST(HostileEndOfInput, InputClosedAtEveryPromptOfEveryForm) {
  for (Form form : {Form::A, Form::B, Form::C, Form::D}) {
    const Program* p = program_of(form);
    if (p == nullptr) continue;
    SCOPED_TRACE(std::string(p->name));
    const std::string full = labtest::data_set(*p, 5, 6).text;
    const std::string lines[] = {"out.csv\n", "Jane Doe\n", "5\n", "6\n"};
    // What the file holds when the input ends after k replies.
    const std::string header = full.substr(0, full.find('\n') + 1);
    const std::string held[] = {"", header, before_seeds(full), before_seeds(full), full};
    std::string input;
    for (int k = 0; k <= 4; ++k) {
      // The last reply without its line end, and blank lines after it.
      for (const std::string& tail : {std::string(), std::string("\n\n  \n"), std::string("-")}) {
        if (k < 2 && tail.size() > 1) continue;  // an empty line is a reply to a name prompt
        if (k == 0 && !tail.empty()) continue;
        TempDir d;
        const std::string typed = tail == "-" ? input.substr(0, input.size() - 1) : input + tail;
        const Outcome o = run(*p, typed, d.path());
        EXPECT_EQ(o.status, labcore::exit_input_error) << k;
        EXPECT_NE(o.terminal.find("Input error: the input ended"), std::string::npos) << k;
        // Only the complete data set stays; one the dialog began and could
        // not finish is removed, and says so.
        if (k < 4) {
          EXPECT_TRUE(snapshot(d.path()).empty());
          EXPECT_EQ(o.terminal.find("the incomplete file out.csv was removed") != std::string::npos, k > 0) << k;
        } else {
          EXPECT_EQ(snapshot(d.path()).size(), 1u);
          EXPECT_EQ(labtest::read_file(d.path() / "out.csv"), held[k]) << k;
        }
      }
      if (k < 4) input += lines[k];
    }
  }
}

TEST(HostileEndOfInput, ALastReplyWithoutLineEndIsNeverReadTwice) {
  // The input ends right after the first seed: the second seed must not
  // be taken from the first one's line, and the run must not succeed.
  const Program* p = program_of(Form::B);
  if (p == nullptr) GTEST_SKIP();
  TempDir d;
  const Outcome o = run(*p, "out.csv\nJane Doe\n5", d.path());
  EXPECT_EQ(o.status, labcore::exit_input_error);
  EXPECT_NE(o.terminal.find("Input error: the input ended before the second seed was given."), std::string::npos);
  EXPECT_TRUE(snapshot(d.path()).empty());
}

TEST(HostileEndOfInput, AStreamThatCannotBeReadAtAll) {
  const Program* p = program_of(Form::A);
  if (p == nullptr) GTEST_SKIP();
  TempDir d;
  std::istream in(nullptr);  // every read fails
  std::ostringstream terminal;
  EXPECT_EQ(labcore::run_program(*p, in, terminal, d.path()), labcore::exit_input_error);
  EXPECT_TRUE(snapshot(d.path()).empty());
}

TEST(HostileEndOfInput, AReplyTooLongForMemoryIsNotTheEndOfInput) {
  // The first two replies, then a reply that never fits: the memory runs
  // out while it is read, as a 400 MB line under a memory limit does.
  struct Exhausting : std::streambuf {
    std::string given = "out.csv\nJane Doe\n";
    std::size_t at = 0;
    int_type underflow() override {
      if (at < given.size()) {
        setg(given.data() + at, given.data() + at, given.data() + given.size());
        at = given.size();
        return traits_type::to_int_type(*gptr());
      }
      throw std::bad_alloc();
    }
  };
  const Program* p = program_of(Form::A);
  if (p == nullptr) GTEST_SKIP();
  TempDir d;
  Exhausting buf;
  std::istream in(&buf);
  std::ostringstream terminal;
  EXPECT_EQ(labcore::run_program(*p, in, terminal, d.path()), labcore::exit_input_error);
  EXPECT_NE(terminal.str().find(" Input error: a reply could not be read: it is longer than the memory allows, or the "
                                "input failed.\n the incomplete file out.csv was removed\n"),
            std::string::npos)
      << terminal.str();
  EXPECT_EQ(terminal.str().find("input ended"), std::string::npos);
  EXPECT_TRUE(snapshot(d.path()).empty());
}

// ---------------------------------------------------------------------------
// Line ends.

TEST(HostileLineEnds, CrlfInEveryFormGivesTheSameDataSet) {
  for (Form form : {Form::A, Form::B, Form::C, Form::D}) {
    const Program* p = program_of(form);
    if (p == nullptr) continue;
    SCOPED_TRACE(std::string(p->name));
    TempDir d;
    // A 20-character name whose line end falls just after the cut.
    const Outcome o = run(*p, replies("abcdefghijklmnop.csv", "Jane Doe", "12345", "67890", "\r\n"), d.path());
    EXPECT_EQ(o.status, labcore::exit_ok);
    const auto files = snapshot(d.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, "abcdefghijklmnop.csv");
    EXPECT_EQ(files.begin()->second, labtest::data_set(*p, 12345, 67890).text);
  }
}

TEST_F(HostileInput, CarriageReturnsThatAreNotALineEndNeverNameAFile) {
  const std::string inputs[] = {
      replies("out.csv\r", "Jane", "1", "2", "\r\n"),  // two CRs: one is the line end, one is in the name
      replies("out.csv", "Jane", "1", "2", "\r"),      // CR alone: the whole input is one line
      "out.csv\r  \nJane\n1\n2\nx\n",                  // a CR before trailing blanks
  };
  for (const std::string& input : inputs) {
    TempDir d;
    EXPECT_EQ(run(*weak, input, d.path()).status, labcore::exit_input_error);
    EXPECT_TRUE(snapshot(d.path()).empty());
  }
}

// ---------------------------------------------------------------------------
// Names that point elsewhere.

TEST_F(HostileInput, DirectoriesMissingFoldersAndDevicesAreRefused) {
  fs::create_directory(dir.path() / "sub");
  labtest::write_file(dir.path() / "sub" / "inside.csv", "kept\n");
  fs::create_symlink(dir.path() / "sub", dir.path() / "sublink");
  const auto before = snapshot(dir.path());
  for (const std::string name : {"sub", "sub/", "sublink", ".", "..", "/", "missing/out.csv", "missing/",
                                 "sub/inside.csv", "/dev/null", "/dev/full"}) {
    const Outcome o = run(*weak, replies(name, "Jane", "1", "2"), dir.path());
    EXPECT_EQ(o.status, labcore::exit_file_not_created) << name;
    EXPECT_NE(o.terminal.find("opening output file failed."), std::string::npos) << name;
    EXPECT_EQ(o.terminal.find("student"), std::string::npos) << name;
    EXPECT_EQ(snapshot(dir.path()), before) << name;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

TEST_F(HostileInput, ExistingFilesLinksAndFifosAreNeverTouched) {
  labtest::write_file(dir.path() / "abcdefghijklmnopqrst", "twenty\n");
  labtest::write_file(dir.path() / "out.csv", "precious\n");
  ::chmod((dir.path() / "out.csv").c_str(), 0444);
  fs::create_symlink("out.csv", dir.path() / "rel.csv");
  fs::create_symlink("/nonexistent-folder/x.csv", dir.path() / "nowhere.csv");
  ASSERT_EQ(::mkfifo((dir.path() / "pipe.csv").c_str(), 0600), 0);
  // A reader keeps the pipe open, so that a writer that opened it anyway
  // would not wait for ever but leave its records in the pipe.
  const int reader = ::open((dir.path() / "pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const auto before = snapshot(dir.path());
  // The typed name is cut and trimmed before it is compared: these all
  // name something that exists.
  for (const std::string name : {"abcdefghijklmnopqrstuvwxyz", "out.csv      ", "rel.csv", "nowhere.csv",
                                 "pipe.csv"}) {
    for (Form form : {Form::A, Form::B, Form::C, Form::D}) {
      const Program* p = program_of(form);
      if (p == nullptr) continue;
      EXPECT_EQ(run(*p, replies(name, "Jane", "1", "2"), dir.path()).status, labcore::exit_file_not_created)
          << name << " " << p->name;
      EXPECT_EQ(snapshot(dir.path()), before) << name;
    }
  }
  EXPECT_FALSE(fs::exists("/nonexistent-folder"));
  char byte = 0;
  EXPECT_LE(::read(reader, &byte, 1), 0) << "records were written into the pipe";
  ::close(reader);
}

}  // namespace
