#include "Startup.h"

#include <cstdlib>

void PreferX11Platform() {
  const char* Chosen = std::getenv("QT_QPA_PLATFORM");
  const char* Display = std::getenv("DISPLAY");
  if ((!Chosen || !*Chosen) && Display && *Display) setenv("QT_QPA_PLATFORM", "xcb", 1);
}
