// The terminal dialog and the prologue and epilogue of the data-set file.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <iostream>

#include "labcore/datafile.hpp"
#include "labcore/incomplete_file.hpp"
#include "labcore/program.hpp"
#include "labcore/replies.hpp"

namespace labcore {

namespace {

constexpr std::size_t kFileNameWidth = 20;
constexpr std::size_t kStudentNameWidth = 30;

// The wording that differs between the dialog forms.
struct FormTexts {
  std::string_view extension_hint;
  std::string_view open_failed;
  std::string_view student_prompt;
  std::string_view first_seed_prompt;
  std::string_view second_seed_prompt;
  std::string_view completed;
  std::string_view student_name_format;
};

FormTexts texts(Form form) {
  FormTexts t{
      "Do not forget to include .csv extension! ",
      " opening output file failed.  Does file already exist? Must be new! ",
      "What is the name of the student? (30 chars max) ",
      "What is the first random number seed?",
      "What is the second random number seed?",
      "Calculation of data tables completed. Placed in output file: ",
      R"(('"Student Name:",'))",
  };
  if (form == Form::C) {
    t.extension_hint = "Do not forget to type the .csv extension onto the output file name!";
    t.open_failed = "opening output file failed. Is there already an existing file by that name?";
    t.student_name_format = R"(('"Student Name:",,,,,,,'))";
    t.completed = "Calculation of data table completed. Placed in output file: ";
  }
  if (form == Form::D) {
    t.open_failed = "opening output file failed. Does file already exist? Must be new!";
    t.completed = "Set of isotherms complete in output file: ";
  }
  if (form == Form::C || form == Form::D) {
    t.student_prompt = "What is the name of the student? (30 chars max)";
    t.first_seed_prompt = "What is first seed number? ";
    t.second_seed_prompt = "What is second seed number?";
  }
  return t;
}

// The "Student Name:" record, the 33-character name record and the
// records that follow it. A double quote typed in the name would end the
// CSV cell early, so it is written as an apostrophe; a control character
// would corrupt the record and is written as a blank; a name that a
// spreadsheet would run as a formula is kept as text (name_cell_field).
void write_name_records(Records& file, const Program& program, std::string_view name30) {
  file.write(texts(program.form).student_name_format);
  std::string cell = "\"";
  for (char c : name_cell_field(name30, kStudentNameWidth)) {
    const auto u = static_cast<unsigned char>(c);
    cell.push_back(c == '"' ? '\'' : (u < 0x20 || u == 0x7f) ? ' ' : c);
  }
  cell += "\",";
  file.write("(A33)", cell);
  if (program.after_name.empty()) {
    file.list(",");
    file.list(",");
  } else {
    for (std::string_view text : program.after_name) file.list(text);
  }
}

// Steps 20 to 22: the seeds and the closing separator.
void write_seed_records(Records& file, const Program& program, std::int32_t s1, std::int32_t s2) {
  switch (program.form) {
    case Form::A:
      file.list("\"seed1: \",", s1);
      file.list("\"seed2: \",", s2);
      break;
    case Form::B:
      file.list("seed1: ,", s1);
      file.list("seed2: ,", s2);
      break;
    case Form::C:
      file.list("first seed:, ", s1, ",second seed:, ", s2, ",,,,");
      file.list(",,,,,,,");
      return;
    case Form::D:
      file.list(" iseed1 = ", s1, "      iseed2 = ", s2);
      file.list(", ");
      return;
  }
  for (int k = 0; k < program.closing_separators; ++k) file.list(",");
}

bool has_control_character(std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) return true;
  }
  return false;
}

// The end of input, or a reply that cannot be used: the run stops with a
// message that says what was expected.
[[noreturn]] void input_error(std::string_view what) {
  throw Failure({list_record("Input error: ", what)}, exit_input_error);
}

// No reply came: the input ended, or it could not be read at all (a reply
// too long for the memory the program may use, a read error).
[[noreturn]] void no_reply(const Replies& replies, std::string_view before) {
  if (replies.broken())
    input_error("a reply could not be read: it is longer than the memory allows, or the input failed.");
  input_error(std::string("the input ended before ") + std::string(before) + ".");
}

// " (the system says: No such file or directory)": the reason of a failed
// create or write, as the C library words it.
std::string system_says(int err) { return list_record("(the system says: ", std::strerror(err), ")"); }

std::vector<std::string> write_failure_records(int err, std::string_view file_name) {
  return {list_record("Writing the data-set file failed; the file is incomplete: ", file_name), system_says(err)};
}

[[noreturn]] void write_failed(int err, std::string_view file_name) {
  throw Failure(write_failure_records(err, file_name), exit_write_failed);
}

std::int32_t read_seed(Replies& replies, std::string_view which) {
  std::int32_t seed = 0;
  switch (replies.integer(seed)) {
    case Replies::Number::ok:
      return seed;
    case Replies::Number::end_of_input:
      no_reply(replies, std::string("the ") + std::string(which) + " seed was given");
    case Replies::Number::not_a_number:
      break;
  }
  input_error(std::string("the ") + std::string(which) +
              " seed must be a whole number from -2147483648 to 2147483647.");
}

}  // namespace

int run_program(const Program& program, std::istream& in, std::ostream& terminal,
                const std::filesystem::path& folder) {
  StreamSink screen_sink(terminal);
  Records screen(screen_sink);
  const FormTexts t = texts(program.form);
  Replies replies(in);
  DataFile data;
  std::string output_file;
  std::filesystem::path path;  // the data-set file once it is created
  bool complete = false;
  // Whatever way the run ends, a signal after it leaves the file alone.
  struct Kept {
    ~Kept() { file_kept(); }
  } kept;
  auto prompt = [&](std::string_view text) { screen.list(text); };
  // Before every wait for a reply, every record written so far is handed
  // to the system, so that a run stopped while it waits loses nothing; a
  // write that failed ends the run here. A terminal that can no longer be
  // written (a closed pipe, a full device) ends the run as the end of the
  // input does: no prompt can be shown.
  auto wait = [&] {
    if (!data.flush()) write_failed(data.error(), output_file);
    terminal.flush();
    if (!terminal) input_error("the terminal output was closed; the run stops at this prompt.");
  };

  try {
    for (std::string_view title : program.titles) screen.list(title);
    screen.list();
    prompt("What is the name of the output file? (20 chars max)");
    prompt(t.extension_hint);
    wait();
    if (!replies.field(kFileNameWidth, output_file))
      no_reply(replies, "the name of the output file was given");
    const std::string_view file_name = trim_right(output_file);
    if (file_name.empty())
      input_error("the name of the output file is empty; type a new name such as data.csv.");
    if (has_control_character(file_name))
      input_error("the name of the output file holds a control character; type a plain name such as data.csv.");

    if (!data.create(folder / std::filesystem::path(std::string(file_name)))) {
      // The form's own message, then why: a missing folder, an existing
      // name, a folder of that name, no permission.
      const int err = errno;
      screen.list(t.open_failed);
      screen_sink.record(system_says(err));
      terminal.flush();
      return exit_file_not_created;
    }
    output_file = std::string(file_name);
    path = folder / std::filesystem::path(output_file);
    file_incomplete(path);
    Records file(data);
    file.write(program.header_format);

    prompt(t.student_prompt);
    wait();
    std::string student_name;
    if (!replies.field(kStudentNameWidth, student_name))
      no_reply(replies, "the name of the student was given");
    write_name_records(file, program, student_name);

    prompt("Two random number seeds between 1 and 2^31 are needed");
    prompt(t.first_seed_prompt);
    wait();
    const std::int32_t seed1 = read_seed(replies, "first");
    prompt(t.second_seed_prompt);
    wait();
    const std::int32_t seed2 = read_seed(replies, "second");
    write_seed_records(file, program, seed1, seed2);

    SeedPair seeds{seed1, seed2};
    Run run(data, seeds);
    program.generate(run);

    // The data set is on disk and checked before the screen says so.
    if (!data.close()) write_failed(data.error(), output_file);
    complete = true;
    file_kept();
    screen.list(t.completed, fit_field(output_file, kFileNameWidth));
    prompt("done? Enter any character ");
    wait();
    if (!replies.any_character())
      no_reply(replies, "a character was typed to finish");
    terminal.flush();
    return exit_ok;
  } catch (const Failure& failure) {
    // The file is closed before the message is shown; a write that failed
    // meanwhile is reported too. The records written before a failure of
    // the model or of a write stay in the file; a dialog that cannot go on
    // (a reply that cannot be used, the input ended, the terminal closed)
    // removes the file it began, unless it was complete, so that the name
    // can be used again.
    file_kept();
    const bool written = data.close();
    for (const std::string& record : failure.records()) screen_sink.record(record);
    std::error_code ec;
    if (written && failure.status() == exit_input_error && !path.empty() && !complete &&
        std::filesystem::remove(path, ec))
      screen.list("the incomplete file ", output_file, " was removed");
    if (!written && failure.status() != exit_write_failed) {
      for (const std::string& record : write_failure_records(data.error(), output_file))
        screen_sink.record(record);
      terminal.flush();
      return exit_write_failed;
    }
    terminal.flush();
    return failure.status();
  }
}

int program_main(const Program& program) {
  // A closed terminal pipe must not end the run before the data set is
  // flushed: writes to it fail instead (EPIPE), and the dialog ends at its
  // next wait. Beyond the file-size limit a write fails with EFBIG and is
  // reported as a write failure, instead of ending the process. SIGINT,
  // SIGTERM and SIGHUP end it as usual, after removing a data set that is
  // not complete; the file is flushed at every wait.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  remove_incomplete_file_on_signal();
  try {
    const int status = run_program(program, std::cin, std::cout, std::filesystem::path());
    if (!std::cout) {
      std::cerr << program.name << ": the terminal output could not be written; the run stopped with status "
                << status << '\n';
    }
    return status;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << program.name << ": internal error: " << e.what() << '\n';
    return exit_internal_error;
  }
}

SeedPair write_data_set(const Program& program, std::string_view student_name, std::int32_t seed1,
                        std::int32_t seed2, RecordSink& sink, std::vector<HiddenValue>* key) {
  Records file(sink);
  file.write(program.header_format);
  write_name_records(file, program, fit_field(student_name, kStudentNameWidth));
  write_seed_records(file, program, seed1, seed2);
  SeedPair seeds{seed1, seed2};
  Run run(sink, seeds, key);
  program.generate(run);
  return seeds;
}

}  // namespace labcore
