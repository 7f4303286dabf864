// Text the tool writes that others typed (students' names, identifiers,
// cells of a results file), made safe for where it lands: a CSV cell that
// a spreadsheet opens, a terminal or a feedback text, a file name. One
// function each; every writer of such text calls these and does none of it
// by hand.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

// A cell of CSV: quoted when it holds a comma, a quote or a line end,
// quotes doubled. For numbers and the tool's own words.
std::string csv_cell(std::string_view text);

// A CSV cell of text someone typed (a name, an identifier, a result as
// reported): a leading =, +, - or @ would make a spreadsheet run the cell
// as a formula, so such text gets a leading apostrophe (the same rule the
// programs apply to the name record, labcore::starts_formula), then
// csv_cell's quoting.
std::string text_cell(std::string_view text);

// The typed text again from a cell that text_cell (or a spreadsheet's
// re-save of it) wrote: a leading apostrophe before a formula start is
// taken off. For reading back names and identifiers.
std::string text_of_cell(std::string_view cell);

// Text for a terminal or a feedback file: CR, LF, TAB, ESC, other control
// bytes, DEL, bytes that are not UTF-8 and invisible or direction-changing
// characters (U+200B..U+200F, U+202A..U+202E, U+2066..U+2069, ...) shown
// as \r, \n, \t, \x1b, ... (every byte of such a character), a backslash as
// \\; cut after `limit` bytes (never inside a character) with a note of
// how many more there are.
std::string shown(std::string_view text, std::size_t limit = 200);

// The longest file stem made from a name, in bytes: room is left for a
// number and the longest ending within the file system's 255 bytes.
constexpr std::size_t kMaxStemBytes = 200;

// A file name stem made from a person's name or identifier: ASCII letters
// (in lower case) and digits kept, printable characters beyond ASCII kept
// as they are, every other run of bytes (punctuation, blanks, control
// bytes, bytes that are not UTF-8, invisible characters) one underscore,
// none at either end; cut to kMaxStemBytes at a character boundary. Empty
// when nothing is left.
std::string file_stem(std::string_view name);

// Unique stems for `stems` (file_stem's, or a fallback): the first holder
// of a stem keeps it; later ones take "_2", "_3", ..., a number whose
// files (stem + each of `endings`) collide with no other stem's files and
// no name in `taken`. A stem whose own files are taken is numbered too.
std::vector<std::string> unique_stems(const std::vector<std::string>& stems, const std::vector<std::string>& endings,
                                      const std::vector<std::string>& taken);

// The well-formed UTF-8 sequence at the start of `s`: its length in bytes
// (0 for a byte that starts none: a stray continuation byte, an overlong
// form, a surrogate, beyond U+10FFFF) and, when `code` is given, its code
// point.
std::size_t utf8_sequence(std::string_view s, char32_t* code = nullptr);

// `code` appended to `out` as UTF-8.
void append_utf8(std::string& out, char32_t code);

}  // namespace analysis
