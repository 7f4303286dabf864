#include "labcore/incomplete_file.hpp"

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <cwchar>
#include <iterator>

namespace labcore {

// Windows has no SIGHUP and no sigaction: Ctrl-C, Ctrl-Break and the
// console window closed (or the session ending) reach a console control
// handler, on a thread of its own. It removes the file (created with
// FILE_SHARE_DELETE, so that it can be removed while open: it goes when the
// process ends) and lets the default handler end the program.

namespace {

wchar_t g_path[4096];
std::atomic<bool> g_incomplete{false};

BOOL WINAPI remove_and_end(DWORD) {
  remove_incomplete_file();
  return FALSE;
}

}  // namespace

void remove_incomplete_file() {
  if (g_incomplete.load()) ::DeleteFileW(g_path);
}

void remove_incomplete_file_on_signal() { ::SetConsoleCtrlHandler(remove_and_end, TRUE); }

void file_incomplete(const std::filesystem::path& path) {
  g_incomplete = false;
  const std::wstring& p = path.native();
  if (p.size() >= std::size(g_path)) return;  // a name this long is never created
  std::wmemcpy(g_path, p.c_str(), p.size() + 1);
  g_incomplete = true;
}

void file_kept() { g_incomplete = false; }

}  // namespace labcore

#else

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace labcore {

namespace {

// The path as the handler needs it: bytes in static storage, written
// before the flag that arms the handler is set.
char g_path[4096];
volatile std::sig_atomic_t g_incomplete = 0;

extern "C" void remove_and_end(int sig) {
  remove_incomplete_file();
  // SA_RESETHAND restored the default action; the signal, blocked while
  // this runs, ends the program as soon as the handler returns.
  ::raise(sig);
}

}  // namespace

void remove_incomplete_file() {
  if (g_incomplete) ::unlink(g_path);
}

void remove_incomplete_file_on_signal() {
  struct sigaction sa{};
  sa.sa_handler = remove_and_end;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

void file_incomplete(const std::filesystem::path& path) {
  g_incomplete = 0;
  const std::string& p = path.native();
  if (p.size() >= sizeof g_path) return;  // a name this long is never created
  std::memcpy(g_path, p.c_str(), p.size() + 1);
  g_incomplete = 1;
}

void file_kept() { g_incomplete = 0; }

}  // namespace labcore

#endif
