#include "Render.h"

#include <exception>
#include <memory>

#include "Document.h"
#include "Wav.h"

namespace {

constexpr const char* kUsage = "usage: vorlantix-render DESIGN.vlx OUT.wav";

constexpr const char* kHelp =
    "usage: vorlantix-render DESIGN.vlx OUT.wav\n"
    "\n"
    "Renders the morph of a Vorlantix design, 100 periods of 114 samples from\n"
    "wave 0 to wave 1, and writes it as a 16-bit mono WAV file at 29761 Hz,\n"
    "byte for byte as the program's own export. The design is used exactly as\n"
    "stored. OUT.wav is replaced only when the whole file has been written.\n"
    "\n"
    "Exit status: 0 written; 1 the design cannot be read or is refused, or the\n"
    "output cannot be written; 2 wrong usage.\n";

bool LooksLikeOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

int Render(const std::string& design, const std::string& output, std::ostream& err) {
  auto wave0 = std::make_unique<TNodeList>();
  auto wave1 = std::make_unique<TNodeList>();
  std::string reason;
  if (ReadDocument(design, wave0, wave1, &reason) != TReadOutcome::Accepted) {
    err << "vorlantix-render: '" << design << "': " << reason << "\n";
    return 1;
  }
  switch (WriteWav(output, *wave0, *wave1)) {
    case TWriteOutcome::Written:
      return 0;
    case TWriteOutcome::CannotCreate:
      err << "vorlantix-render: '" << output << "': cannot create the file\n";
      return 1;
    case TWriteOutcome::WriteFailed:
      err << "vorlantix-render: '" << output << "': writing failed, the file is unchanged\n";
      return 1;
  }
  return 1;
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kHelp;
    return 0;
  }
  if (args.size() != 2 || LooksLikeOption(args[0]) || LooksLikeOption(args[1])) {
    err << kUsage << "\n";
    return 2;
  }
  try {
    return Render(args[0], args[1], err);
  } catch (const std::exception& e) {
    err << "vorlantix-render: " << e.what() << "\n";
    return 1;
  }
}
