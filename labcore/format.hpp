// The record-format engine.
//
// A data-set record is described by an edit-descriptor format such as
// (f7.2,",",f8.0): quoted texts, Fw.d, Ew.d, Iw, Aw, repeat groups n(...)
// and "/" record breaks. Programs hold each format verbatim, and this one
// engine renders all of them. Reals are rounded correctly from their exact
// stored value (ties to even); a value that does not fit its field fills
// the field with asterisks.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "labcore/values.hpp"

namespace labcore {

// A format that cannot be read, or a value of the wrong kind for its edit
// descriptor: a fault in a program, never in a user's input.
class FormatError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Receives finished records, one line each, without the line end.
class RecordSink {
 public:
  virtual void record(std::string_view line) = 0;

 protected:
  ~RecordSink() = default;
};

// Single edit descriptors, appended to out.
void put_fixed(std::string& out, double x, int w, int d);     // Fw.d
void put_exponent(std::string& out, double x, int w, int d);  // Ew.d
void put_integer(std::string& out, std::int64_t v, int w);    // Iw
void put_text(std::string& out, std::string_view s, int w);   // Aw; w < 0 for plain A

// Renders the records that `format` makes of `values` into `sink`. `line` is
// scratch space, reused from call to call so that writing a record does not
// allocate.
void write_formatted(std::string_view format, ArgCursor& values, std::string& line,
                     RecordSink& sink);

}  // namespace labcore
