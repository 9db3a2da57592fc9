#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "OsTestSupport.h"
#include "ScriptedShell.h"

namespace fs = std::filesystem;

namespace {

const fs::path StandinHost = fs::path(VLX_BINARY_DIR) / "bin" / "vlx_standin_host";

// True when this process has no child at all, running or zombie.
bool HasNoChildren() {
  int Status = 0;
  return ::waitpid(-1, &Status, WNOHANG) == -1 && errno == ECHILD;
}

class ShellTest : public ::testing::Test {
 protected:
  QTemporaryDir Temp;
  fs::path Base = fs::path(QDir(Temp.path()).canonicalPath().toStdString());
  fs::path Out = Base / "out";
  TEnvScope OutVar{"VLX_STANDIN_OUT", Out.string()};

  void SetUp() override { ASSERT_TRUE(fs::is_regular_file(StandinHost)) << StandinHost; }

  // A directory put in front of PATH, holding links to the stand-in under other names.
  fs::path PathDir = Base / "path bin";
  std::optional<TEnvScope> PathVar;
  void PutOnPath(const std::string& Name) {
    fs::create_directories(PathDir);
    fs::create_symlink(StandinHost, PathDir / Name);
    if (!PathVar) {
      const char* Old = std::getenv("PATH");
      PathVar.emplace("PATH", PathDir.string() + ":" + (Old ? Old : "/usr/bin:/bin"));
    }
  }

  fs::path MakeFile(const std::string& Name, const std::string& Bytes, fs::perms Perms) {
    const fs::path Path = Base / Name;
    fs::create_directories(Path.parent_path());
    WriteBytes(Path, Bytes);
    fs::permissions(Path, Perms);
    return Path;
  }
};

std::string WavLikeBytes() {
  std::string Bytes = "RIFF";
  for (int I = 0; I < 22856; ++I) Bytes += static_cast<char>((I * 37) & 0xFF);
  return Bytes;
}

// No shell sees the arguments, so nothing in a path is ever run or split.
TEST_F(ShellTest, HostReceivesPathWithBlanksAndSwitchAsTwoArguments) {
  const std::string Wav = WavLikeBytes();
  const fs::path File = MakeFile("temp dir with blanks/my bell; $(id) `id` 'q' & c|d.wav", Wav,
                                 fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(Shell().ShellExecuteOpen(StandinHost.string(), {File.string(), "/DEL"}).Started);
  ASSERT_TRUE(WaitForFile(Out / "done"));
  EXPECT_EQ(ReadArgs(Out), (std::vector<std::string>{StandinHost.string(), File.string(), "/DEL"}));
  EXPECT_EQ(ReadBytes(Out / "file"), Wav);
  EXPECT_EQ(fs::path(ReadBytes(Out / "cwd")), fs::current_path());
  // The host was started detached: it never becomes our child, so never our zombie.
  EXPECT_TRUE(HasNoChildren());
}

TEST_F(ShellTest, BareCommandNameIsFoundOnPath) {
  PutOnPath("vlx-host-by-name");
  const fs::path File = MakeFile("x.wav", "xyz", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(Shell().ShellExecuteOpen("vlx-host-by-name", {File.string(), "/DEL"}).Started);
  ASSERT_TRUE(WaitForFile(Out / "done"));
  EXPECT_EQ(ReadArgs(Out), (std::vector<std::string>{(PathDir / "vlx-host-by-name").string(),
                                                     File.string(), "/DEL"}));
  EXPECT_TRUE(HasNoChildren());
}

TEST_F(ShellTest, DocumentGoesToTheDesktopOpenerAlone) {
  PutOnPath("xdg-open");
  const fs::path Doc =
      MakeFile("notes dir/read me.txt", "hello", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(Shell().ShellExecuteOpen(Doc.string(), {"/tmp/x.wav", "/DEL"}).Started);
  ASSERT_TRUE(WaitForFile(Out / "done"));
  EXPECT_EQ(ReadArgs(Out),
            (std::vector<std::string>{(PathDir / "xdg-open").string(), Doc.string()}));
  EXPECT_EQ(ReadBytes(Out / "file"), "hello");
  EXPECT_TRUE(HasNoChildren());
}

TEST_F(ShellTest, WebAddressGoesToTheDesktopOpenerUnchanged) {
  PutOnPath("xdg-open");
  const std::string Url = "https://example.org/a page?x=1&y=$(id)";
  EXPECT_TRUE(Shell().OpenURL(Url));
  ASSERT_TRUE(WaitForFile(Out / "done"));
  EXPECT_EQ(ReadArgs(Out), (std::vector<std::string>{(PathDir / "xdg-open").string(), Url}));
  EXPECT_TRUE(HasNoChildren());
}

TEST_F(ShellTest, ACommandThatCannotStartStartsNothingAndSaysWhy) {
  PutOnPath("xdg-open");
  // The stand-in's own bytes without the run bit: a program no one can start.
  std::ifstream In(StandinHost, std::ios::binary);
  const std::string Elf((std::istreambuf_iterator<char>(In)), {});
  const fs::path Unrunnable =
      MakeFile("bin dir/host", Elf, fs::perms::owner_read | fs::perms::owner_write);
  const std::vector<std::pair<std::string, std::string>> Cases = {
      {(Base / "no such dir/host").string(), "No such file or directory"},
      {"vlx-no-such-command", "No such file or directory"},
      {"", "No such file or directory"},
      {Unrunnable.string(), "Permission denied"}};
  for (const auto& [Command, Reason] : Cases) {
    TLaunchResult Launch{true, {}};
    EXPECT_NO_THROW(Launch = Shell().ShellExecuteOpen(Command, {"/tmp/x.wav", "/DEL"}));
    EXPECT_FALSE(Launch.Started) << Command;
    EXPECT_EQ(Launch.Error, Reason) << Command;
  }
  EXPECT_FALSE(fs::exists(Out / "done"));
  EXPECT_TRUE(HasNoChildren());
}

TEST_F(ShellTest, OpenPlanTellsProgramsFromDocuments) {
  const auto Exec = fs::perms::owner_all;
  const auto NoExec = fs::perms::owner_read | fs::perms::owner_write;
  const fs::path Program = MakeFile("bin dir/host", "#!/bin/sh\n", Exec);
  const fs::path Script = MakeFile("bin dir/script.sh", "#!/bin/sh\n", NoExec);
  fs::create_directories(Base / "folder.app");
  fs::create_directories(Base / "exec dir");
  fs::permissions(Base / "exec dir", Exec);

  auto Plan = PlanOpen(Program.string());
  EXPECT_EQ(Plan.Kind, TOpenPlan::TKind::Program);
  EXPECT_EQ(Plan.Target, Program.string());

  for (const fs::path& Other : {Script, Base / "folder.app", Base / "exec dir"}) {
    Plan = PlanOpen(Other.string());
    EXPECT_EQ(Plan.Kind, TOpenPlan::TKind::Opener) << Other;
    EXPECT_EQ(Plan.Target, Other.string());
  }

  Plan = PlanOpen("mailto:someone@example.org");
  EXPECT_EQ(Plan.Kind, TOpenPlan::TKind::Opener);
  EXPECT_EQ(Plan.Target, "mailto:someone@example.org");

  EXPECT_EQ(PlanOpen((Base / "missing").string()).Kind, TOpenPlan::TKind::Nothing);
  EXPECT_EQ(PlanOpen("c:host").Kind, TOpenPlan::TKind::Nothing);
}

TEST_F(ShellTest, BareNamesAreLookedUpOnPathOnly) {
  PutOnPath("vlx-on-path");
  const fs::path Here = MakeFile("vlx-in-cwd", "#!/bin/sh\n", fs::perms::owner_all);
  const fs::path Previous = fs::current_path();
  fs::current_path(Base);
  const TOpenPlan OnPath = PlanOpen("vlx-on-path");
  const TOpenPlan InCwd = PlanOpen("vlx-in-cwd");
  const TOpenPlan Relative = PlanOpen("./vlx-in-cwd");
  fs::current_path(Previous);

  EXPECT_EQ(OnPath.Kind, TOpenPlan::TKind::Program);
  EXPECT_EQ(OnPath.Target, (PathDir / "vlx-on-path").string());
  // Not a command, so not run; the desktop decides what to do with the file.
  EXPECT_EQ(InCwd.Kind, TOpenPlan::TKind::Opener);
  EXPECT_EQ(InCwd.Target, Here.string());
  EXPECT_EQ(Relative.Kind, TOpenPlan::TKind::Program);
  EXPECT_EQ(Relative.Target, Here.string());
}

TEST(ScriptedShellTest, RecordsCallsWhileInstalledOnly) {
  TScriptedShell Scripted;
  Scripted.Result = false;
  {
    TSeamScope<TShellService> Scope(Scripted);
    EXPECT_FALSE(Shell().ShellExecuteOpen("/opt/host", {"/tmp/a b.wav", "/DEL"}).Started);
    EXPECT_FALSE(Shell().OpenURL("https://example.org"));
  }
  EXPECT_NE(&Shell(), &Scripted);
  ASSERT_EQ(Scripted.Calls.size(), 2u);
  EXPECT_EQ(Scripted.Calls[0].Kind, TShellCall::TKind::Open);
  EXPECT_EQ(Scripted.Calls[0].File, "/opt/host");
  EXPECT_EQ(Scripted.Calls[0].Parameters, (std::vector<std::string>{"/tmp/a b.wav", "/DEL"}));
  EXPECT_EQ(Scripted.Calls[1].Kind, TShellCall::TKind::URL);
  EXPECT_EQ(Scripted.Calls[1].File, "https://example.org");
  EXPECT_TRUE(Scripted.Calls[1].Parameters.empty());
}

}  // namespace
