#include "ComboBox.h"

#include <QEvent>
#include <QString>

#include "Application.h"

int TComboBoxItems::Count() const {
  return Owner.count();
}

std::string TComboBoxItems::Strings(int Index) const {
  if (Index < 0 || Index >= Owner.count()) return {};
  return Owner.itemText(Index).toStdString();
}

// Qt selects the first item put into an empty list; the toolkit's list keeps
// no selection until one is made.
int TComboBoxItems::Add(const std::string& Text) {
  const int Selected = Owner.currentIndex();
  Owner.addItem(QString::fromStdString(Text));
  if (Selected < 0) Owner.setCurrentIndex(-1);
  return Owner.count() - 1;
}

void TComboBoxItems::Clear() {
  Owner.clear();
}

TCustomComboBox::TCustomComboBox(QWidget* Parent) : QComboBox(Parent) {
  setEditable(true);
  // activated comes only from the user's choice, never from SetItemIndex.
  connect(this, &QComboBox::activated, this, [this](int) {
    try {
      if (OnChange) OnChange(this);
    } catch (...) {
      HandleException();
    }
  });
}

TCustomComboBox::~TCustomComboBox() = default;

TComboBoxItems& TCustomComboBox::Items() {
  HandleNeeded();
  return FItems;
}

// Reading the selection asks the window, which is made for it if need be.
int TCustomComboBox::ItemIndex() const {
  const_cast<TCustomComboBox*>(this)->HandleNeeded();
  return currentIndex();
}

void TCustomComboBox::SetItemIndex(int Value) {
  HandleNeeded();
  setCurrentIndex(Value >= 0 && Value < count() ? Value : -1);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  FStyle = Value;
  setEditable(Value == csDropDown);
}

void TCustomComboBox::SetBounds(int Left, int Top, int Width, int Height) {
  setGeometry(Left, Top, Width, Height);
}

void TCustomComboBox::HandleNeeded() {
  if (!FHandleAllocated) CreateWnd();
}

void TCustomComboBox::RecreateWnd() {
  if (!FHandleAllocated) return;
  DestroyWnd();
  CreateWnd();
}

void TCustomComboBox::CreateWnd() {
  FHandleAllocated = true;
  KnownWinId = internalWinId();
}

void TCustomComboBox::DestroyWnd() {
  FHandleAllocated = false;
}

void TCustomComboBox::CreateCaught() {
  try {
    CreateWnd();
  } catch (...) {
    HandleException();
  }
}

bool TCustomComboBox::event(QEvent* Event) {
  switch (Event->type()) {
    case QEvent::Show:
      if (!FHandleAllocated) CreateCaught();
      break;
    case QEvent::WinIdChange: {
      const WId Now = internalWinId();
      if (Now == KnownWinId) break;
      if (Now == 0) {
        // The native window is gone; a new one, if any, is a re-creation.
        if (FHandleAllocated) DestroyWnd();
        KnownWinId = 0;
      } else if (!FHandleAllocated) {
        CreateCaught();
      } else if (KnownWinId == 0) {
        // The control drawn in its parent's window got a window of its own:
        // the same control, not a new window in the toolkit's sense.
        KnownWinId = Now;
      } else {
        DestroyWnd();
        CreateCaught();
      }
      break;
    }
    default:
      break;
  }
  return QComboBox::event(Event);
}
