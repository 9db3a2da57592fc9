#include <exception>
#include <iostream>

#include "About.h"
#include "Application.h"
#include "Data.h"
#include "Main.h"
#include "Message01.h"
#include "Message02.h"
#include "Startup.h"

int main(int argc, char** argv) {
  PreferX11Platform();
  try {
    TApplication App(argc, argv);
    // Lets a Wayland compositor match the window with the menu entry and its icon.
    App.setDesktopFileName(QStringLiteral("org.example.vorlantix"));
    try {
      App.Initialize();
      App.CreateForm(MainForm);
      App.CreateForm(DataForm);
      MainForm->AttachSkinSources(*DataForm);
      App.CreateForm(AboutForm);
      App.CreateForm(Message01Form);
      App.CreateForm(Message02Form);
      // Qt has taken its own options out of argv by now.
      const std::vector<std::string> Arguments(argv + 1, argv + argc);
      if (const auto Status = MainForm->OpenFromCommandLine(Arguments, std::cout, std::cerr)) {
        App.DestroyForms();
        return *Status;
      }
      App.Run();
    } catch (const std::exception& E) {
      App.ShowException(E);
    }
    App.DestroyForms();
  } catch (const std::exception&) {
    // Without an application object there is nowhere to show the report.
  }
  return 0;
}
