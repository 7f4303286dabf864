#include "instructor/staged_folder.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace instructor {

namespace fs = std::filesystem;

namespace {

// Moves `from` to `to` only when `to` does not exist, atomically: no other
// process can slip a file in between the check and the move.
bool move_new(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a hard link fails on an
  // existing name just as well.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

bool exists_no_follow(const fs::path& p) {
  struct stat st{};
  return ::lstat(p.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace

StagedFolder::~StagedFolder() {
  std::error_code ec;
  if (!work_.empty()) fs::remove_all(work_, ec);
  if (!committed_)
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::rmdir(it->c_str());  // only when empty
}

bool StagedFolder::open(const fs::path& target, std::string& error) {
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
      return false;
    }
    made_.push_back(p);
  }
  struct stat st{};
  if (::stat(target.c_str(), &st) != 0) {
    error = "cannot use the folder " + target.string() + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = target.string() + " is not a folder";
    return false;
  }
  std::string templ = (target / ".lab_instructor.XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) {
    error = "cannot write in the folder " + target.string() + ": " + std::strerror(errno);
    return false;
  }
  work_ = templ;
  return true;
}

bool StagedFolder::create(const std::string& name, labcore::DataFile& file, std::string& error, bool keep) {
  if (!file.create(work_ / name)) {
    error = "cannot create " + (target_ / name).string() + ": " + std::strerror(errno);
    return false;
  }
  if (keep) kept_.push_back(name);
  return true;
}

bool StagedFolder::create_folder(const std::string& name, std::string& error) {
  if (::mkdir((work_ / name).c_str(), 0777) != 0) {
    error = "cannot make the folder " + (target_ / name).string() + ": " + std::strerror(errno);
    return false;
  }
  kept_.push_back(name);
  return true;
}

std::vector<std::string> StagedFolder::existing(const std::vector<std::string>& names) const {
  std::vector<std::string> found;
  for (const std::string& n : names)
    if (exists_no_follow(target_ / n)) found.push_back(n);
  return found;
}

bool StagedFolder::commit(std::string& error) {
  for (std::size_t i = 0; i < kept_.size(); ++i) {
    if (move_new(work_ / kept_[i], target_ / kept_[i])) continue;
    error = "cannot move " + kept_[i] + " into " + target_.string() + ": " +
            (errno == EEXIST ? std::string("a file of that name appeared meanwhile") : std::strerror(errno));
    // Take back what was moved: those names were new, so they are ours.
    while (i-- > 0) ::rename((target_ / kept_[i]).c_str(), (work_ / kept_[i]).c_str());
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace instructor
