// Files that appear in a folder all together or not at all. They are
// written into a fresh working folder inside the target folder and moved
// into the target only once every one of them is complete; a file of the
// same name in the target is never replaced.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "labcore/datafile.hpp"

namespace instructor {

class StagedFolder {
 public:
  StagedFolder() = default;
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;
  // Removes the working folder with whatever is still in it, and the
  // target folders it made when nothing was moved into them.
  ~StagedFolder();

  // Makes the target folder (and its parents) when missing and a fresh
  // working folder inside it. False with a message when either cannot be
  // made.
  bool open(const std::filesystem::path& target, std::string& error);

  // Creates `name` in the working folder for writing; it is moved into the
  // target by commit(). A scratch file (keep = false) is not moved.
  bool create(const std::string& name, labcore::DataFile& file, std::string& error, bool keep = true);
  // Makes the folder `name` in the working folder; it is moved into the
  // target whole by commit(). Files made in it with create("name/file",
  // ..., false) go with it.
  bool create_folder(const std::string& name, std::string& error);
  // The path of `name` in the working folder.
  std::filesystem::path working(const std::string& name) const { return work_ / name; }

  // The names among `names` that exist in the target already.
  std::vector<std::string> existing(const std::vector<std::string>& names) const;

  // Moves every kept file into the target, none replacing anything. When
  // one cannot be moved, those moved already are taken back and false is
  // returned with a message: the target is as it was.
  bool commit(std::string& error);

  const std::filesystem::path& target() const { return target_; }

 private:
  std::filesystem::path target_, work_;
  std::vector<std::filesystem::path> made_;  // target folders this run made, innermost last
  std::vector<std::string> kept_;
  bool committed_ = false;
};

}  // namespace instructor
