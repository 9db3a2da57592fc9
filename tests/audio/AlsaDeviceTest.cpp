// The real ALSA device, played into a private PipeWire null sink and recorded
// from it. Needs pipewire, wireplumber, pipewire-alsa and dbus; where the
// server cannot start, the stream plays into ALSA's "null" device instead and
// the recording part is skipped.

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
#include <map>
#include <optional>
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

// A private PipeWire server, as Debian 12 desktops run it (session bus,
// pipewire, WirePlumber), with one null sink, "vlx-out", at the stream's rate
// and made the default, reached through ALSA's PipeWire route. Nothing of the
// user's own sound server is touched: every socket lives in a private folder.
class TPipeWireNullSink {
 public:
  ~TPipeWireNullSink() {
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
    fs::create_directories(Dir + "/config/pipewire/pipewire.conf.d");
    std::ofstream(Dir + "/config/pipewire/pipewire.conf.d/rate.conf")
        << "context.properties = {\n"
           "  default.clock.rate = 29761\n"
           "  default.clock.allowed-rates = [ 29761 ]\n"
           "}\n";
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
    if (!SessionManager.Start(Bounded({"wireplumber"}), Env, Dir + "/wireplumber.log")) {
      Why = "wireplumber cannot be started";
      return false;
    }
    const std::string Sink =
        "{ factory.name=support.null-audio-sink node.name=vlx-out media.class=Audio/Sink "
        "object.linger=true audio.rate=29761 audio.channels=1 audio.position=[ MONO ] "
        "monitor.channel-volumes=false }";
    if (!Run({"timeout", "5", "pw-cli", "create-node", "adapter", Sink}, Env, 8)) {
      Why = "pw-cli could not create the null sink";
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
    // ALSA's "pipewire" device exists only with the route installed. A fresh
    // null sink holds back its first stream for a moment; a short silence
    // gets that over with.
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
  TEnv Env;
  TChild Bus;
  TChild Server;
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

// Records what reaches the null sink, raw 16-bit mono at the stream's rate.
std::vector<std::string> RecordSink(const std::string& Path) {
  return {"timeout",
          "120",
          "pw-record",
          "--target",
          "vlx-out",
          "-P",
          "{ stream.capture.sink=true }",
          "--format",
          "s16",
          "--rate",
          "29761",
          "--channels",
          "1",
          "--latency",
          "20ms",
          Path};
}

// Holds the button until `Done` says so (asked at most every 20 ms), or until
// the deadline, whichever comes first.
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
      LastCheck = Now;
      if (Done()) Released = true;
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
  void Wait(HWAVEOUT D, int Ms) override {
    ++Waits;
    Real.Wait(D, Ms);
  }

  long Buffers = 0;
  long Waits = 0;

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

// The sound samples of a recording, from the first on, without the silence a
// starved sound server plays where a buffer came late. The test period has no
// zero sample, so silence can only come from the server (or from a stream
// that sends a buffer of zeros, which such a gap would hide: Gaps counts them).
std::vector<std::int16_t> SoundOf(const std::vector<std::int16_t>& Samples, int* Gaps = nullptr) {
  std::vector<std::int16_t> Sound;
  bool InGap = false;
  for (const std::int16_t S : Samples) {
    if (S != 0) {
      if (InGap && Gaps) ++*Gaps;
      Sound.push_back(S);
    }
    InGap = S == 0 && !Sound.empty();
  }
  return Sound;
}

// A sawtooth with fractions, no zero sample and no two samples alike, so the
// alignment is unique and any lost, repeated or altered sample shows.
std::vector<double> TestPeriod() {
  std::vector<double> P(PlayPeriodSamples);
  for (int I = 0; I < PlayPeriodSamples; ++I)
    P[static_cast<std::size_t>(I)] = -28000 + I * 491.3 + 0.6;
  return P;
}

constexpr std::size_t HeardSamples = 5 * 4096;  // five buffers, four boundaries

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

  TPipeWireNullSink Sink;
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
  const std::string Recording = Sink.Dir + "/recorded.raw";
  TChild Recorder;
  ASSERT_TRUE(Recorder.Start(RecordSink(Recording), Sink.Env));

  // Wait for the recorder to deliver something (silence), so the stream's
  // start is not lost before the recording begins.
  const auto Deadline = TClock::now() + std::chrono::seconds(10);
  // pw-record makes its file only once the stream runs.
  auto Recorded = [&Recording] {
    std::error_code Missing;
    const auto Size = fs::file_size(Recording, Missing);
    return Missing ? 0 : Size;
  };
  while (TClock::now() < Deadline && Recorded() < 2 * 4096) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GE(Recorded(), 2u * 4096) << "pw-record recorded nothing";

  // The real device through the accessor, as the window will use it.
  ASSERT_EQ(TWaveDeviceService::Installed, nullptr);
  THoldPointerState Hold(
      [&Recording] { return SoundOf(ReadSamples(Recording)).size() >= HeardSamples + 4096; }, 20.0);
  {
    TSeamScope<TPointerStateService> PointerScope(Hold);
    PlayPeriodWhileHeld(Period.data());
  }
  EXPECT_TRUE(Boxes.Calls.empty()) << Boxes.Calls.front().Text;
  Recorder.Stop(SIGINT);

  int Gaps = 0;
  const std::vector<std::int16_t> Heard = SoundOf(ReadSamples(Recording), &Gaps);
  const std::size_t Start = 0;
  ASSERT_FALSE(Heard.empty()) << "only silence was recorded";
  ASSERT_GE(Heard.size(), HeardSamples) << "the hold ended before enough was heard";
  // The sound server may swallow the first few frames of a stream, so the
  // first sample heard is looked up in the period (its samples are all
  // different); from there on every sample must follow the period, buffer
  // boundaries included: none lost, repeated or altered.
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
  EXPECT_EQ(Mismatches, 0u) << "first at sample " << FirstMismatch << " after the start: heard "
                            << Heard[Start + FirstMismatch] << ", expected "
                            << Bits[(Offset + FirstMismatch) % Bits.size()];
  RecordProperty("FirstSampleHeard", static_cast<int>(Offset));
  RecordProperty("SilentGaps", Gaps);
  if (Gaps > 0) std::cout << Gaps << " silent gap(s) where the sound server ran dry\n";
}

// Processor time of a 3-second hold on the real device; not part of the normal
// run. Run with --gtest_also_run_disabled_tests --gtest_filter='*ProcessorTime*'.
TEST(AlsaWaveDevice, DISABLED_ProcessorTimeOfAThreeSecondHold) {
  TPipeWireNullSink Sink;
  std::string Why;
  if (!Sink.Start(Why)) GTEST_SKIP() << Why;
  TEnvScope ProcessEnv(Sink.Env);
  // A reader on the monitor keeps the null sink consuming from the start, as a
  // sound card would; without one it holds a new stream back for a second.
  TChild Reader;
  ASSERT_TRUE(Reader.Start(RecordSink(Sink.Dir + "/ignored.raw"), Sink.Env));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  TScriptedDialogs Boxes;
  TSeamScope<TDialogService> DialogScope(Boxes);
  const std::vector<double> Period = TestPeriod();
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
