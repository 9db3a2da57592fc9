#pragma once

#include <ostream>
#include <string>
#include <vector>

// vorlantix-render DESIGN.vlx OUT.wav: exports a design's morph without the
// window. args excludes the program name. Returns the exit status: 0 done,
// 1 bad input or output (nothing created or changed), 2 wrong usage.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
