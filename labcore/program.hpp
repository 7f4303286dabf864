// A generator program: its dialog form and titles, and the function that
// draws the hidden properties of one experiment and writes its records.
//
// The framework runs the dialog, creates the data-set file and writes its
// prologue, hands the generator a Run (the open file, the seeded generator
// state and a place to name hidden values), then writes the epilogue.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "labcore/random.hpp"
#include "labcore/records.hpp"

namespace labcore {

// The four variants of the dialog and prologue.
enum class Form { A, B, C, D };

// Exit statuses of a run.
enum ExitStatus : int {
  exit_ok = 0,
  exit_file_not_created = 1,    // the data-set name exists or cannot be created
  exit_input_error = 2,         // a reply that cannot be used, or the input ended
  exit_computation_failed = 3,  // the experiment's model failed for these seeds
  exit_write_failed = 4,        // the data-set file could not be written
  exit_internal_error = 5,
};

// A hidden quantity of a data set: what the student is to find.
struct HiddenValue {
  std::string name;
  Value::Kind kind;
  double real = 0.0;         // float values are held exactly
  std::int64_t integer = 0;
};

// Ends a run: the terminal records are shown, the data-set file keeps what
// was written and is closed, and the program exits with `status`.
class Failure : public std::runtime_error {
 public:
  explicit Failure(std::vector<std::string> terminal_records, int status = exit_computation_failed)
      : std::runtime_error(terminal_records.empty() ? std::string() : terminal_records.front()),
        records_(std::move(terminal_records)),
        status_(status) {}
  const std::vector<std::string>& records() const { return records_; }
  int status() const { return status_; }

 private:
  std::vector<std::string> records_;
  int status_;
};

// What a generator works with during its run.
class Run {
 public:
  Run(RecordSink& file, SeedPair& seeds, std::vector<HiddenValue>* key = nullptr)
      : file_(file), seeds_(seeds), key_(key) {}

  // The open data-set file.
  Records& file() { return file_; }
  // The generator state, set from the typed seeds.
  SeedPair& seeds() { return seeds_; }

  // Names a hidden value that the run draws or derives. Interactive runs
  // ignore it; the instructor's answer key lists it.
  template <class T>
  void hidden(std::string_view name, T value) {
    if (key_ != nullptr) add_hidden(std::string(name), value);
  }
  template <class T>
  void hidden(std::string_view name, int index, T value) {
    hidden(name, {index}, value);
  }
  // An element of a table of several indices: name(i,j,...).
  template <class T>
  void hidden(std::string_view name, std::initializer_list<int> indices, T value) {
    if (key_ == nullptr) return;
    std::string full(name);
    char sep = '(';
    for (int i : indices) {
      full += sep;
      full += std::to_string(i);
      sep = ',';
    }
    add_hidden(full + ")", value);
  }

  // Ends the run with a list-directed message on the terminal.
  template <class... A>
  [[noreturn]] void fail(const A&... message) {
    throw Failure({list_record(message...)});
  }

 private:
  template <class T>
  void add_hidden(std::string name, T value) {
    HiddenValue h{std::move(name), Value::Kind::integer};
    if constexpr (std::is_same_v<T, float>) {
      h.kind = Value::Kind::real4;
      h.real = static_cast<double>(value);
    } else if constexpr (std::is_same_v<T, double>) {
      h.kind = Value::Kind::real8;
      h.real = value;
    } else {
      static_assert(std::is_integral_v<T>, "hidden values are reals or integers");
      h.integer = value;
    }
    key_->push_back(std::move(h));
  }

  Records file_;
  SeedPair& seeds_;
  std::vector<HiddenValue>* key_;
};

struct Program {
  std::string_view name;
  Form form = Form::A;
  std::vector<std::string_view> titles;  // terminal title record(s)
  std::string_view header_format;        // format of the file's first record
  // List-directed texts written after the name record; empty means the
  // form's usual two "," records.
  std::vector<std::string_view> after_name;
  int closing_separators = 1;  // "," records that close a form A or B prologue
  void (*generate)(Run&) = nullptr;
};

// The whole interactive run over an injected dialog: replies from `in`,
// messages to `terminal`, the data-set file created in `folder` (a relative
// name is taken from there). Returns the exit status.
int run_program(const Program& program, std::istream& in, std::ostream& terminal,
                const std::filesystem::path& folder);

// main() of a generator: the run on the standard streams and the current
// folder.
int program_main(const Program& program);

// Everything a data set holds for a student name (as typed) and a seed
// pair, written to `sink` without a dialog: prologue and the generator's
// records. The hidden values are appended to `key` when it is given. A
// failure of the computation is thrown as Failure.
SeedPair write_data_set(const Program& program, std::string_view student_name, std::int32_t seed1,
                        std::int32_t seed2, RecordSink& sink, std::vector<HiddenValue>* key = nullptr);

}  // namespace labcore
