#include "labcore/incomplete_file.hpp"

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
  if (g_incomplete) ::unlink(g_path);
  // SA_RESETHAND restored the default action; the signal, blocked while
  // this runs, ends the program as soon as the handler returns.
  ::raise(sig);
}

}  // namespace

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
