// tessorin_with_desktop_disks COMMAND [ARGUMENTS…]: runs a command with a desktop's disk
// services (udevd, udisksd and their system bus) started for it alone, as
// DesktopDiskServices describes, and stops them after. Exits as the command did.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>

#include "DesktopDiskServices.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s COMMAND [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  std::unique_ptr<tessorin::testing::DesktopDiskServices> services;
  try {
    services = tessorin::testing::DesktopDiskServices::start();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "the disk services did not start: %s\n", error.what());
    return 1;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return 1;
  services.reset();
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}
