// lab_instructor verify DATASET.csv...: whether handed-in data sets are
// exactly what their programs write for their seeds.
#include <CLI/CLI.hpp>

#include <memory>

#include <map>

#include "instructor/class_key.hpp"
#include "instructor/commands.hpp"
#include "instructor/dataset_check.hpp"
#include "instructor/text_io.hpp"

namespace instructor {

namespace {

using Verdict = DataSetCheck::Verdict;

// Messages hold file names, which the students chose.
constexpr std::size_t kLongestShownName = 4096;

struct VerifyWords {
  std::vector<std::string> files;
  std::string class_folder;
};

std::string set_aside(const DataSetCheck& c) {
  if (c.crlf && c.bom) return "the line ends (CR LF instead of LF) and the byte-order mark";
  if (c.crlf) return "the line ends (CR LF instead of LF)";
  return "the byte-order mark";
}

std::string side(bool present, const std::string& record) {
  return present ? "\"" + shown(record) + "\"" : std::string("(no record)");
}

// A file that differs only in the last digit of a few numbers is most
// likely another build's data set (an earlier version, another C library):
// a question to the instructor, not a verdict, with a status of its own.
constexpr int kLastDigitsOnly = 3;

std::string last_digits(const DataSetCheck& c) {
  return "differs in the last digit of " + std::to_string(c.last_digit_numbers) +
         (c.last_digit_numbers == 1 ? " number" : " numbers") + ": made by another build?";
}

}  // namespace

// One file, in full: the first record that differs, both versions.
int report_data_set(const std::string& path, const DataSetCheck& c, Io& io) {
  if (c.verdict == Verdict::unusable) {
    io.err << shown(c.problem, kLongestShownName) << '\n';
    return labcore::exit_input_error;
  }
  io.out << shown(path, kLongestShownName) << ": " << c.program->name << ", seeds " << c.seed1 << ' ' << c.seed2
         << '\n';
  if (c.verdict == Verdict::differs) {
    if (c.crlf || c.bom) io.out << "(compared without " << set_aside(c) << ")\n";
    if (c.last_digit_numbers > 0) io.out << last_digits(c) << '\n';
    if (c.record == 0) {
      io.out << "the last record has no line end\n";
    } else {
      io.out << "record " << c.record << " differs:\n";
      io.out << "  in the file:      " << side(c.in_file_present, c.in_file) << '\n';
      io.out << "  program writes:   " << side(c.written_present, c.written) << '\n';
    }
    return c.last_digit_numbers > 0 ? kLastDigitsOnly : 1;
  }
  if (c.crlf || c.bom)
    io.out << "identical apart from " << set_aside(c) << ": the records are exactly what " << c.program->name
           << " writes for these seeds";
  else
    io.out << "identical: the file is exactly what " << c.program->name << " writes for these seeds";
  if (c.model_failed) io.out << " (a run that ends with the model's failure message)";
  io.out << '\n';
  return 0;
}

namespace {

// The class folder of --class: its keys, read once per program.
struct ClassFolder {
  std::string outdir;
  std::map<const labcore::Program*, ClassKey> keys;

  // The mismatch sentences, empty when the file is the roster student's:
  // the name in the file against the owner of its seeds, and the file's
  // own name against the key's file names. False with a message when the
  // key cannot be read.
  bool check(const std::string& path, const DataSetCheck& c, std::vector<std::string>& mismatches,
             std::string& error) {
    auto it = keys.find(c.program);
    if (it == keys.end()) {
      ClassKey key;
      if (!read_class_key(outdir, *c.program, key, error)) return false;
      it = keys.emplace(c.program, std::move(key)).first;
    }
    mismatches.clear();
    for (std::string m : {class_mismatch(it->second, c), file_name_mismatch(it->second, path, c)})
      if (!m.empty()) mismatches.push_back(std::move(m));
    return true;
  }
};

int verify_one(const std::string& path, Io& io, ClassFolder* cls) {
  const DataSetCheck c = check_data_set(path);
  int status = report_data_set(path, c, io);
  if (cls == nullptr || c.verdict == Verdict::unusable) return status;
  std::vector<std::string> mismatches;
  std::string error;
  if (!cls->check(path, c, mismatches, error)) {
    io.err << shown(error, kLongestShownName) << '\n';
    return labcore::exit_input_error;
  }
  if (mismatches.empty()) {
    io.out << "the name is that of the roster student given these seeds\n";
    return status;
  }
  for (const std::string& m : mismatches) io.out << "name mismatch: " << shown(m, kLongestShownName) << '\n';
  return status == 0 || status == kLastDigitsOnly ? 1 : status;
}

// Many files: one line each, the files that hand in one data set twice
// (the same seeds, or the same records), then a count of each verdict.
int verify_many(const std::vector<std::string>& files, Io& io, ClassFolder* cls) {
  std::size_t identical = 0, differ = 0, last_digit = 0, unusable = 0, mismatched = 0;
  struct Seen {
    const std::string* path;
    const labcore::Program* program;
    std::int32_t seed1, seed2;
    std::string records;
  };
  std::vector<Seen> seen;
  for (const std::string& path : files) {
    const DataSetCheck c = check_data_set(path);
    if (c.verdict == Verdict::unusable) {
      ++unusable;
      io.out << shown(c.problem, kLongestShownName) << '\n';
      continue;
    }
    seen.push_back({&path, c.program, c.seed1, c.seed2, c.records});
    io.out << shown(path, kLongestShownName) << ": ";
    if (c.verdict == Verdict::identical) {
      ++identical;
      io.out << "identical";
      if (c.crlf || c.bom) io.out << " apart from " << set_aside(c);
    } else if (c.last_digit_numbers > 0) {
      ++last_digit;
      io.out << last_digits(c);
    } else {
      ++differ;
      if (c.record == 0)
        io.out << "the last record has no line end";
      else
        io.out << "record " << c.record << " differs";
    }
    io.out << " (" << c.program->name << ", seeds " << c.seed1 << ' ' << c.seed2 << ")";
    if (cls != nullptr) {
      std::vector<std::string> mismatches;
      std::string error;
      if (!cls->check(path, c, mismatches, error)) {
        io.out << '\n';
        io.err << shown(error, kLongestShownName) << '\n';
        return labcore::exit_input_error;
      }
      if (!mismatches.empty()) ++mismatched;
      for (const std::string& m : mismatches) io.out << "; name mismatch: " << shown(m, kLongestShownName);
    }
    io.out << '\n';
  }
  // One data set handed in under several files: the same program and
  // seeds (a classmate's file, its name cell edited or not).
  std::size_t twice = 0;
  std::vector<bool> grouped(seen.size(), false);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    if (grouped[i]) continue;
    std::vector<std::size_t> same{i};
    for (std::size_t j = i + 1; j < seen.size(); ++j)
      if (!grouped[j] && seen[j].program == seen[i].program && seen[j].seed1 == seen[i].seed1 &&
          seen[j].seed2 == seen[i].seed2)
        same.push_back(j);
    if (same.size() == 1) continue;
    if (twice == 0) io.out << "one data set in several files:\n";
    twice += same.size();
    bool alike = true;
    io.out << " ";
    for (std::size_t k : same) {
      grouped[k] = true;
      alike = alike && seen[k].records == seen[i].records;
      io.out << ' ' << shown(*seen[k].path, kLongestShownName);
    }
    io.out << ": " << seen[i].program->name << ", seeds " << seen[i].seed1 << ' ' << seen[i].seed2 << ", "
           << (alike ? "the same records" : "the same seeds, the records differ (an edited name?)") << '\n';
  }
  io.out << files.size() << " files: " << identical << " identical, ";
  if (last_digit > 0) io.out << last_digit << " differ only in the last digit of a few numbers, ";
  io.out << differ << " differ, " << unusable << " not readable as data sets";
  if (cls != nullptr) io.out << ", " << mismatched << " not the roster student's name";
  if (twice > 0) io.out << ", " << twice << " holding a data set another file holds";
  io.out << '\n';
  if (unusable > 0) return labcore::exit_input_error;
  if (differ > 0 || mismatched > 0 || twice > 0) return 1;
  return last_digit > 0 ? kLastDigitsOnly : 0;
}

}  // namespace

Action setup_verify(CLI::App& cmd) {
  auto w = std::make_shared<VerifyWords>();
  cmd.add_option("DATASET", w->files, "data sets handed in; with several, one line each and a summary")
      ->required();
  cmd.add_option("--class", w->class_folder,
                 "the class folder of a batch: also check that the name in each file is the roster student's "
                 "whose seeds it carries, and that a file named as a student's data set in the key holds that "
                 "student's seeds");
  return [w](Io& io) {
    ClassFolder cls{w->class_folder, {}};
    ClassFolder* c = w->class_folder.empty() ? nullptr : &cls;
    return w->files.size() == 1 ? verify_one(w->files[0], io, c) : verify_many(w->files, io, c);
  };
}

}  // namespace instructor
