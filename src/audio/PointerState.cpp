#include "PointerState.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <chrono>
#include <cstdlib>

namespace {

using TClock = std::chrono::steady_clock;

// A caller may ask before every sample it writes; a round trip to the server
// (or a run of the event queue) that often would cost more than the sound, so
// an answer is reused for this long.
constexpr int DefaultMinIntervalMicroseconds = 1000;

bool IsUserInput(QEvent::Type Type) {
  switch (Type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
      return true;
    default:
      return false;
  }
}

class TX11PointerState {
 public:
  bool LeftButtonDown(xcb_connection_t* Connection) {
    const auto Now = TClock::now();
    if (Asked && Now - LastAsked < std::chrono::microseconds(DefaultMinIntervalMicroseconds)) {
      return LastAnswer;
    }
    LastAnswer = Query(Connection);
    LastAsked = Now;
    Asked = true;
    return LastAnswer;
  }

 private:
  static bool Query(xcb_connection_t* Connection) {
    xcb_screen_iterator_t Screens = xcb_setup_roots_iterator(xcb_get_setup(Connection));
    if (!Screens.rem) return false;
    xcb_query_pointer_reply_t* Reply = xcb_query_pointer_reply(
        Connection, xcb_query_pointer(Connection, Screens.data->root), nullptr);
    // No answer means no server to hold a button against: report it released.
    if (!Reply) return false;
    const bool Down = (Reply->mask & XCB_KEY_BUT_MASK_BUTTON_1) != 0;
    std::free(Reply);
    return Down;
  }

  bool Asked = false;
  bool LastAnswer = false;
  TClock::time_point LastAsked;
};

class TRealPointerState : public TPointerStateService {
 public:
  bool LeftButtonDown() override {
    auto* App = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!App) return false;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
      if (auto* X11 = App->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t* Connection = X11->connection())
          return X11State.LeftButtonDown(Connection);
      }
    }
    return Fallback.LeftButtonDown();
  }

 private:
  TX11PointerState X11State;
  TEventPumpPointerState Fallback;
};

}  // namespace

struct TEventPumpPointerState::TImpl : QObject {
  std::function<bool()> LeftDownNow;
  std::chrono::microseconds MinInterval;
  bool Asked = false;
  bool LastAnswer = false;
  TClock::time_point LastAsked;
  bool SawRelease = false;
  QPointer<QObject> ReleaseReceiver;
  std::unique_ptr<QEvent> Release;

  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (!IsUserInput(Event->type())) return false;
    if (Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton && !SawRelease) {
      SawRelease = true;
      ReleaseReceiver = Watched;
      Release.reset(Event->clone());
    }
    return true;
  }

  bool Pump() {
    auto* App = QCoreApplication::instance();
    if (!App) return false;
    App->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    App->removeEventFilter(this);
    const bool Down = !SawRelease && LeftDownNow();
    if (!Down) {
      if (Release && ReleaseReceiver)
        QCoreApplication::postEvent(ReleaseReceiver, Release.release());
      Release.reset();
      ReleaseReceiver = nullptr;
      SawRelease = false;
    }
    return Down;
  }
};

TEventPumpPointerState::TEventPumpPointerState(std::function<bool()> LeftDownNow,
                                               int MinIntervalMicroseconds)
    : Impl(std::make_unique<TImpl>()) {
  Impl->LeftDownNow = LeftDownNow ? std::move(LeftDownNow) : [] {
    return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0;
  };
  Impl->MinInterval = std::chrono::microseconds(MinIntervalMicroseconds);
}

TEventPumpPointerState::~TEventPumpPointerState() = default;

bool TEventPumpPointerState::LeftButtonDown() {
  const auto Now = TClock::now();
  if (Impl->Asked && Impl->LastAnswer && Now - Impl->LastAsked < Impl->MinInterval) return true;
  Impl->LastAnswer = Impl->Pump();
  Impl->LastAsked = Now;
  Impl->Asked = true;
  return Impl->LastAnswer;
}

TPointerStateService& PointerState() {
  static TRealPointerState Real;
  return TPointerStateService::Installed ? *TPointerStateService::Installed : Real;
}
