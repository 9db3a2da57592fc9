#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <memory>

#include "About.h"
#include "Data.h"
#include "Main.h"
#include "Message01.h"
#include "Message02.h"
#include "PointerDriver.h"
#include "ScriptedDialogs.h"
#include "ScriptedShell.h"

// The program's five forms, created as the program creates them, with the
// modal dialogs and the launcher scripted.
class AppFixture : public ::testing::Test {
 protected:
  AppFixture() {
    Main = std::make_unique<TMainForm>();
    MainForm = Main.get();
    Data = std::make_unique<TDataForm>();
    DataForm = Data.get();
    Main->AttachSkinSources(*Data);
    About = std::make_unique<TAboutForm>();
    AboutForm = About.get();
    Notice1 = std::make_unique<TMessage01Form>();
    Message01Form = Notice1.get();
    Notice2 = std::make_unique<TMessage02Form>();
    Message02Form = Notice2.get();
  }
  ~AppFixture() override {
    MainForm = nullptr;
    DataForm = nullptr;
    AboutForm = nullptr;
    Message01Form = nullptr;
    Message02Form = nullptr;
  }

  void Show() {
    Main->show();
    Main->move(100, 80);
  }

  // A pixel of a display box, in box coordinates, as the window shows it now.
  QColor BoxPixel(int Box, int X, int Y) {
    const QImage Shot = Main->grab().toImage();
    const QPoint Origin = (Box == 0 ? Main->Box0 : Main->Box1)->pos();
    return QColor(Shot.pixel(Origin.x() + X, Origin.y() + Y));
  }

  std::vector<TDialogCall> Calls(TDialogCall::TKind Kind) const {
    std::vector<TDialogCall> Result;
    for (const auto& C : Dialogs.Calls) {
      if (C.Kind == Kind) Result.push_back(C);
    }
    return Result;
  }

  TScriptedDialogs Dialogs;
  TSeamScope<TDialogService> DialogScope{Dialogs};
  TScriptedShell Launcher;
  TSeamScope<TShellService> ShellScope{Launcher};
  std::unique_ptr<TMainForm> Main;
  std::unique_ptr<TDataForm> Data;
  std::unique_ptr<TAboutForm> About;
  std::unique_ptr<TMessage01Form> Notice1;
  std::unique_ptr<TMessage02Form> Notice2;
};

inline const QColor LineGreen(0, 208, 0);
inline const QColor MarkerGreen(0, 255, 0);
