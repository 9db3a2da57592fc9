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

  static inline TPointerStateService* Installed = nullptr;
};

// On X11 the server is asked directly; elsewhere TEventPumpPointerState stands in.
TPointerStateService& PointerState();

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
