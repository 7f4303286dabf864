#include "labcore/platform.hpp"

#include <cerrno>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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

namespace {

// errno for the reason CreateFileW gives, as the C library would set it.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    default:
      return EINVAL;  // a name Windows does not take (ERROR_INVALID_NAME, ...)
  }
}

}  // namespace

std::FILE* create_new_file(const std::filesystem::path& path) {
  // CREATE_NEW never opens an existing name. FILE_SHARE_DELETE lets the
  // file be removed while it is open (an interrupted run removes its
  // incomplete data set, labcore/incomplete_file.hpp).
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = errno_of(::GetLastError());
    return nullptr;
  }
  // A device name (NUL, CON, COM1, ...) opens the device in every folder:
  // it names something that exists, not a new file.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    errno = EEXIST;
    return nullptr;
  }
  // Bytes as written: binary mode, no CR before the line ends.
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    errno = EMFILE;
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
