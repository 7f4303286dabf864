#include "labcore/platform.hpp"

#include <cerrno>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <iostream>
#else
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#endif

namespace labcore::platform {

#ifdef _WIN32

std::filesystem::path typed_path(std::string_view name) {
  if (name.empty()) return {};
  // The console's input code page, or the system's when there is no
  // console; every byte sequence converts (a stray byte to U+FFFD).
  UINT page = GetConsoleCP();
  if (page == 0) page = CP_ACP;
  const int size = static_cast<int>(name.size());
  const int n = MultiByteToWideChar(page, 0, name.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(page, 0, name.data(), size, wide.data(), n);
  return std::filesystem::path(wide);
}

std::FILE* create_new_file(const std::filesystem::path& path) {
  // _O_EXCL with _O_CREAT creates the file new (CREATE_NEW): an existing
  // name is never opened.
  const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  // A device name (NUL, CON, COM1, ...) opens the device in every folder:
  // it names something that exists, not a new file.
  if (GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))) != FILE_TYPE_DISK) {
    ::_close(fd);
    errno = EEXIST;
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, "wb");
  if (file == nullptr) {
    const int err = errno;
    ::_close(fd);
    errno = err;
  }
  return file;
}

void keep_running_when_writes_fail() {}

void hold_window_after_failure() {
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return;  // a Command Prompt's, or none
  std::cout << " Press Enter to close this window." << std::endl;
  std::string line;
  std::getline(std::cin, line);
}

#else

std::filesystem::path typed_path(std::string_view name) { return std::filesystem::path(std::string(name)); }

std::FILE* create_new_file(const std::filesystem::path& path) {
  // O_EXCL with O_CREAT refuses any existing name, a dangling or live
  // symbolic link included, so nothing but a brand-new file is written.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "w");
  if (file == nullptr) {
    const int err = errno;
    ::close(fd);
    errno = err;
  }
  return file;
}

void keep_running_when_writes_fail() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

void hold_window_after_failure() {}

#endif

}  // namespace labcore::platform
