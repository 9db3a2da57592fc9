// The real ALSA device, played into a private PipeWire server whose sink
// records what it plays. Needs pipewire, wireplumber, pipewire-alsa and dbus,
// and a server in real time; where the server cannot start so, the stream
// plays into ALSA's "null" device instead and the recording part is skipped.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Nodes.h"
#include "Playback.h"
#include "ScriptedDialogs.h"
#include "ScriptedPointerState.h"
#include "WaveDevice.h"
#include "Waveout.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;
using TEnv = std::map<std::string, std::string>;

// A child process that is always reaped: stopped with SIGTERM, then SIGKILL.
class TChild {
 public:
  TChild() = default;
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;
  ~TChild() { Stop(); }

  bool Start(const std::vector<std::string>& Args, const TEnv& Overrides,
             const std::string& Output = "/dev/null") {
    std::vector<std::string> EnvStrings;
    for (char** E = environ; *E; ++E) {
      const std::string Entry = *E;
      if (!Overrides.count(Entry.substr(0, Entry.find('=')))) EnvStrings.push_back(Entry);
    }
    for (const auto& [Key, Value] : Overrides) {
      if (!Value.empty()) EnvStrings.push_back(Key + "=" + Value);
    }
    std::vector<char*> Argv, Envp;
    for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    for (auto& E : EnvStrings) Envp.push_back(E.data());
    Envp.push_back(nullptr);

    posix_spawn_file_actions_t Files;
    posix_spawn_file_actions_init(&Files);
    posix_spawn_file_actions_addopen(&Files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Files, 1, Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&Files, 1, 2);
    const int R = posix_spawnp(&Pid, Argv[0], &Files, nullptr, Argv.data(), Envp.data());
    posix_spawn_file_actions_destroy(&Files);
    if (R != 0) Pid = -1;
    return R == 0;
  }

  // The exit status once the child has ended within `Seconds`.
  std::optional<int> WaitFor(double Seconds) {
    const auto Deadline = TClock::now() + std::chrono::duration<double>(Seconds);
    while (Pid > 0) {
      int Status = 0;
      if (waitpid(Pid, &Status, WNOHANG) == Pid) {
        Pid = -1;
        return Status;
      }
      if (TClock::now() >= Deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  void Stop(int Signal = SIGTERM) {
    if (Pid <= 0) return;
    kill(Pid, Signal);
    if (WaitFor(3)) return;
    kill(Pid, SIGKILL);
    WaitFor(3);
  }

  bool Running() const { return Pid > 0; }
  pid_t Id() const { return Pid; }

 private:
  pid_t Pid = -1;
};

// Runs a command to its end within `Seconds`; true if it exited with 0.
bool Run(const std::vector<std::string>& Args, const TEnv& Env, double Seconds) {
  TChild C;
  if (!C.Start(Args, Env)) return false;
  const auto Status = C.WaitFor(Seconds);
  return Status && WIFEXITED(*Status) && WEXITSTATUS(*Status) == 0;
}

// The fields of /proc/PATH/stat after the command name: field N is [N - 3].
std::vector<std::string> StatFields(const fs::path& Stat, std::string* Name = nullptr) {
  std::ifstream In(Stat);
  std::string Line;
  std::getline(In, Line);
  const auto Open = Line.find('(');
  const auto Close = Line.rfind(')');
  if (Open == std::string::npos || Close == std::string::npos) return {};
  if (Name) *Name = Line.substr(Open + 1, Close - Open - 1);
  std::istringstream Rest(Line.substr(Close + 1));
  return {std::istream_iterator<std::string>(Rest), std::istream_iterator<std::string>()};
}

// True if a thread of the process `Name` started by `Parent` has a real-time
// scheduling policy.
bool ChildRunsRealTime(pid_t Parent, const std::string& Name) {
  std::error_code Ignored;
  for (const auto& Process : fs::directory_iterator("/proc", Ignored)) {
    std::string Comm;
    const auto Fields = StatFields(Process.path() / "stat", &Comm);
    if (Comm != Name || Fields.size() < 2 || Fields[1] != std::to_string(Parent)) continue;
    for (const auto& Task : fs::directory_iterator(Process.path() / "task", Ignored)) {
      const auto Thread = StatFields(Task.path() / "stat");
      if (Thread.size() > 38 && (Thread[38] == "1" || Thread[38] == "2")) return true;
    }
  }
  return false;
}

// Sets variables for this process (an empty value removes one) and puts the
// old values back.
class TEnvScope {
 public:
  explicit TEnvScope(const TEnv& Vars) {
    for (const auto& [Key, Value] : Vars) {
      const char* Old = std::getenv(Key.c_str());
      Saved.emplace_back(Key, Old ? std::optional<std::string>(Old) : std::nullopt);
      if (Value.empty()) {
        unsetenv(Key.c_str());
      } else {
        setenv(Key.c_str(), Value.c_str(), 1);
      }
    }
  }
  ~TEnvScope() {
    for (const auto& [Key, Old] : Saved) {
      if (Old) {
        setenv(Key.c_str(), Old->c_str(), 1);
      } else {
        unsetenv(Key.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

// A private PipeWire server, as Debian desktops run it (session bus,
// pipewire, WirePlumber), reached through ALSA's PipeWire route. Its default
// sink, "vlx-out", at the stream's rate, writes what it plays into a pipe, and
// a reader copies that into Dir/recorded.raw: the sink runs in the server's
// own thread, so nothing between the stream and the file can fall behind and
// lose a cycle, as a recording client of the server can on a busy machine.
// The server must run in real time, as rtkit has it on a desktop: its own
// module gets that as root (or through rtkit); without it a busy machine
// starves the server, and the silence it plays is no fault of the stream.
// Nothing of the user's own sound server is touched: every socket lives in a
// private folder.
class TPipeWireSink {
 public:
  ~TPipeWireSink() {
    Reader.Stop();
    SessionManager.Stop();
    Server.Stop();
    Bus.Stop();
    std::error_code Ignored;
    if (!Dir.empty()) fs::remove_all(Dir, Ignored);
  }

  bool Start(std::string& Why) {
    char Template[] = "/tmp/vlx-pipewire-XXXXXX";
    if (!mkdtemp(Template)) {
      Why = "no temporary directory";
      return false;
    }
    Dir = Template;
    Recording = Dir + "/recorded.raw";
    const std::string Pipe = Dir + "/sink.fifo";
    fs::create_directories(Dir + "/config/pipewire/pipewire.conf.d");
    // A fragment, read alike by PipeWire 0.3 and 1.x.
    std::ofstream(Dir + "/config/pipewire/pipewire.conf.d/vlx.conf")
        << "context.properties = {\n"
           "  default.clock.rate = 29761\n"
           "  default.clock.allowed-rates = [ 29761 ]\n"
           "}\n"
           "context.modules = [\n"
           "  { name = libpipewire-module-pipe-tunnel\n"
           "    args = { tunnel.mode = sink pipe.filename = \""
        << Pipe
        << "\"\n"
           "             audio.format = S16LE audio.rate = 29761 audio.channels = 1\n"
           "             audio.position = [ MONO ]\n"
           "             stream.props = { node.name = vlx-out media.class = Audio/Sink } } }\n"
           "]\n";
    // An empty value removes the variable: a PulseAudio server named by the
    // user's environment must not take ALSA's default over.
    Env = {{"HOME", Dir},
           {"XDG_RUNTIME_DIR", Dir},
           {"PIPEWIRE_RUNTIME_DIR", Dir},
           {"XDG_CONFIG_HOME", Dir + "/config"},
           {"XDG_STATE_HOME", Dir + "/state"},
           {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Dir + "/bus"},
           {"PULSE_SERVER", ""},
           {"PIPEWIRE_REMOTE", ""}};
    // Each bounded by `timeout`, so a test process that dies without cleaning
    // up leaves nothing behind for long; `timeout` passes our SIGTERM on.
    auto Bounded = [](std::vector<std::string> Args) {
      Args.insert(Args.begin(), {"timeout", "-k", "5", "300"});
      return Args;
    };
    if (!StartAndAwait(Bus,
                       Bounded({"dbus-daemon", "--session", "--nofork", "--nosyslog",
                                "--address=unix:path=" + Dir + "/bus"}),
                       "bus", "dbus-daemon", Why) ||
        !StartAndAwait(Server, Bounded({"pipewire"}), "pipewire-0", "pipewire", Why)) {
      return false;
    }
    if (!ChildRunsRealTime(Server.Id(), "pipewire")) {
      Why = "pipewire got no real-time priority (it needs root or rtkit)";
      return false;
    }
    if (!fs::exists(Pipe)) {
      Why = "pipewire made no sink pipe (module pipe-tunnel)";
      return false;
    }
    if (!Reader.Start(Bounded({"cat", Pipe}), Env, Recording)) {
      Why = "cat cannot be started";
      return false;
    }
    if (!SessionManager.Start(Bounded({"wireplumber"}), Env, Dir + "/wireplumber.log")) {
      Why = "wireplumber cannot be started";
      return false;
    }
    // WirePlumber publishes the "default" metadata once it is up.
    const auto Deadline = TClock::now() + std::chrono::seconds(10);
    while (!Run({"timeout", "3", "pw-metadata", "0", "default.configured.audio.sink",
                 R"({ "name": "vlx-out" })", "Spa:String:JSON"},
                Env, 5)) {
      if (TClock::now() >= Deadline || SessionManager.WaitFor(0.1)) {
        Why = "wireplumber did not come up";
        return false;
      }
    }
    // ALSA's "pipewire" device exists only with the route installed.
    std::ofstream(Dir + "/silence.raw", std::ios::binary) << std::string(2 * 8192, '\0');
    if (!Run({"timeout", "5", "aplay", "-q", "-D", "pipewire", "-t", "raw", "-f", "S16_LE", "-r",
              "29761", "-c", "1", Dir + "/silence.raw"},
             Env, 8)) {
      Why = "ALSA has no route to PipeWire (package pipewire-alsa)";
      return false;
    }
    return true;
  }

  std::string Dir;
  std::string Recording;
  TEnv Env;
  TChild Bus;
  TChild Server;
  TChild Reader;
  TChild SessionManager;

 private:
  // Starts `Child` and waits until it has made its socket `Socket` in Dir.
  bool StartAndAwait(TChild& Child, const std::vector<std::string>& Args, const std::string& Socket,
                     const std::string& Name, std::string& Why) {
    const std::string Log = Dir + "/" + Name + ".log";
    if (!Child.Start(Args, Env, Log)) {
      Why = Name + " cannot be started";
      return false;
    }
    const auto Deadline = TClock::now() + std::chrono::seconds(10);
    while (TClock::now() < Deadline) {
      if (fs::exists(Dir + "/" + Socket)) return true;
      if (Child.WaitFor(0.05)) break;  // it gave up
    }
    std::ifstream In(Log);
    std::string Line, Last;
    while (std::getline(In, Line)) {
      if (!Line.empty()) Last = Line;
    }
    Why = Name + " did not come up (" + Last + ")";
    return false;
  }
};

// Holds the button until `Done` says so, or until the deadline, whichever
// comes first. `Done` is asked again only 20 ms after its last answer, so
// however long it takes on a busy machine, the player gets the time between.
class THoldPointerState : public TPointerStateService {
 public:
  THoldPointerState(std::function<bool()> Done, double MaxSeconds)
      : Done(std::move(Done)),
        Deadline(TClock::now() + std::chrono::duration_cast<TClock::duration>(
                                     std::chrono::duration<double>(MaxSeconds))) {}

  bool LeftButtonDown() override {
    ++Queries;
    const auto Now = TClock::now();
    if (Now >= Deadline) return false;
    if (Now - LastCheck >= std::chrono::milliseconds(20)) {
      if (Done()) Released = true;
      LastCheck = TClock::now();
    }
    return !Released;
  }

  long Queries = 0;

 private:
  std::function<bool()> Done;
  TClock::time_point Deadline;
  TClock::time_point LastCheck;
  bool Released = false;
};

// Passes every call to the real device and counts buffers and sleeps.
class TCountingDevice : public TWaveDeviceService {
 public:
  explicit TCountingDevice(TWaveDeviceService& Real) : Real(Real) {}
  MMRESULT waveOutOpen(HWAVEOUT* D, unsigned Id, const WAVEFORMATEX* F, std::uintptr_t C,
                       std::uintptr_t I, unsigned Fl) override {
    return Real.waveOutOpen(D, Id, F, C, I, Fl);
  }
  MMRESULT waveOutPrepareHeader(HWAVEOUT D, WAVEHDR* H, unsigned S) override {
    return Real.waveOutPrepareHeader(D, H, S);
  }
  MMRESULT waveOutWrite(HWAVEOUT D, WAVEHDR* H, unsigned S) override {
    ++Buffers;
    return Real.waveOutWrite(D, H, S);
  }
  MMRESULT waveOutUnprepareHeader(HWAVEOUT D, WAVEHDR* H, unsigned S) override {
    return Real.waveOutUnprepareHeader(D, H, S);
  }
  MMRESULT waveOutReset(HWAVEOUT D) override { return Real.waveOutReset(D); }
  MMRESULT waveOutClose(HWAVEOUT D) override { return Real.waveOutClose(D); }
  std::uint32_t HeaderFlags(HWAVEOUT D, WAVEHDR* H) override { return Real.HeaderFlags(D, H); }
  void Wait(HWAVEOUT D, int Ms, int Wake) override {
    if (Waits++ == 0) BuffersAtFirstWait = Buffers;
    Real.Wait(D, Ms, Wake);
  }

  long Buffers = 0;
  long Waits = 0;
  long BuffersAtFirstWait = 0;

 private:
  TWaveDeviceService& Real;
};

std::vector<std::int16_t> ReadSamples(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::vector<char> Raw((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> Samples(Raw.size() / 2);
  for (std::size_t I = 0; I < Samples.size(); ++I) {
    const auto Lo = static_cast<std::uint8_t>(Raw[2 * I]);
    const auto Hi = static_cast<std::uint8_t>(Raw[2 * I + 1]);
    Samples[I] = static_cast<std::int16_t>(static_cast<std::uint16_t>(Lo | (Hi << 8)));
  }
  return Samples;
}

// Follows a recording as it grows, reading only what was added since the
// last look: the sink writes silence all the time the stream is connected,
// so reading the whole file every time would take longer and longer.
class TRecordingFollower {
 public:
  explicit TRecordingFollower(std::string Path) : Path(std::move(Path)) {}

  // Samples recorded from the first sound sample on, so far.
  std::size_t SoundSoFar() {
    std::ifstream In(Path, std::ios::binary);
    In.seekg(static_cast<std::streamoff>(2 * Samples));
    std::vector<char> Raw((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    for (std::size_t I = 0; I + 1 < Raw.size(); I += 2, ++Samples) {
      if (!Sounding && (Raw[I] != 0 || Raw[I + 1] != 0)) {
        Sounding = true;
        First = Samples;
      }
    }
    return Sounding ? Samples - First : 0;
  }

 private:
  std::string Path;
  std::size_t Samples = 0;
  std::size_t First = 0;
  bool Sounding = false;
};

std::size_t FirstSound(const std::vector<std::int16_t>& Samples) {
  std::size_t I = 0;
  while (I < Samples.size() && Samples[I] == 0) ++I;
  return I;
}

// A sawtooth with fractions, no zero sample and no two samples alike, so the
// alignment is unique and any lost, repeated or altered sample shows.
std::vector<double> TestPeriod() {
  std::vector<double> P(PlayPeriodSamples);
  for (int I = 0; I < PlayPeriodSamples; ++I)
    P[static_cast<std::size_t>(I)] = -28000 + I * 491.3 + 0.6;
  return P;
}

// Twelve buffers: the first four fill ALSA's buffer at once, the others follow
// one by one as it drains.
constexpr std::size_t HeardSamples = 12 * 4096;

TEST(AlsaWaveDevice, OpeningAMissingDeviceShowsTheOpenError) {
  TAlsaWaveDevice Missing("vlx_no_such_pcm");
  TScriptedDialogs Boxes;
  TSeamScope<TWaveDeviceService> DeviceScope(Missing);
  TSeamScope<TDialogService> DialogScope(Boxes);
  TWaveOut Stream;
  EXPECT_FALSE(Stream.Open());
  ASSERT_EQ(Boxes.MessageBoxes().size(), 1u);
  EXPECT_EQ(Boxes.MessageBoxes()[0].Text, "Error opening wave output");
  EXPECT_FALSE(Stream.Opened);
}

TEST(AlsaWaveDevice, HeldPeriodReachesTheSoundServerSampleForSample) {
  const std::vector<double> Period = TestPeriod();
  TScriptedDialogs Boxes;
  TSeamScope<TDialogService> DialogScope(Boxes);

  TPipeWireSink Sink;
  std::string Why;
  if (!Sink.Start(Why)) {
    TAlsaWaveDevice Null("null");
    TSeamScope<TWaveDeviceService> DeviceScope(Null);
    TScriptedPointerState Pointer;
    Pointer.DownFor(4 * 8192);
    TSeamScope<TPointerStateService> PointerScope(Pointer);
    PlayPeriodWhileHeld(Period.data());
    EXPECT_TRUE(Boxes.Calls.empty());
    GTEST_SKIP() << Why << "; played into ALSA \"null\" instead, nothing recorded to compare";
  }

  TEnvScope ProcessEnv(Sink.Env);
  const std::string& Recording = Sink.Recording;

  // The real device through the accessor, as the window will use it.
  ASSERT_EQ(TWaveDeviceService::Installed, nullptr);
  TRecordingFollower Follower(Recording);
  THoldPointerState Hold([&Follower] { return Follower.SoundSoFar() >= HeardSamples + 4096; },
                         20.0);
  {
    TSeamScope<TPointerStateService> PointerScope(Hold);
    PlayPeriodWhileHeld(Period.data());
  }
  EXPECT_TRUE(Boxes.Calls.empty()) << Boxes.Calls.front().Text;

  const std::vector<std::int16_t> Heard = ReadSamples(Recording);
  const std::size_t Start = FirstSound(Heard);
  ASSERT_LT(Start, Heard.size()) << "only silence was recorded";
  ASSERT_GE(Heard.size() - Start, HeardSamples) << "the hold ended before enough was heard";
  // The sound server may swallow the first few frames of a stream, so the
  // first sample heard is looked up in the period (its samples are all
  // different); from there on every sample must follow the period, buffer
  // boundaries included: none lost, repeated or altered, and no silence, which
  // the period never has.
  std::vector<std::int16_t> Bits;
  for (double V : Period) Bits.push_back(SampleToPcm(V));
  std::size_t Offset = 0;
  while (Offset < Bits.size() && Bits[Offset] != Heard[Start]) ++Offset;
  ASSERT_LT(Offset, Bits.size()) << "the first sample heard, " << Heard[Start]
                                 << ", is not in the period";
  std::size_t Mismatches = 0, FirstMismatch = 0;
  for (std::size_t T = 0; T < HeardSamples; ++T) {
    if (Heard[Start + T] != Bits[(Offset + T) % Bits.size()] && Mismatches++ == 0) {
      FirstMismatch = T;
    }
  }
  std::size_t Silent = 0;
  while (FirstMismatch + Silent < HeardSamples && Heard[Start + FirstMismatch + Silent] == 0) {
    ++Silent;
  }
  EXPECT_EQ(Mismatches, 0u) << "first at sample " << FirstMismatch << " after the start: heard "
                            << Heard[Start + FirstMismatch] << ", expected "
                            << Bits[(Offset + FirstMismatch) % Bits.size()] << " (" << Silent
                            << " silent samples from there)";
  RecordProperty("FirstSampleHeard", static_cast<int>(Offset));
}

// A private PipeWire sink as ALSA's "default", and dialogs that are only
// counted, for the tests that hold a button on the real device.
class AlsaWaveDeviceOnPipeWire : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Why;
    if (!Sink.Start(Why)) GTEST_SKIP() << Why;
    ProcessEnv = std::make_unique<TEnvScope>(Sink.Env);
  }

  TPipeWireSink Sink;
  std::unique_ptr<TEnvScope> ProcessEnv;
  TScriptedDialogs Boxes;
  TSeamScope<TDialogService> DialogScope{Boxes};
  const std::vector<double> Period = TestPeriod();
};

// The writer may be kept from running for as long as ALSA's whole buffer
// lasts, not just one of the stream's: every buffer counts done as soon as
// ALSA holds it and has room for one more, so the stream hands over enough to
// fill ALSA's buffer before it first has to wait.
TEST_F(AlsaWaveDeviceOnPipeWire, HoldFillsAlsasWholeBufferBeforeWaiting) {
  TCountingDevice Counting(WaveDevice());
  THoldPointerState Hold([&Counting] { return Counting.Waits > 0; }, 5.0);
  {
    TSeamScope<TWaveDeviceService> DeviceScope(Counting);
    TSeamScope<TPointerStateService> PointerScope(Hold);
    PlayPeriodWhileHeld(Period.data());
  }
  EXPECT_TRUE(Boxes.Calls.empty());
  auto* Alsa = dynamic_cast<TAlsaWaveDevice*>(&WaveDevice());
  ASSERT_NE(Alsa, nullptr);
  const long Frames = static_cast<long>(Alsa->GrantedBufferFrames());
  const long PerBuffer = TWaveOut::BufferBytes / 2;
  ASSERT_GE(Frames, 2 * PerBuffer);
  // ALSA's buffer full, and one more buffer waiting with the device.
  EXPECT_GE(Counting.BuffersAtFirstWait, Frames / PerBuffer + 1)
      << "ALSA holds " << Frames << " frames";
}

// Processor time of a 3-second hold on the real device; not part of the normal
// run. Run with --gtest_also_run_disabled_tests --gtest_filter='*ProcessorTime*'.
TEST_F(AlsaWaveDeviceOnPipeWire, DISABLED_ProcessorTimeOfAThreeSecondHold) {
  THoldPointerState Hold([] { return false; }, 3.0);
  TSeamScope<TPointerStateService> PointerScope(Hold);
  TCountingDevice Counting(WaveDevice());
  TSeamScope<TWaveDeviceService> DeviceScope(Counting);

  auto Cpu = [] {
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return (U.ru_utime.tv_sec + U.ru_stime.tv_sec) * 1e3 +
           (U.ru_utime.tv_usec + U.ru_stime.tv_usec) / 1e3;
  };
  const double CpuBefore = Cpu();
  const auto WallBefore = TClock::now();
  PlayPeriodWhileHeld(Period.data());
  const double CpuMs = Cpu() - CpuBefore;
  const double WallMs =
      std::chrono::duration<double, std::milli>(TClock::now() - WallBefore).count();
  EXPECT_TRUE(Boxes.Calls.empty());
  std::cout << "hold: " << WallMs << " ms wall, " << CpuMs << " ms processor ("
            << 100.0 * CpuMs / WallMs << " %), " << Hold.Queries << " button queries, "
            << Counting.Buffers << " buffers sent, " << Counting.Waits << " waits\n";
  RecordProperty("ProcessorMs", static_cast<int>(CpuMs));
}

}  // namespace
