#include <csignal>
#include <iostream>

#include "Render.h"

int main(int argc, char** argv) {
  // Under a file size limit (ulimit -f) a write past it then fails, and the
  // failure is undone and reported, instead of the signal ending the program
  // half way through the file.
  std::signal(SIGXFSZ, SIG_IGN);
  return RunRender(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
