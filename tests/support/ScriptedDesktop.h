#pragma once

#include "PixelArt.h"

// A desktop of the test's chosen dots per inch.
class TScriptedDesktop : public TDesktopService {
 public:
  explicit TScriptedDesktop(double Dpi) : Dpi(Dpi) {}
  double LogicalDpi(const QScreen&) override { return Dpi; }
  double Dpi;
};
