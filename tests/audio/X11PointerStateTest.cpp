// The X11 pointer state against a real X server: a private Xvfb, the button
// pressed and released through xdotool (XTest), a window of another client
// holding the pointer's grab as the program's own window does while a play
// button is held. Skipped where Xvfb or xdotool is missing.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PointerState.h"

extern char** environ;

namespace {

bool OnPath(const std::string& Name) {
  return std::system(("command -v " + Name + " >/dev/null 2>&1").c_str()) == 0;
}

// An Xvfb of its own; it tells its display number once it takes clients.
class TXvfb {
 public:
  bool Start() {
    int Pipe[2];
    if (pipe(Pipe) != 0) return false;
    posix_spawn_file_actions_t Files;
    posix_spawn_file_actions_init(&Files);
    posix_spawn_file_actions_addopen(&Files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&Files, 1, 2);
    posix_spawn_file_actions_adddup2(&Files, Pipe[1], 3);
    std::vector<std::string> Args = {"Xvfb",    "-displayfd", "3",          "-nolisten", "tcp",
                                     "-screen", "0",          "640x480x24", "-noreset"};
    std::vector<char*> Argv;
    for (auto& A : Args) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    const bool Spawned = posix_spawnp(&Pid, Argv[0], &Files, nullptr, Argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&Files);
    close(Pipe[1]);
    if (!Spawned) Pid = -1;
    std::string Number;
    pollfd Fd{Pipe[0], POLLIN, 0};
    char C;
    while (Spawned && poll(&Fd, 1, 10000) > 0 && read(Pipe[0], &C, 1) == 1 && C != '\n') {
      Number += C;
    }
    close(Pipe[0]);
    if (Number.empty()) return false;
    Display = ":" + Number;
    return true;
  }

  ~TXvfb() {
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, nullptr, 0);
    }
  }

  std::string Display;

 private:
  pid_t Pid = -1;
};

// Sleeps on the state's descriptor as a holder does; true if it woke.
bool Sleep(TPointerStateService& State, int Milliseconds) {
  pollfd P{State.WakeDescriptor(), POLLIN, 0};
  return poll(&P, 1, Milliseconds) > 0;
}

class X11PointerStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    ASSERT_TRUE(Server.Start()) << "Xvfb did not start";
    Window = xcb_connect(Server.Display.c_str(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(Window));
    // A window that takes button presses, so that a press in it grabs the
    // pointer for its client until the release.
    xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(Window)).data;
    const xcb_window_t Id = xcb_generate_id(Window);
    const std::uint32_t Mask = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE;
    xcb_create_window(Window, XCB_COPY_FROM_PARENT, Id, Screen->root, 0, 0, 200, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, Screen->root_visual, XCB_CW_EVENT_MASK, &Mask);
    xcb_map_window(Window, Id);
    std::free(xcb_get_input_focus_reply(Window, xcb_get_input_focus(Window), nullptr));
    ASSERT_TRUE(Xdotool("mousemove 100 100"));
  }

  void TearDown() override {
    if (Window) xcb_disconnect(Window);
  }

  bool Xdotool(const std::string& Command) const {
    return std::system(("DISPLAY=" + Server.Display + " xdotool " + Command).c_str()) == 0;
  }

  TXvfb Server;
  xcb_connection_t* Window = nullptr;
};

// Rechecks an hour apart: only the reported releases can end a hold here.
constexpr int NoRecheck = 3600 * 1000;

TEST_F(X11PointerStateTest, ReleaseUnderAnotherClientsGrabWakesTheHolderAndEndsTheHold) {
  TX11PointerState State(Server.Display.c_str(), NoRecheck);
  ASSERT_TRUE(State.Connected());
  ASSERT_TRUE(State.ReportsReleases()) << "the server offers no XInput 2.1 raw events";
  ASSERT_GE(State.WakeDescriptor(), 0);
  EXPECT_FALSE(State.LeftButtonDown());

  ASSERT_TRUE(Xdotool("mousedown 1"));
  EXPECT_TRUE(State.LeftButtonDown());
  const long AtPress = State.Queries();
  // Held: a hundred sleeps and looks, and not one round trip.
  for (int I = 0; I < 100; ++I) {
    EXPECT_FALSE(Sleep(State, 2));
    EXPECT_TRUE(State.LeftButtonDown());
  }
  EXPECT_EQ(State.Queries(), AtPress);

  // Another button's release wakes the holder, which asks and holds on.
  const long BeforeRight = State.Queries();
  ASSERT_TRUE(Xdotool("mousedown 3 mouseup 3"));
  EXPECT_TRUE(Sleep(State, 2000));
  EXPECT_TRUE(State.LeftButtonDown());
  EXPECT_EQ(State.Queries(), BeforeRight + 1);

  ASSERT_TRUE(Xdotool("mouseup 1"));
  EXPECT_TRUE(Sleep(State, 2000)) << "the release did not wake the holder";
  EXPECT_FALSE(State.LeftButtonDown());
  EXPECT_FALSE(State.LeftButtonDown());
}

TEST_F(X11PointerStateTest, ANewHoldAsksAfreshWhatEverEarlierClicksLeftBehind) {
  TX11PointerState State(Server.Display.c_str(), NoRecheck);
  ASSERT_TRUE(State.ReportsReleases());
  // Clicks while nobody holds: their releases wait unread on the connection.
  ASSERT_TRUE(Xdotool("click 1 click 1"));
  ASSERT_TRUE(Xdotool("mousedown 1"));
  EXPECT_TRUE(State.LeftButtonDown());
  EXPECT_TRUE(State.LeftButtonDown());
  ASSERT_TRUE(Xdotool("mouseup 1"));
  ASSERT_TRUE(Sleep(State, 2000));
  EXPECT_FALSE(State.LeftButtonDown());
}

TEST_F(X11PointerStateTest, TheRecheckAsksAtEveryLookOnceItIsDue) {
  TX11PointerState State(Server.Display.c_str(), 0);
  ASSERT_TRUE(Xdotool("mousedown 1"));
  EXPECT_TRUE(State.LeftButtonDown());
  const long AtPress = State.Queries();
  for (int I = 0; I < 5; ++I) {
    EXPECT_FALSE(Sleep(State, 1));
    EXPECT_TRUE(State.LeftButtonDown());
  }
  EXPECT_EQ(State.Queries(), AtPress + 5);
  ASSERT_TRUE(Xdotool("mouseup 1"));
}

TEST(X11PointerState, NoServerMeansReleasedAndNothingToSleepOn) {
  TX11PointerState State(":32767");
  EXPECT_FALSE(State.Connected());
  EXPECT_FALSE(State.ReportsReleases());
  EXPECT_EQ(State.WakeDescriptor(), -1);
  EXPECT_FALSE(State.LeftButtonDown());
}

}  // namespace
