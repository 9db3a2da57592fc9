#pragma once

#include <functional>
#include <memory>

#include "Seam.h"

// The state of the left mouse button at the moment of asking, for code that
// holds the GUI thread while the button is down and must see its release.
class TPointerStateService {
 public:
  virtual ~TPointerStateService() = default;
  virtual bool LeftButtonDown() = 0;
  // A descriptor that turns readable when the button may have been released,
  // for a caller about to sleep between questions (the next question then
  // looks afresh); -1 if there is none, and the caller must ask again within
  // a few milliseconds.
  virtual int WakeDescriptor() { return -1; }

  static inline TPointerStateService* Installed = nullptr;
};

// On X11 TX11PointerState answers; elsewhere TEventPumpPointerState stands in.
TPointerStateService& PointerState();

// X11, on a connection of its own (the toolkit's is read by its own thread).
// The server is asked for the button at the start of a hold, after it has
// reported a release and, as a safety net, every `RecheckMilliseconds`: with
// XInput 2.1 it reports every button release on the root window as a raw
// event, whichever window holds the pointer's grab, and the connection is the
// descriptor to sleep on. The recheck only bounds a release the server never
// reported; each one is a round trip and a wake of a sleeping holder, so it
// comes rarely.
// Without XInput 2.1 it is asked at most once a millisecond and there is no
// descriptor. `DisplayName` null: the one DISPLAY names.
class TX11PointerState : public TPointerStateService {
 public:
  explicit TX11PointerState(const char* DisplayName = nullptr, int RecheckMilliseconds = 250);
  ~TX11PointerState() override;
  TX11PointerState(const TX11PointerState&) = delete;
  TX11PointerState& operator=(const TX11PointerState&) = delete;
  bool LeftButtonDown() override;
  int WakeDescriptor() override;
  // Whether the server answered at all, and whether it reports releases.
  bool Connected() const;
  bool ReportsReleases() const;
  // Round trips made for the button's state so far.
  long Queries() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

// For window systems without a global pointer query: runs the pending events
// with every user input event held back from all controls, and watches for the
// left button's release. The release itself is posted again to the object that
// was to receive it once it has been reported, so the pressed control still gets
// it when the caller returns to the event loop.
// `LeftDownNow` gives the toolkit's idea of the button after the events have
// run (default: QGuiApplication::mouseButtons()). Answers younger than
// `MinIntervalMicroseconds` are reused rather than running the queue again.
class TEventPumpPointerState : public TPointerStateService {
 public:
  explicit TEventPumpPointerState(std::function<bool()> LeftDownNow = {},
                                  int MinIntervalMicroseconds = 1000);
  ~TEventPumpPointerState() override;
  bool LeftButtonDown() override;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};
