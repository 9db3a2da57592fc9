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

namespace {

bool IsExecutableFile(const std::string& Path) {
  struct stat Info {};
  return ::stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode) &&
         ::access(Path.c_str(), X_OK) == 0;
}

bool LooksLikeUrl(const std::string& Text) {
  // Two letters at least, so a one-letter scheme is never taken for a URL.
  static const QRegularExpression Scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return Scheme.match(QString::fromStdString(Text)).hasMatch();
}

// QProcess::startDetached forks twice and reaps the intermediate child, so the
// started program never lingers as our zombie.
bool StartDetached(const QString& Program, const QStringList& Arguments) {
  QProcess Process;
  Process.setProgram(Program);
  Process.setArguments(Arguments);
  // The program must not read our terminal.
  Process.setStandardInputFile(QProcess::nullDevice());
  return Process.startDetached();
}

bool OpenWithDesktop(const std::string& Target) {
  const QString Arg = QString::fromStdString(Target);
  const QString Opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!Opener.isEmpty()) return StartDetached(Opener, {Arg});
  // Without xdg-open the platform plug-in may still know the desktop's opener.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  const QUrl Url = LooksLikeUrl(Target) ? QUrl(Arg) : QUrl::fromLocalFile(Arg);
  return QDesktopServices::openUrl(Url);
}

class TRealShell : public TShellService {
 public:
  bool ShellExecuteOpen(const std::string& File,
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
    return false;
  }

  bool OpenURL(const std::string& Url) override {
    if (Url.empty()) return false;
    return OpenWithDesktop(Url);
  }
};

}  // namespace

TShellService& Shell() {
  static TRealShell Real;
  return TShellService::Installed ? *TShellService::Installed : Real;
}

TOpenPlan PlanOpen(const std::string& File) {
  TOpenPlan Plan;
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

bool TScriptedShell::ShellExecuteOpen(const std::string& File,
                                      const std::vector<std::string>& Parameters) {
  Calls.push_back({TShellCall::TKind::Open, File, Parameters});
  return Result;
}

bool TScriptedShell::OpenURL(const std::string& Url) {
  Calls.push_back({TShellCall::TKind::URL, Url, {}});
  return Result;
}
