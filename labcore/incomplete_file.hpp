// A data-set file that is not complete yet is removed when a signal ends
// the run (Ctrl-C, a closed terminal's hang-up, a termination request), so
// that its name is free for the next run. The handler only removes the
// file and lets the signal end the program as it would have.
#pragma once

#include <filesystem>

namespace labcore {

// Installs the handlers of SIGINT, SIGTERM and SIGHUP; main() of a program
// calls it once. Until then the two calls below only record the file.
void remove_incomplete_file_on_signal();

// From now on the file `path` is incomplete: a signal removes it.
void file_incomplete(const std::filesystem::path& path);
// The file is complete (or kept for another reason): a signal leaves it.
void file_kept();

}  // namespace labcore
