#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "instructor/class_folder.hpp"
#include "instructor/instructor.hpp"

int main(int argc, char** argv) {
  // A closed pipe or a file grown past its limit is a failed write that the
  // tool reports, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  // A standard stream started closed would hand its number to the first
  // file the tool opens, and the report would land in a data set. Hold the
  // numbers with /dev/null opened for reading only: writes to them fail,
  // and the failure is reported.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) < 0) {
      const int held = ::open("/dev/null", O_RDONLY);
      if (held >= 0 && held != fd) ::close(held);
    }
  const int status =
      instructor::run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr, ::isatty(2) != 0);
  // A run into a folder that SIGINT, SIGTERM or SIGHUP stopped has left
  // the folder clean (as before, or as after when the signal came during
  // the commit): now the signal ends the process as it would have.
  if (const int sig = instructor::pending_signal()) {
    std::cout.flush();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
  return status;
}
