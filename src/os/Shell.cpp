#include "Shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

bool IsExecutableFile(const std::string& Path) {
  struct stat Info = {};
  return ::stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode) &&
         ::access(Path.c_str(), X_OK) == 0;
}

// A compiled program that lacks the run bit: no desktop application opens it
// either, so handing it to the opener would fail out of sight.
bool IsUnrunnableBinary(const std::string& Path) {
  char Magic[4] = {};
  std::ifstream In(Path, std::ios::binary);
  return In.read(Magic, sizeof Magic) &&
         std::memcmp(Magic,
                     "\x7f"
                     "ELF",
                     4) == 0 &&
         !IsExecutableFile(Path);
}

bool LooksLikeUrl(const std::string& Text) {
  // Two letters at least, so a one-letter scheme is never taken for a URL.
  static const QRegularExpression Scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return Scheme.match(QString::fromStdString(Text)).hasMatch();
}

// QProcess::startDetached forks twice and reaps the intermediate child, so the
// started program never lingers as our zombie.
TLaunchResult StartDetached(const QString& Program, const QStringList& Arguments) {
  QProcess Process;
  Process.setProgram(Program);
  Process.setArguments(Arguments);
  // The program must not read our terminal.
  Process.setStandardInputFile(QProcess::nullDevice());
  if (Process.startDetached()) return {true, {}};
  return {false, Process.errorString().toStdString()};
}

TLaunchResult OpenWithDesktop(const std::string& Target) {
  const QString Arg = QString::fromStdString(Target);
  const QString Opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!Opener.isEmpty()) return StartDetached(Opener, {Arg});
  // Without xdg-open the platform plug-in may still know the desktop's opener.
  const QUrl Url = LooksLikeUrl(Target) ? QUrl(Arg) : QUrl::fromLocalFile(Arg);
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
      QDesktopServices::openUrl(Url)) {
    return {true, {}};
  }
  return {false, "The desktop has no program to open it (xdg-open is not installed)"};
}

class TRealShell : public TShellService {
 public:
  TLaunchResult ShellExecuteOpen(const std::string& File,
                                 const std::vector<std::string>& Parameters) override {
    const TOpenPlan Plan = PlanOpen(File);
    switch (Plan.Kind) {
      case TOpenPlan::TKind::Program: {
        QStringList Arguments;
        for (const std::string& P : Parameters) Arguments << QString::fromStdString(P);
        return StartDetached(QString::fromStdString(Plan.Target), Arguments);
      }
      case TOpenPlan::TKind::Opener:
        return OpenWithDesktop(Plan.Target);
      case TOpenPlan::TKind::Nothing:
        break;
    }
    return {false, Plan.Error};
  }

  bool OpenURL(const std::string& Url) override {
    if (Url.empty()) return false;
    return OpenWithDesktop(Url).Started;
  }
};

}  // namespace

TShellService& Shell() {
  static TRealShell Real;
  return TShellService::Installed ? *TShellService::Installed : Real;
}

TOpenPlan PlanOpen(const std::string& File) {
  TOpenPlan Plan;
  Plan.Error = std::strerror(ENOENT);
  if (File.empty()) return Plan;
  if (File.find('/') == std::string::npos) {
    // A bare name is a command, looked up on PATH as a shell would; never in
    // the working directory.
    const QString Found = QStandardPaths::findExecutable(QString::fromStdString(File));
    if (!Found.isEmpty() && IsExecutableFile(Found.toStdString())) {
      Plan.Kind = TOpenPlan::TKind::Program;
      Plan.Target = Found.toStdString();
      return Plan;
    }
  }
  const QFileInfo Info(QString::fromStdString(File));
  if (Info.exists()) {
    if (IsUnrunnableBinary(Info.absoluteFilePath().toStdString())) {
      Plan.Error = std::strerror(EACCES);
      return Plan;
    }
    const std::string Absolute = Info.absoluteFilePath().toStdString();
    const bool Runnable = File.find('/') != std::string::npos && IsExecutableFile(Absolute);
    Plan.Kind = Runnable ? TOpenPlan::TKind::Program : TOpenPlan::TKind::Opener;
    Plan.Target = Absolute;
    return Plan;
  }
  if (LooksLikeUrl(File)) {
    Plan.Kind = TOpenPlan::TKind::Opener;
    Plan.Target = File;
  }
  return Plan;
}
