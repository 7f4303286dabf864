// What the programs need from the operating system, in one place, for
// POSIX systems (Linux, and WebAssembly under Node) and for Windows.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace labcore::platform {

// The file name as typed (bytes as they came from the terminal) as a path.
// On Windows the bytes are in the console's code page.
std::filesystem::path typed_path(std::string_view name);

// Creates a new file and opens it for writing, bytes exactly as written
// (no line-end translation). Null, with errno set, when anything of that
// name exists (a file, a folder, a link, a device) or it cannot be
// created; nothing existing is opened.
std::FILE* create_new_file(const std::filesystem::path& path);

// A closed terminal pipe and the file-size limit make writes fail instead
// of ending the process, so that the dialog can keep and report what was
// written. (Windows has neither signal: its writes fail already.)
void keep_running_when_writes_fail();

// After a run that failed: a console window that Windows opened for this
// program alone (it was double-clicked) would close at once and take the
// message with it, so the program waits for Enter first. Elsewhere nothing.
void hold_window_after_failure();

}  // namespace labcore::platform
