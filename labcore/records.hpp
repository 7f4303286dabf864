// Writing records: a Records object renders formatted and list-directed
// records into a sink (the data-set file, the terminal, or a string).
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>

#include "labcore/format.hpp"
#include "labcore/list_directed.hpp"
#include "labcore/values.hpp"

namespace labcore {

class Records {
 public:
  explicit Records(RecordSink& sink) : sink_(sink) { line_.reserve(512); }

  // One or more records written with a format, e.g. write(R"((f7.2,",",f8.0))", t, p).
  template <class... A>
  void write(std::string_view format, const A&... values) {
    const std::array<Arg, sizeof...(A)> args{Arg(values)...};
    ArgCursor cursor(args);
    write_formatted(format, cursor, line_, sink_);
  }

  // One list-directed record, e.g. list("seed1: ,", iseed1).
  template <class... A>
  void list(const A&... values) {
    const std::array<Arg, sizeof...(A)> args{Arg(values)...};
    ArgCursor cursor(args);
    write_list(cursor, line_);
    sink_.record(line_);
  }

 private:
  RecordSink& sink_;
  std::string line_;
};

// A list-directed record as a string, for messages built away from a sink.
template <class... A>
std::string list_record(const A&... values) {
  const std::array<Arg, sizeof...(A)> args{Arg(values)...};
  ArgCursor cursor(args);
  std::string line;
  write_list(cursor, line);
  return line;
}

// Records appended to a string, each followed by a newline.
class StringSink final : public RecordSink {
 public:
  void record(std::string_view line) override {
    text.append(line);
    text.push_back('\n');
  }
  std::string text;
};

// Records written to a stream, each followed by a newline.
class StreamSink final : public RecordSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  void record(std::string_view line) override {
    out_.write(line.data(), static_cast<std::streamsize>(line.size()));
    out_.put('\n');
  }

 private:
  std::ostream& out_;
};

}  // namespace labcore
