#include "PointerState.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>

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

bool QueryLeftButton(xcb_connection_t* Connection) {
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

// The toolkit's own connection, asked at most once a millisecond: only for a
// server that refuses a second connection.
class TQtConnectionPointerState {
 public:
  bool LeftButtonDown(xcb_connection_t* Connection) {
    const auto Now = TClock::now();
    if (Asked && Now - LastAsked < std::chrono::microseconds(DefaultMinIntervalMicroseconds)) {
      return LastAnswer;
    }
    LastAnswer = QueryLeftButton(Connection);
    LastAsked = Now;
    Asked = true;
    return LastAnswer;
  }

 private:
  bool Asked = false;
  bool LastAnswer = false;
  TClock::time_point LastAsked;
};

class TRealPointerState : public TPointerStateService {
 public:
  bool LeftButtonDown() override {
    Choose();
    if (Own) return Own->LeftButtonDown();
    if (QtConnection) return QtConnectionState.LeftButtonDown(QtConnection);
    return Fallback.LeftButtonDown();
  }

  int WakeDescriptor() override {
    Choose();
    return Own ? Own->WakeDescriptor() : -1;
  }

 private:
  // The window system does not change while the program runs: the choice is
  // made on the first press (a holder asks before every sample).
  void Choose() {
    if (Chosen) return;
    auto* App = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!App) return;
    Chosen = true;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    auto* X11 = App->nativeInterface<QNativeInterface::QX11Application>();
    QtConnection = X11 ? X11->connection() : nullptr;
    if (!QtConnection) return;
    // A connection of our own, to the server the toolkit reads DISPLAY for.
    Own.emplace();
    if (!Own->Connected()) Own.reset();
  }

  bool Chosen = false;
  xcb_connection_t* QtConnection = nullptr;
  std::optional<TX11PointerState> Own;
  TQtConnectionPointerState QtConnectionState;
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

struct TX11PointerState::TImpl {
  xcb_connection_t* Connection = nullptr;
  std::uint8_t InputOpcode = 0;
  bool Releases = false;  // the server reports releases as raw events
  bool Holding = false;   // the last answer
  bool Asked = false;
  TClock::time_point LastLook;  // without releases reported
  TClock::time_point LastQuery;
  // Even with releases reported the server is asked this often while the
  // button is held, so a release it failed to report cannot hold the sound
  // for ever.
  std::chrono::milliseconds Recheck;
  unsigned Unlooked = 0;  // answers given since the last look
  bool LookNext = false;  // the caller has slept on the descriptor
  long Queries = 0;

  bool Query() {
    ++Queries;
    LastQuery = TClock::now();
    return QueryLeftButton(Connection);
  }

  bool IsRelease(const xcb_generic_event_t* Event) const {
    if ((Event->response_type & 0x7f) != XCB_GE_GENERIC) return false;
    const auto* Ge = reinterpret_cast<const xcb_ge_generic_event_t*>(Event);
    return Ge->extension == InputOpcode && Ge->event_type == XCB_INPUT_RAW_BUTTON_RELEASE;
  }

  // Takes every event off the connection, reading the socket only if asked;
  // true if one of them was a release. Any button counts: the query that
  // follows knows which one is the left under the user's mapping.
  bool TakeReleases(bool Read) {
    bool Released = false;
    while (xcb_generic_event_t* Event =
               Read ? xcb_poll_for_event(Connection) : xcb_poll_for_queued_event(Connection)) {
      Released = Released || IsRelease(Event);
      std::free(Event);
    }
    return Released;
  }

  // Asks the server, then looks again at events that came in with the reply:
  // they are read off the socket already, so it would not wake a sleeper.
  bool Settle() {
    bool Down = Query();
    while (Down && TakeReleases(false)) Down = Query();
    return Down;
  }

  bool SelectReleases() {
    const xcb_query_extension_reply_t* Input = xcb_get_extension_data(Connection, &xcb_input_id);
    if (!Input || !Input->present) return false;
    InputOpcode = Input->major_opcode;
    // 2.1 is the version from which raw events reach every client that asks,
    // also while another client holds the grab.
    xcb_input_xi_query_version_reply_t* Version = xcb_input_xi_query_version_reply(
        Connection, xcb_input_xi_query_version(Connection, 2, 2), nullptr);
    if (!Version) return false;
    const bool Recent =
        Version->major_version > 2 || (Version->major_version == 2 && Version->minor_version >= 1);
    std::free(Version);
    if (!Recent) return false;
    xcb_screen_iterator_t Screens = xcb_setup_roots_iterator(xcb_get_setup(Connection));
    if (!Screens.rem) return false;
    // The request reads the mask's words right behind its head.
    struct TMask {
      xcb_input_event_mask_t Head;
      std::uint32_t Bits;
    };
    const TMask Mask{{XCB_INPUT_DEVICE_ALL, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE};
    xcb_generic_error_t* Error = xcb_request_check(
        Connection,
        xcb_input_xi_select_events_checked(Connection, Screens.data->root, 1, &Mask.Head));
    if (Error) {
      std::free(Error);
      return false;
    }
    return true;
  }
};

TX11PointerState::TX11PointerState(const char* DisplayName, int RecheckMilliseconds)
    : Impl(std::make_unique<TImpl>()) {
  Impl->Recheck = std::chrono::milliseconds(RecheckMilliseconds);
  Impl->Connection = xcb_connect(DisplayName, nullptr);
  Impl->Releases = Connected() && Impl->SelectReleases();
}

TX11PointerState::~TX11PointerState() {
  // A failed connect still hands back an object to free.
  if (Impl->Connection) xcb_disconnect(Impl->Connection);
}

bool TX11PointerState::Connected() const {
  return Impl->Connection && !xcb_connection_has_error(Impl->Connection);
}

bool TX11PointerState::ReportsReleases() const {
  return Impl->Releases;
}

long TX11PointerState::Queries() const {
  return Impl->Queries;
}

int TX11PointerState::WakeDescriptor() {
  if (!Impl->Releases || !Connected()) return -1;
  Impl->LookNext = true;
  return xcb_get_file_descriptor(Impl->Connection);
}

// A holder asks before every sample it writes, and sleeps on the descriptor
// when it cannot write: while the button is held, a look at the connection
// (one read of the socket, a round trip only after a release or for the
// recheck) comes after each sleep and on every 512th question, and the last
// answer stands in between. Without releases reported the server is asked
// at most once a millisecond.
bool TX11PointerState::LeftButtonDown() {
  TImpl& I = *Impl;
  if (I.Releases && I.Holding && !I.LookNext && ++I.Unlooked < 512) return true;
  if (!Connected()) return false;
  if (!I.Releases) {
    const auto Now = TClock::now();
    if (!I.Asked || !I.Holding ||
        Now - I.LastLook >= std::chrono::microseconds(DefaultMinIntervalMicroseconds)) {
      I.Holding = I.Query();
      I.LastLook = Now;
      I.Asked = true;
    }
    return I.Holding;
  }
  I.Unlooked = 0;
  I.LookNext = false;
  if (!I.Holding) {
    // A new hold: releases of earlier clicks are history.
    I.TakeReleases(true);
    I.Holding = I.Settle();
  } else if (I.TakeReleases(true) || TClock::now() - I.LastQuery >= I.Recheck) {
    I.Holding = I.Settle();
  }
  if (!Connected()) I.Holding = false;
  return I.Holding;
}

TPointerStateService& PointerState() {
  static TRealPointerState Real;
  return TPointerStateService::Installed ? *TPointerStateService::Installed : Real;
}
