#include <iostream>

#include "Render.h"

int main(int argc, char** argv) {
  return RunRender(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
