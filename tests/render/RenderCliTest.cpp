#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <sstream>

#include <QImage>

#include "Document.h"
#include "Render.h"
#include "SurgeWavetable.h"
#include "TempDir.h"
#include "UnwrittenPipe.h"
#include "Wav.h"
#include "WavetableWav.h"

namespace {

struct RenderCli : TempDirTest {
  std::ostringstream Out, Err;
  int Run(const std::vector<std::string>& args) {
    Out.str("");
    Err.str("");
    return RunRender(args, Out, Err);
  }
  // One line on stderr, naming the given file.
  void ExpectOneLineNaming(const std::string& name) {
    const std::string err = Err.str();
    EXPECT_NE(err.find(name), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(Out.str(), "");
  }
};

TEST_F(RenderCli, HelpAndUsage) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(Out.str().find("vorlantix-render DESIGN.vlx OUT.wav"), std::string::npos);
  EXPECT_EQ(Err.str(), "");
  const std::vector<std::string> wrong[] = {
      {}, {"a.vlx"}, {"a.vlx", "b.wav", "c"}, {"--verbose", "b.wav"}, {"--help", "b.wav"}};
  for (const auto& args : wrong) {
    EXPECT_EQ(Run(args), 2);
    EXPECT_EQ(Err.str().rfind("usage: ", 0), 0u) << Err.str();
    EXPECT_EQ(Out.str(), "");
  }
  EXPECT_TRUE(Entries().empty());
}

TEST_F(RenderCli, RendersStoredValuesLikeTheExport) {
  // Values no knob could set: the renderer must not round them.
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  wave0.SetX(3, 100.3);
  wave0.SetT(2, 0.37);
  wave1.SetY(4, 26.55);
  ASSERT_EQ(WriteDocument(Path("d.vlx"), wave0, wave1), TWriteOutcome::Written);
  ASSERT_EQ(WriteWav(Path("expected.wav"), wave0, wave1), TWriteOutcome::Written);
  WriteBytes(Path("out.wav"), {'o', 'l', 'd'});
  EXPECT_EQ(Run({Path("d.vlx"), Path("out.wav")}), 0);
  EXPECT_EQ(Err.str(), "");
  EXPECT_EQ(ReadBytes(Path("out.wav")), ReadBytes(Path("expected.wav")));
}

TEST_F(RenderCli, ExampleDesignRenders) {
  const std::string example = VLX_SOURCE_DIR "/examples/triangle-to-square.vlx";
  EXPECT_EQ(Run({example, Path("example.wav")}), 0) << Err.str();
  EXPECT_EQ(ReadBytes(Path("example.wav")).size(), 22860u);
}

TEST_F(RenderCli, BadInputLeavesOutputUnchanged) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  ASSERT_EQ(WriteWav(Path("not-a-design.wav"), wave0, wave1), TWriteOutcome::Written);
  ASSERT_EQ(WriteDocument(Path("good.vlx"), wave0, wave1), TWriteOutcome::Written);
  Bytes newer = ReadBytes(Path("good.vlx"));
  newer[4] = 2;
  WriteBytes(Path("newer.vlx"), newer);
  Bytes damaged = newer;
  damaged[4] = 1;
  damaged.resize(200);
  WriteBytes(Path("damaged.vlx"), damaged);

  const Bytes previous = {'k', 'e', 'e', 'p'};
  WriteBytes(Path("out.wav"), previous);
  const struct {
    std::string Design;
    std::string Reason;
  } cases[] = {{"missing.vlx", "cannot open"},
               {"not-a-design.wav", "not a Vorlantix design"},
               {"newer.vlx", "newer version"},
               {"damaged.vlx", "damaged"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run({Path(c.Design), Path("out.wav")}), 1) << c.Design;
    ExpectOneLineNaming(c.Design);
    EXPECT_NE(Err.str().find(c.Reason), std::string::npos) << Err.str();
    EXPECT_EQ(ReadBytes(Path("out.wav")), previous);
  }
  EXPECT_EQ(Run({Path("good.vlx"), Path("none/out.wav")}), 1);
  ExpectOneLineNaming("none/out.wav");
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"damaged.vlx", "good.vlx", "newer.vlx",
                                               "not-a-design.wav", "out.wav"}));
}

TEST_F(RenderCli, WhatIsNotARegularFileIsRefusedAtOnceWithNoOutput) {
  TUnwrittenPipe pipe(Path("pipe.vlx"));
  ASSERT_TRUE(pipe.Made);
  std::filesystem::create_directory(Path("folder.vlx"));
  for (const std::string& design : {pipe.Path, Path("folder.vlx"), std::string("/dev/zero")}) {
    EXPECT_EQ(Run({design, Path("out.wav")}), 1) << design;
    ExpectOneLineNaming(design);
    EXPECT_NE(Err.str().find("not a regular file"), std::string::npos) << Err.str();
  }
  EXPECT_FALSE(pipe.Unblocked()) << "the renderer waited for a writer";
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"folder.vlx", "pipe.vlx"}));
}

// A design whose waves differ in every way the morph interpolates.
struct RenderModes : RenderCli {
  TNodeList Wave0, Wave1;
  void SetUp() override {
    RenderCli::SetUp();
    LoadDefaultDesign(Wave0, Wave1);
    Wave1.SetX(2, 180);
    Wave1.SetY(3, 13.5);
    Wave1.SetT(1, -4.4);
    ASSERT_EQ(WriteDocument(Path("d.vlx"), Wave0, Wave1), TWriteOutcome::Written);
  }
};

TEST_F(RenderModes, WavetablesAsTheWritersWriteThem) {
  ASSERT_EQ(WriteWavetableWav(Path("expected.wav"), Wave0, Wave1), TWriteOutcome::Written);
  ASSERT_EQ(WriteSurgeWavetable(Path("expected.wt"), Wave0, Wave1, 512), TWriteOutcome::Written);
  EXPECT_EQ(Run({"--wavetable", Path("d.vlx"), Path("t.wav")}), 0) << Err.str();
  EXPECT_EQ(ReadBytes(Path("t.wav")), ReadBytes(Path("expected.wav")));
  EXPECT_EQ(Run({Path("d.vlx"), "--frame-size", "512", Path("t.wt"), "--wt"}), 0) << Err.str();
  EXPECT_EQ(ReadBytes(Path("t.wt")), ReadBytes(Path("expected.wt")));
  EXPECT_EQ(Err.str() + Out.str(), "");
}

TEST_F(RenderModes, PicturesArePngsOfTheAskedSize) {
  EXPECT_EQ(Run({"--png", Path("d.vlx"), Path("d.png")}), 0) << Err.str();
  EXPECT_EQ(QImage(QString::fromStdString(Path("d.png")), "PNG").size(), QSize(640, 600));
  EXPECT_EQ(Run({"--png", "--size", "320x900", Path("d.vlx"), Path("tall.png")}), 0);
  EXPECT_EQ(QImage(QString::fromStdString(Path("tall.png")), "PNG").size(), QSize(320, 900));
  EXPECT_EQ(Run({"--thumbnail", "128", Path("d.vlx"), Path("thumb.png")}), 0) << Err.str();
  EXPECT_EQ(QImage(QString::fromStdString(Path("thumb.png")), "PNG").size(), QSize(128, 128));
}

// A file manager's thumbnail service creates the output itself, empty, and
// reads the thumbnail back through the descriptor it keeps open.
TEST_F(RenderModes, ThumbnailGoesIntoTheFileItsCallerHoldsOpen) {
  const std::string out = Path("tumbler-Xy12Ab.png");
  const int held = ::open(out.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  const auto readHeld = [held] {
    Bytes bytes;
    unsigned char chunk[4096];
    while (true) {
      const ssize_t got = ::pread(held, chunk, sizeof chunk, static_cast<off_t>(bytes.size()));
      if (got <= 0) return bytes;
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
  };
  EXPECT_EQ(Run({"--thumbnail", "128", Path("d.vlx"), out}), 0) << Err.str();
  const Bytes first = readHeld();
  QImage image;
  EXPECT_TRUE(image.loadFromData(first.data(), static_cast<int>(first.size()), "PNG"));
  EXPECT_EQ(image.size(), QSize(128, 128));
  EXPECT_EQ(first, ReadBytes(out));
  struct stat status = {};
  ASSERT_EQ(::fstat(held, &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  // A file with content is nobody's fresh output: it is replaced whole, and
  // the descriptor held on it still reads the previous picture.
  EXPECT_EQ(Run({"--thumbnail", "16", Path("d.vlx"), out}), 0) << Err.str();
  const Bytes second = ReadBytes(out);
  EXPECT_TRUE(image.loadFromData(second.data(), static_cast<int>(second.size()), "PNG"));
  EXPECT_EQ(image.size(), QSize(16, 16));
  EXPECT_EQ(readHeld(), first);
  ::close(held);

  // A refused design is read before the output is opened.
  Bytes damaged = ReadBytes(Path("d.vlx"));
  damaged.pop_back();
  WriteBytes(Path("damaged.vlx"), damaged);
  const int empty = ::open(Path("empty.png").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(empty, 0);
  ::close(empty);
  for (const std::string& output : {out, Path("empty.png")}) {
    const Bytes before = ReadBytes(output);
    EXPECT_EQ(Run({"--thumbnail", "128", Path("damaged.vlx"), output}), 1);
    EXPECT_EQ(ReadBytes(output), before);
  }
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries,
            (std::vector<std::string>{"d.vlx", "damaged.vlx", "empty.png", "tumbler-Xy12Ab.png"}));
}

// A disk that fills up part way through: the user's previous thumbnail stays
// whole, the service's empty file is emptied again, none is left half made,
// and the one line says which.
TEST_F(RenderModes, FailedThumbnailSaysWhatIsLeft) {
  const std::string user = Path("user.png"), service = Path("tumbler-Q7w2Zk.png");
  ASSERT_EQ(Run({"--thumbnail", "128", Path("d.vlx"), user}), 0) << Err.str();
  const Bytes previous = ReadBytes(user);
  const rlim_t limit = previous.size() / 2;
  const int held = ::open(service.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  const struct {
    std::string Output;
    const char* Said;
  } cases[] = {{user, "writing failed, the file is unchanged"},
               {service, "writing failed, the file is unchanged"},
               {Path("new.png"), "writing failed, no file was created"}};
  for (const auto& c : cases) {
    TFileSizeLimit full(limit);
    ASSERT_TRUE(full.Set);
    EXPECT_EQ(Run({"--thumbnail", "128", Path("d.vlx"), c.Output}), 1) << c.Output;
    ExpectOneLineNaming(c.Output);
    EXPECT_NE(Err.str().find(c.Said), std::string::npos) << Err.str();
  }
  EXPECT_EQ(ReadBytes(user), previous);
  struct stat status = {};
  ASSERT_EQ(::fstat(held, &status), 0);
  EXPECT_EQ(status.st_size, 0);

  // Should the service's file not be emptied again, the line says so.
  TScriptedDescriptorIo io;
  io.Accept = 100;
  io.Error = ENOSPC;
  io.TruncateFails = true;
  {
    TSeamScope<TDescriptorIo> scope(io);
    EXPECT_EQ(Run({"--thumbnail", "128", Path("d.vlx"), service}), 1);
  }
  ExpectOneLineNaming(service);
  EXPECT_NE(Err.str().find("writing failed part way, the file is left incomplete"),
            std::string::npos)
      << Err.str();
  ASSERT_EQ(::fstat(held, &status), 0);
  EXPECT_EQ(status.st_size, 100);
  ::close(held);
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"d.vlx", "tumbler-Q7w2Zk.png", "user.png"}));
}

// The program itself under a file size limit (ulimit -f): the limit's signal
// must not end it half way, leaving a broken file or a temporary one behind.
TEST_F(RenderModes, TheProgramReportsAFileSizeLimit) {
  const std::string user = Path("user.png"), design = Path("d.vlx");
  ASSERT_EQ(Run({"--thumbnail", "512", design, user}), 0) << Err.str();
  const Bytes previous = ReadBytes(user);
  const rlimit limit = {previous.size() / 2, previous.size() / 2};
  int err[2];
  ASSERT_EQ(::pipe2(err, O_CLOEXEC), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
    ::dup2(err[1], STDERR_FILENO);
    ::execl(VLX_BINARY_DIR "/bin/vorlantix-render", "vorlantix-render", "--thumbnail", "512",
            design.c_str(), user.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(err[1]);
  std::string said;
  char chunk[256];
  for (ssize_t got; (got = ::read(err[0], chunk, sizeof chunk)) > 0;) said.append(chunk, got);
  ::close(err[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(said, "vorlantix-render: '" + user + "': writing failed, the file is unchanged\n");
  EXPECT_EQ(ReadBytes(user), previous);
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"d.vlx", "user.png"}));
}

// Written in place, a thumbnail still goes only into a regular file: a named
// pipe without a reader must not block the renderer.
TEST_F(RenderModes, ThumbnailRefusesOutputsThatAreNotRegularFiles) {
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  std::filesystem::create_directory(Path("folder"));
  for (const char* name : {"pipe", "folder"}) {
    EXPECT_EQ(Run({"--thumbnail", "64", Path("d.vlx"), Path(name)}), 1) << name;
    ExpectOneLineNaming(name);
  }
  EXPECT_TRUE(std::filesystem::is_empty(Path("folder")));
}

TEST_F(RenderModes, WrongUsage) {
  const std::string d = Path("d.vlx"), o = Path("o");
  const std::vector<std::string> wrong[] = {
      {"--wavetable", d},
      {"--wavetable", "--wt", d, o},
      {"--wavetable", "--wavetable", d, o},
      {"--wavetable", "--frame-size", "1000", d, o},
      {"--wt", "--frame-size", "8192", d, o},
      {"--wt", "--frame-size", "128", d, o},
      {"--wt", "--frame-size", "2048x", d, o},
      {"--wt", d, o, "--frame-size"},
      {"--frame-size", "2048", d, o},
      {"--png", "--frame-size", "2048", d, o},
      {"--png", "--size", "640", d, o},
      {"--png", "--size", "32x600", d, o},
      {"--png", "--size", "640x600x2", d, o},
      {"--png", "--size", "640x600", "--size", "640x600", d, o},
      {"--size", "640x600", d, o},
      {"--thumbnail", d, o},
      {"--thumbnail", "big", d, o},
      {"--thumbnail", "8", d, o},
      {"--thumbnail", "128", "--size", "128x128", d, o},
      {"--wavetable", d, o, "extra"}};
  for (const auto& args : wrong) {
    EXPECT_EQ(Run(args), 2) << args[0] << " " << args[1];
    EXPECT_EQ(Err.str().rfind("usage: ", 0), 0u) << Err.str();
  }
  EXPECT_EQ(Run({"--help"}), 0);
  for (const char* mode : {"--wavetable", "--wt", "--png", "--thumbnail", "--frame-size", "--size",
                           "--sound", "--rate", "--pitch", "--note", "--seconds", "--format"})
    EXPECT_NE(Out.str().find(mode), std::string::npos) << mode;
  auto entries = Entries();
  EXPECT_EQ(entries, std::vector<std::string>{"d.vlx"});
}

TEST_F(RenderModes, RefusalsInEveryModeLeaveNoOutput) {
  Bytes damaged = ReadBytes(Path("d.vlx"));
  damaged.pop_back();
  WriteBytes(Path("damaged.vlx"), damaged);
  const Bytes previous = {'k', 'e', 'e', 'p'};
  WriteBytes(Path("kept"), previous);
  const std::vector<std::string> modes[] = {{},        {"--wavetable"},        {"--wt"},
                                            {"--png"}, {"--thumbnail", "256"}, {"--sound"}};
  for (const auto& mode : modes) {
    for (const std::string& output : {Path("new"), Path("kept")}) {
      std::vector<std::string> args = mode;
      args.push_back(Path("damaged.vlx"));
      args.push_back(output);
      EXPECT_EQ(Run(args), 1) << (mode.empty() ? "" : mode[0]);
      ExpectOneLineNaming("damaged.vlx");
      EXPECT_NE(Err.str().find("damaged"), std::string::npos);
    }
    std::vector<std::string> args = mode;
    args.push_back(Path("d.vlx"));
    args.push_back(Path("none/out"));
    EXPECT_EQ(Run(args), 1);
    ExpectOneLineNaming("none/out");
  }
  EXPECT_EQ(ReadBytes(Path("kept")), previous);
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"d.vlx", "damaged.vlx", "kept"}));
}

}  // namespace
