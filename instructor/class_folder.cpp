#include "instructor/class_folder.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "instructor/text_io.hpp"
#include "labcore/program.hpp"

namespace instructor {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockFile = ".lab_instructor.lock";
constexpr const char* kWorkPrefix = ".lab_instructor.";
// The working folder of batch --add before the folder had its lock.
constexpr const char* kOldAddPrefix = ".lab_instructor_add.";
constexpr const char* kJournal = ".journal";
constexpr const char* kOld = ".old";      // old versions of replaced files
constexpr const char* kAside = ".aside";  // class files set aside
// How long a second run waits for the first to finish.
constexpr auto kLockWait = std::chrono::seconds(2);

// --- Interrupts -----------------------------------------------------------

volatile std::sig_atomic_t g_signal = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];

extern "C" void note_signal(int sig) { g_signal = sig; }

void install_handlers() {
  struct sigaction sa{};
  sa.sa_handler = note_signal;
  sigemptyset(&sa.sa_mask);
  for (std::size_t i = 0; i < 3; ++i) ::sigaction(kSignals[i], &sa, &g_previous[i]);
}

void restore_handlers() {
  for (std::size_t i = 0; i < 3; ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
}

// The commit's moves are not interrupted: the signals wait until it is
// done, then take their course.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    ::sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t old_;
};

std::string signal_name(int sig) {
  switch (sig) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
  }
  return "signal " + std::to_string(sig);
}

// --- The test hook ----------------------------------------------------------
//
// LAB_INSTRUCTOR_COMMIT_HOOK=stop:K stops the process (SIGSTOP) at step K
// of the commit, fail:K makes its K-th move fail, so that tests can kill a
// real run at every step. Step 0: every file written, nothing committed;
// 1: the journal written; 1 + i: the i-th move done; moves + 2: the journal
// removed. Unset, it does nothing.
struct Hook {
  char kind = 0;  // 's', 'f' or none
  long step = -1;
};

Hook commit_hook() {
  Hook h;
  const char* v = std::getenv("LAB_INSTRUCTOR_COMMIT_HOOK");
  if (v == nullptr) return h;
  const std::string_view s(v);
  const std::size_t colon = s.find(':');
  if (colon == std::string_view::npos) return h;
  long step = 0;
  const auto [end, ec] = std::from_chars(s.data() + colon + 1, s.data() + s.size(), step);
  if (ec != std::errc() || end != s.data() + s.size()) return h;
  if (s.substr(0, colon) == "stop") h.kind = 's';
  if (s.substr(0, colon) == "fail") h.kind = 'f';
  h.step = step;
  return h;
}

void at_step(const Hook& h, long step) {
  if (h.kind == 's' && h.step == step) ::raise(SIGSTOP);
}

// --- Files --------------------------------------------------------------------

bool exists_no_follow(const fs::path& p) {
  struct stat st{};
  return ::lstat(p.c_str(), &st) == 0 || errno != ENOENT;
}

// Moves `from` to `to` only when `to` does not exist, atomically: no other
// process can slip a file in between the check and the move.
bool move_new(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a hard link fails on an
  // existing name just as well (a folder, which cannot be linked, is
  // checked first and renamed).
  struct stat st{};
  if (::lstat(from.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    if (exists_no_follow(to)) {
      errno = EEXIST;
      return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

void make_private(const fs::path& p) { ::chmod(p.c_str(), 0600); }

// One move of the commit, as the journal records it: a new name (with the
// file's device and inode, so that taking it back touches only this run's
// file) or a replaced one (its old version kept in the .old folder).
struct Move {
  char kind = 'N';  // 'N' new, 'R' replaces
  unsigned long long dev = 0, ino = 0;
  std::string name;
};

std::string journal_text(const std::vector<Move>& moves) {
  std::string text = "lab_instructor journal 1\n";
  for (const Move& m : moves) {
    if (m.kind == 'N')
      text += "N " + std::to_string(m.dev) + ' ' + std::to_string(m.ino) + ' ' + m.name + '\n';
    else
      text += "R " + m.name + '\n';
  }
  return text;
}

// The moves of a journal; false when it is not one.
bool read_journal(const fs::path& path, std::vector<Move>& moves) {
  std::string text, error;
  if (!read_bounded(path.string(), 1u << 30, text, error)) return false;
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) return false;  // a journal is written whole
    const std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (first) {
      if (line != "lab_instructor journal 1") return false;
      first = false;
      continue;
    }
    Move m;
    if (line.substr(0, 2) == "R ") {
      m.kind = 'R';
      m.name = std::string(line.substr(2));
    } else if (line.substr(0, 2) == "N ") {
      const char* p = line.data() + 2;
      const char* e = line.data() + line.size();
      auto [p1, ec1] = std::from_chars(p, e, m.dev);
      if (ec1 != std::errc() || p1 == e || *p1 != ' ') return false;
      auto [p2, ec2] = std::from_chars(p1 + 1, e, m.ino);
      if (ec2 != std::errc() || p2 == e || *p2 != ' ') return false;
      m.name = std::string(p2 + 1, e);
    } else {
      return false;
    }
    if (m.name.empty() || m.name.find('/') != std::string::npos) return false;
    moves.push_back(std::move(m));
  }
  return !first;
}

// Takes back the moves of a run (all of them, or those done before it
// failed), last first: replaced files get their old versions again, new
// names that are this run's files go back into the working folder. Every
// step can be repeated, so a run killed while it takes back is taken back
// whole by the next one. Returns how many files it restored.
std::size_t take_back(const fs::path& work, const fs::path& target, const std::vector<Move>& moves) {
  std::size_t restored = 0;
  for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
    const fs::path in_target = target / it->name, in_work = work / it->name;
    if (it->kind == 'R') {
      const fs::path old = work / kOld / it->name;
      if (exists_no_follow(old) && ::rename(old.c_str(), in_target.c_str()) == 0) ++restored;
      continue;
    }
    struct stat st{};
    if (::lstat(in_target.c_str(), &st) != 0 || static_cast<unsigned long long>(st.st_dev) != it->dev ||
        static_cast<unsigned long long>(st.st_ino) != it->ino)
      continue;  // never moved in, or not this run's file
    // Moved in by a hard link that still has its name in the working folder.
    if (exists_no_follow(in_work) ? ::unlink(in_target.c_str()) == 0
                                  : ::rename(in_target.c_str(), in_work.c_str()) == 0)
      ++restored;
  }
  return restored;
}

bool is_working_folder(const std::string& name) {
  return name.rfind(kWorkPrefix, 0) == 0 || name.rfind(kOldAddPrefix, 0) == 0;
}

}  // namespace

int pending_signal() { return g_signal; }

ClassFolder::~ClassFolder() {
  std::error_code ec;
  if (!work_.empty()) fs::remove_all(work_, ec);
  if (handlers_) restore_handlers();
  if (lock_fd_ >= 0) {
    // The lock file goes with the run; a run waiting on it sees that the
    // name no longer leads to the file it locked and takes a fresh one.
    ::unlink((target_ / kLockFile).c_str());
    ::close(lock_fd_);
  }
  if (!committed_)
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::rmdir(it->c_str());  // only when empty
}

bool ClassFolder::lock(std::ostream& err, std::string& error) {
  const fs::path path = target_ / kLockFile;
  const auto give_up = std::chrono::steady_clock::now() + kLockWait;
  bool told = false;
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
      error = "cannot lock the folder " + target_.string() + " (" + path.filename().string() + "): " +
              std::strerror(errno);
      return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // Locked: but is it still the folder's lock file, and not one the
      // previous holder removed as it finished?
      struct stat held{}, named{};
      if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
          held.st_ino == named.st_ino) {
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
          // Only the message of a waiting run names the process.
        }
        lock_fd_ = fd;
        return true;
      }
      ::close(fd);
      continue;
    }
    const int reason = errno;
    char buf[32] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    ::close(fd);
    if (reason != EWOULDBLOCK) {
      error = "cannot lock the folder " + target_.string() + ": " + std::strerror(reason);
      return false;
    }
    std::string holder = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) holder.pop_back();
    if (holder.find_first_not_of("0123456789") != std::string::npos) holder.clear();
    holder = holder.empty() ? "another lab_instructor run" : "another lab_instructor run (process " + holder + ")";
    if (std::chrono::steady_clock::now() >= give_up) {
      error = holder + " is writing into " + target_.string() +
              "; nothing written: run this again when it has finished";
      return false;
    }
    if (!told) err << "waiting for " << holder << ", which is writing into " << target_.string() << '\n' << std::flush;
    told = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void ClassFolder::recover(std::ostream& err) {
  std::error_code ec;
  std::vector<fs::path> leftovers;
  for (const auto& e : fs::directory_iterator(target_, ec)) {
    const std::string name = e.path().filename().string();
    struct stat st{};
    if (is_working_folder(name) && ::lstat(e.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      leftovers.push_back(e.path());
  }
  for (const fs::path& w : leftovers) {
    std::vector<Move> moves;
    if (exists_no_follow(w / kJournal) && read_journal(w / kJournal, moves)) {
      const std::size_t n = take_back(w, target_, moves);
      err << "a run into " << shown(target_.string(), 4096) << " was stopped while it moved its files in; "
          << n << " of its moves taken back, the folder is as it was before that run\n";
    } else {
      err << "removed " << shown(w.filename().string()) << ", the working folder a stopped run left in "
          << shown(target_.string(), 4096) << '\n';
    }
    fs::remove_all(w, ec);
  }
}

int ClassFolder::open(const fs::path& target, std::ostream& err, std::string& error, Access access) {
  target_ = target;
  // The folders that do not exist yet, outermost first.
  std::vector<fs::path> missing;
  for (fs::path p = target; !p.empty() && !exists_no_follow(p); p = p.parent_path()) {
    missing.insert(missing.begin(), p);
    if (p == p.parent_path()) break;
  }
  for (const fs::path& p : missing) {
    if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST) {
      error = "cannot make the folder " + p.string() + ": " + std::strerror(errno);
      return labcore::exit_file_not_created;
    }
    made_.push_back(p);
  }
  if (!made_.empty() && made_.back() == target && access == Access::instructor) ::chmod(target.c_str(), 0700);
  struct stat st{};
  if (::stat(target.c_str(), &st) != 0) {
    error = "cannot use the folder " + target.string() + ": " + std::strerror(errno);
    return labcore::exit_file_not_created;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = target.string() + " is not a folder";
    return labcore::exit_file_not_created;
  }
  if (!lock(err, error)) return labcore::exit_file_not_created;
  recover(err);
  std::string templ = (target / (std::string(kWorkPrefix) + "XXXXXX")).string();
  if (::mkdtemp(templ.data()) == nullptr) {  // 0700: only the instructor enters it
    error = "cannot write in the folder " + target.string() + ": " + std::strerror(errno);
    return labcore::exit_file_not_created;
  }
  work_ = templ;
  if (::mkdir((work_ / kOld).c_str(), 0700) != 0 || ::mkdir((work_ / kAside).c_str(), 0700) != 0) {
    error = "cannot write in the folder " + target.string() + ": " + std::strerror(errno);
    return labcore::exit_file_not_created;
  }
  install_handlers();
  handlers_ = true;
  return 0;
}

bool ClassFolder::interrupted(std::string& error) const {
  if (g_signal == 0) return false;
  error = "interrupted by " + signal_name(g_signal);
  return true;
}

fs::path ClassFolder::aside(const std::string& name) const { return work_ / kAside / name; }

bool ClassFolder::create(const std::string& name, labcore::DataFile& file, std::string& error, Access access,
                         bool keep) {
  if (interrupted(error)) return false;
  const auto set_aside = aside_.find(name);
  const fs::path path = set_aside != aside_.end() ? aside(name) : work_ / name;
  if (!file.create(path)) {
    error = "cannot create " + (target_ / name).string() + ": " + std::strerror(errno);
    return false;
  }
  // The working folder is the instructor's alone, so the file is private
  // from its first byte.
  if (access == Access::instructor) make_private(path);
  if (set_aside != aside_.end())
    set_aside->second = access;
  else if (keep && (name.find('/') == std::string::npos || target_folders_.count(name.substr(0, name.find('/'))) > 0))
    entries_.push_back({name, false});
  return true;
}

bool ClassFolder::close(labcore::DataFile& file, const std::string& name, std::string& error) const {
  if (file.close()) return true;
  error = "writing " + (target_ / name).string() + " failed: " + std::strerror(file.error());
  return false;
}

bool ClassFolder::write(const std::string& name, const std::string& text, std::string& error, Access access,
                        bool keep) {
  labcore::DataFile file;
  if (!create(name, file, error, access, keep)) return false;
  file.record(std::string_view(text).substr(0, text.empty() ? 0 : text.size() - 1));
  return close(file, name, error);
}

bool ClassFolder::create_folder(const std::string& name, std::string& error, Access access) {
  if (interrupted(error)) return false;
  const fs::path path = work_ / name;
  if (::mkdir(path.c_str(), access == Access::instructor ? 0700 : 0777) != 0) {
    error = "cannot make the folder " + (target_ / name).string() + ": " + std::strerror(errno);
    return false;
  }
  if (access == Access::instructor) ::chmod(path.c_str(), 0700);
  entries_.push_back({name, false});
  return true;
}

bool ClassFolder::open_folder(const std::string& name, std::string& error, Access access) {
  if (!exists_no_follow(target_ / name)) return create_folder(name, error, access);
  struct stat st{};
  if (::lstat((target_ / name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = (target_ / name).string() + " is in the way: it is not a folder";
    return false;
  }
  if (interrupted(error)) return false;
  if (::mkdir((work_ / name).c_str(), 0700) != 0) {
    error = "cannot make the folder " + (target_ / name).string() + ": " + std::strerror(errno);
    return false;
  }
  target_folders_.insert(name);
  return true;
}

bool ClassFolder::replace(const std::string& name, const std::string& text, std::string& error) {
  const auto set_aside = aside_.find(name);
  const Access access = set_aside != aside_.end() ? set_aside->second : Access::usual;
  aside_.erase(name);  // the new version goes into the working folder itself
  if (!write(name, text, error, access, false)) return false;
  entries_.push_back({name, true});
  return true;
}

std::vector<std::string> ClassFolder::existing(const std::vector<std::string>& names) const {
  std::vector<std::string> found;
  for (const std::string& n : names)
    if (exists_no_follow(target_ / n)) found.push_back(n);
  return found;
}

int ClassFolder::commit(std::string& error) {
  const Hook hook = commit_hook();
  // The old versions of the files to replace, kept aside (a second name of
  // the same file) before the journal can mention them.
  std::vector<Move> moves;
  for (const Entry& e : entries_) {
    Move m;
    m.name = e.name;
    if (e.replaces) {
      m.kind = 'R';
      if (::link((target_ / e.name).c_str(), (work_ / kOld / e.name).c_str()) != 0) {
        error = "cannot replace " + (target_ / e.name).string() + ": " + std::strerror(errno);
        return labcore::exit_write_failed;
      }
    } else {
      struct stat st{};
      if (::lstat((work_ / e.name).c_str(), &st) != 0) {
        error = "cannot move " + e.name + " into " + target_.string() + ": " + std::strerror(errno);
        return labcore::exit_write_failed;
      }
      m.dev = static_cast<unsigned long long>(st.st_dev);
      m.ino = static_cast<unsigned long long>(st.st_ino);
    }
    moves.push_back(std::move(m));
  }
  at_step(hook, 0);
  const SignalsHeld held;
  if (interrupted(error)) return labcore::exit_write_failed;
  {
    labcore::DataFile journal;
    const std::string text = journal_text(moves);
    if (!journal.create(work_ / ".journal.new")) {
      error = "cannot write in the folder " + target_.string() + ": " + std::strerror(errno);
      return labcore::exit_write_failed;
    }
    journal.record(std::string_view(text).substr(0, text.size() - 1));
    if (!journal.close() || ::rename((work_ / ".journal.new").c_str(), (work_ / kJournal).c_str()) != 0) {
      error = "cannot write in the folder " + target_.string() + ": " +
              std::strerror(journal.error() != 0 ? journal.error() : errno);
      return labcore::exit_write_failed;
    }
  }
  at_step(hook, 1);
  for (std::size_t i = 0; i < moves.size(); ++i) {
    const Move& m = moves[i];
    const fs::path from = work_ / m.name, to = target_ / m.name;
    bool done = false;
    if (hook.kind == 'f' && hook.step == static_cast<long>(i + 1))
      errno = EIO;
    else
      done = m.kind == 'R' ? ::rename(from.c_str(), to.c_str()) == 0 : move_new(from, to);
    if (!done) {
      const int reason = errno;
      error = (m.kind == 'R' ? "cannot replace " + to.string() : "cannot move " + m.name + " into " + target_.string()) +
              ": " +
              (reason == EEXIST ? std::string("a file of that name appeared meanwhile") : std::strerror(reason));
      // Taken back while the journal still says what to take back: a kill
      // meanwhile leaves the rest to the next run.
      take_back(work_, target_, std::vector<Move>(moves.begin(), moves.begin() + static_cast<std::ptrdiff_t>(i)));
      return reason == EEXIST ? labcore::exit_file_not_created : labcore::exit_write_failed;
    }
    at_step(hook, static_cast<long>(i + 2));
  }
  // Done: from here the run's files stay, whatever happens.
  ::unlink((work_ / kJournal).c_str());
  committed_ = true;
  at_step(hook, static_cast<long>(moves.size() + 2));
  return 0;
}

// --- Settings -------------------------------------------------------------------

std::string settings_text(const ClassSettings& s) {
  char relative[32];
  const auto r = std::to_chars(relative, relative + sizeof relative, s.relative);
  return "# The class as lab_instructor batch made it; batch --add follows these settings.\n"
         "program=" + s.program + "\ncourse=" + s.course + "\nrelative=" + std::string(relative, r.ptr) +
         "\nworkbooks=" + (s.workbooks ? "yes" : "no") + "\nidentifier=" + s.id_heading + "\n";
}

SettingsFile read_settings(const fs::path& folder, ClassSettings& s, std::string& error) {
  s = ClassSettings{};
  const fs::path path = folder / kSettingsFile;
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return SettingsFile::absent;
  std::string text;
  if (!read_bounded(path.string(), 1u << 16, text, error)) return SettingsFile::unreadable;
  bool program = false, relative = false;
  int line = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string l = text.substr(start, end - start);
    start = end + 1;
    ++line;
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (l.empty() || l[0] == '#') continue;
    const std::size_t eq = l.find('=');
    auto bad = [&](const std::string& why) {
      error = path.string() + ", line " + std::to_string(line) + ": " + why;
      return SettingsFile::unreadable;
    };
    if (eq == std::string::npos) return bad("not a setting (name=value)");
    const std::string key = l.substr(0, eq), value = l.substr(eq + 1);
    if (key == "program") {
      s.program = value;
      program = true;
    } else if (key == "course") {
      s.course = value;
    } else if (key == "relative") {
      const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), s.relative);
      if (ec != std::errc() || p != value.data() + value.size() || !(s.relative > 0 && s.relative < 100))
        return bad("relative=" + value + " is not a percentage above 0 and below 100");
      relative = true;
    } else if (key == "workbooks") {
      if (value != "yes" && value != "no") return bad("workbooks is yes or no");
      s.workbooks = value == "yes";
    } else if (key == "identifier") {
      s.id_heading = value;
    }  // a setting of a later version is left to it
  }
  if (!program || !relative) {
    error = path.string() + ": the settings program and relative are missing";
    return SettingsFile::unreadable;
  }
  return SettingsFile::found;
}

}  // namespace instructor
