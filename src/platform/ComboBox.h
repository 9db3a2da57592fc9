#pragma once

#include <QComboBox>
#include <string>

#include "Types.h"

enum TComboBoxStyle {
  csDropDown,      // an edit field with a list
  csDropDownList,  // a list to pick from; nothing can be typed
};

class TCustomComboBox;

// The item list of a combo box, in order.
class TComboBoxItems {
 public:
  explicit TComboBoxItems(TCustomComboBox& Owner) : Owner(Owner) {}
  TComboBoxItems(const TComboBoxItems&) = delete;
  TComboBoxItems& operator=(const TComboBoxItems&) = delete;

  int Count() const;
  // The text of an item; empty outside the list.
  std::string Strings(int Index) const;
  // Appends and answers the new item's index.
  int Add(const std::string& Text);
  void Clear();

 private:
  TCustomComboBox& Owner;
};

// A combo box in the toolkit's manner. Its window comes into being before it is
// first shown or first asked for its items or selection, and again whenever
// the window system re-creates it; each time CreateWnd runs, where a subclass
// fills in what its window needs. Items and selection outlive a re-creation.
class TCustomComboBox : public QComboBox {
 public:
  explicit TCustomComboBox(QWidget* Parent = nullptr);
  ~TCustomComboBox() override;

  TComboBoxItems& Items();
  // -1 for no selection.
  int ItemIndex() const;
  // An index outside the list selects nothing.
  void SetItemIndex(int Value);

  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);

  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const { return width(); }
  int Height() const { return height(); }
  void SetWidth(int Value) { resize(Value, height()); }
  void SetBounds(int Left, int Top, int Width, int Height);

  bool HandleAllocated() const { return FHandleAllocated; }
  // Creates the window now if there is none yet.
  void HandleNeeded();
  // Destroys the window and creates it anew, as the window system does when a
  // window moves to another parent; nothing happens while there is no window.
  void RecreateWnd();

  // The user picked an item (not fired for SetItemIndex).
  TNotifyEvent OnChange;

 protected:
  // The window-creation step; a subclass calls this first, then adds its own.
  virtual void CreateWnd();
  virtual void DestroyWnd();

  bool event(QEvent* Event) override;

 private:
  void CreateCaught();

  TComboBoxItems FItems{*this};
  TComboBoxStyle FStyle = csDropDown;
  bool FHandleAllocated = false;
  // The native window id the current window was created with; 0 while the
  // control is drawn in its parent's window.
  WId KnownWinId = 0;
};
