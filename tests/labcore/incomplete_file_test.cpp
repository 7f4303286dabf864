// What a signal (on Windows a console control event) does to the data set
// the dialog began: the file goes while the program still holds it open,
// which on Windows works only because the file was created shareable for
// deletion, and its name is free again. A complete file stays.
#include "labcore/incomplete_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "labcore/datafile.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using labcore::DataFile;

TEST(IncompleteFile, GoesWhileStillOpenAndItsNameIsFreeAgain) {
  labtest::TempDir dir;
  const fs::path path = dir.path() / "out.csv";
  DataFile data;
  ASSERT_TRUE(data.create(path));
  data.record(" Vapor pressure of a pure liquid");
  ASSERT_TRUE(data.flush());
  labcore::file_incomplete(path);
  labcore::remove_incomplete_file();
  labcore::file_kept();
  // The program may still write and close before it ends.
  data.record(" Jane Doe");
  EXPECT_TRUE(data.close());
  EXPECT_FALSE(fs::exists(path));
  DataFile again;
  EXPECT_TRUE(again.create(path));
  EXPECT_TRUE(again.close());
}

TEST(IncompleteFile, AFileMarkedCompleteOrNeverMarkedStays) {
  labtest::TempDir dir;
  const fs::path path = dir.path() / "out.csv";
  labtest::write_file(path, " complete\n");
  labcore::remove_incomplete_file();  // nothing marked yet
  labcore::file_incomplete(path);
  labcore::file_kept();
  labcore::remove_incomplete_file();
  EXPECT_EQ(labtest::read_file(path), " complete\n");
}

}  // namespace
