// A class folder (or any folder the tool writes into all or nothing, such
// as grade's) as one unit of state: one run at a time writes into it, and
// a run's files appear in it all together or not at all, whatever ends
// the run.
//
//   - The lock: OUTDIR/.lab_instructor.lock, held with flock() for the
//     whole run. A second run waits a little, then refuses, naming the
//     process that holds it.
//   - The working folder: every file is written into OUTDIR/.lab_instructor.
//     XXXXXX (only the instructor may enter it) and nothing in OUTDIR is
//     touched until the commit.
//   - The commit: the old versions of the files a run replaces are linked
//     aside, a journal naming every move is written, the files are moved
//     in (new names never replacing anything, replaced files by one rename
//     each), and the journal is removed: that removal is the step after
//     which the run is done. A run killed before it (even by SIGKILL)
//     leaves the journal, and the next run into the folder takes every
//     move back before it starts. SIGINT, SIGTERM and SIGHUP during the
//     writing make the run stop and remove its working folder; during the
//     commit they wait until it is done.
//   - The settings: OUTDIR/class_settings.txt, what batch was told, which
//     batch --add follows.
#pragma once

#include <filesystem>
#include <ostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "labcore/datafile.hpp"

namespace instructor {

// Who may read what the tool writes.
enum class Access {
  usual,       // as the umask allows: data sets, the results template, the settings
  instructor,  // the instructor alone, whatever the umask: files 0600, folders 0700
};

class ClassFolder {
 public:
  ClassFolder() = default;
  ClassFolder(const ClassFolder&) = delete;
  ClassFolder& operator=(const ClassFolder&) = delete;
  // Removes the working folder with whatever is still in it, releases the
  // lock, and removes the folders open() made when nothing was committed.
  ~ClassFolder();

  // Makes the target folder when missing (its parents as the umask allows,
  // the target itself with `access`), takes its lock, takes back what an
  // interrupted run left (saying so on `err`) and makes a fresh working
  // folder. Returns 0, or the exit status with the reason in `error`:
  // exit_file_not_created when a folder cannot be made or used, or another
  // run holds the lock.
  int open(const std::filesystem::path& target, std::ostream& err, std::string& error,
           Access access = Access::usual);

  // Creates `name` in the working folder for writing; commit() moves it
  // into the target, where the name must be new. A scratch file (keep =
  // false) is not moved; neither is a file made inside a folder of the
  // run ("feedback/x.txt"), which goes with its folder. A name set aside
  // (set_aside) is written aside instead, not moved.
  bool create(const std::string& name, labcore::DataFile& file, std::string& error, Access access = Access::usual,
              bool keep = true);
  // The whole text of a file, through create().
  bool write(const std::string& name, const std::string& text, std::string& error, Access access = Access::usual,
             bool keep = true);
  // Makes the folder `name` in the working folder; commit() moves it in
  // whole, with the files made in it.
  bool create_folder(const std::string& name, std::string& error, Access access = Access::usual);
  // A folder of the class for files of the run ("solutions"): when the
  // target has none, made as create_folder() makes it (and moved in
  // whole); when the target has it (batch --add), the files the run makes
  // in it are moved into it one by one, new names only. Refuses a target
  // entry of that name that is not a folder (a symbolic link included).
  bool open_folder(const std::string& name, std::string& error, Access access = Access::usual);
  // A new version of the target's file `name`, written whole: commit()
  // puts it in place of the old one, which is kept until the run is done.
  // It is made with the access its version set aside had (usual when
  // there is none).
  bool replace(const std::string& name, const std::string& text, std::string& error);

  // Class files written aside instead of into the run (batch --add makes
  // the new students' rows of each class file this way, then replaces the
  // class file by the old one with those rows added).
  void set_aside(const std::vector<std::string>& names) {
    for (const std::string& n : names) aside_.emplace(n, Access::usual);
  }
  std::filesystem::path aside(const std::string& name) const;

  // The path of `name` in the working folder.
  std::filesystem::path working(const std::string& name) const { return work_ / name; }
  // The names among `names` that exist in the target already.
  std::vector<std::string> existing(const std::vector<std::string>& names) const;

  // Closes a file of the run: false with the reason (the write's own
  // errno, kept by the file) in `error`, naming the file as the target's.
  bool close(labcore::DataFile& file, const std::string& name, std::string& error) const;

  // Moves every kept file into the target, all or nothing (see above).
  // Returns 0, or the exit status with the reason in `error` and the
  // target as it was: exit_file_not_created when a name appeared in the
  // target meanwhile, exit_write_failed when a move fails otherwise or the
  // run was interrupted before the commit began.
  int commit(std::string& error);

  const std::filesystem::path& target() const { return target_; }

 private:
  struct Entry {
    std::string name;
    bool replaces = false;
  };
  bool interrupted(std::string& error) const;
  bool lock(std::ostream& err, std::string& error);
  void recover(std::ostream& err);

  std::filesystem::path target_, work_;
  std::vector<std::filesystem::path> made_;  // target folders this run made, outermost first
  std::vector<Entry> entries_;
  std::map<std::string, Access> aside_;  // name, and the access it was made with
  std::set<std::string> target_folders_;  // folders of the target the run adds files to
  int lock_fd_ = -1;
  bool committed_ = false;
  bool handlers_ = false;
};

// The signal (SIGINT, SIGTERM, SIGHUP) that stopped a run into a folder,
// 0 when none came: once the folder is clean, the process ends with it.
int pending_signal();

// The settings of a class, as batch was told them.
struct ClassSettings {
  std::string program;
  std::string course;       // the word seeds are derived from; empty when none was given
  double relative = 2.0;    // the relative part of the tolerance, in percent
  bool workbooks = false;   // a solution workbook per student
  std::string id_heading;   // the roster's identifier heading; empty when none
};

inline constexpr const char* kSettingsFile = "class_settings.txt";

// The settings file's text, and reading it back from `folder`: found,
// absent (a class of an earlier version has none), or unreadable (with the
// reason naming the file and line).
std::string settings_text(const ClassSettings& settings);
enum class SettingsFile { found, absent, unreadable };
SettingsFile read_settings(const std::filesystem::path& folder, ClassSettings& settings, std::string& error);

}  // namespace instructor
