#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

// A named pipe that no one writes to: opening it for reading blocks until a
// writer comes. Should the code under test block on it, a guard plays the
// writer after a few seconds, so the test goes on and fails on what the code
// then did (and on Unblocked) instead of hanging.
class TUnwrittenPipe {
 public:
  explicit TUnwrittenPipe(std::string Path) : Path(std::move(Path)) {
    Made = ::mkfifo(this->Path.c_str(), 0600) == 0;
    if (Made) Guard = std::thread([this] { Watch(); });
  }
  ~TUnwrittenPipe() {
    {
      std::lock_guard<std::mutex> Lock(Mutex);
      Done = true;
    }
    Wake.notify_all();
    if (Guard.joinable()) Guard.join();
  }
  TUnwrittenPipe(const TUnwrittenPipe&) = delete;
  TUnwrittenPipe& operator=(const TUnwrittenPipe&) = delete;

  const std::string Path;
  bool Made = false;
  // Whether a reader had the pipe open long enough for the guard to find it.
  bool Unblocked() const { return Rescued; }

 private:
  void Watch() {
    std::unique_lock<std::mutex> Lock(Mutex);
    const auto Finished = [this] { return Done; };
    if (Wake.wait_for(Lock, std::chrono::seconds(5), Finished)) return;
    while (!Done) {
      // Opens only while a reader holds the pipe, and sets that reader free.
      const int Fd = ::open(Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (Fd >= 0) {
        ::close(Fd);
        Rescued = true;
      }
      Wake.wait_for(Lock, std::chrono::milliseconds(100), Finished);
    }
  }

  std::mutex Mutex;
  std::condition_variable Wake;
  bool Done = false;
  std::atomic<bool> Rescued{false};
  std::thread Guard;
};
