#pragma once

#include <ostream>
#include <string>
#include <vector>

// vorlantix-render: exports a design without the window, as the morph's WAV
// file (the default), a wavetable (WAV or Surge .wt), a picture or a
// file-manager thumbnail. args excludes the program name. Returns the exit
// status: 0 done, 1 bad input or output (nothing created or changed), 2 wrong
// usage.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
