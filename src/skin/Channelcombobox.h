#pragma once

#include "ComboBox.h"

// A drop-down list of the sixteen MIDI channels, "1" to "16"; Channel is the
// selected item's number, 0 while nothing is selected.
class TChannelComboBox : public TCustomComboBox {
 public:
  explicit TChannelComboBox(QWidget* Parent = nullptr);

  int GetChannel() const { return ItemIndex() + 1; }
  // A channel outside 1..16 selects nothing.
  void SetChannel(int Value) { SetItemIndex(Value - 1); }

 protected:
  // A new window lists the channels with channel 1 selected. A re-created one
  // that still holds them keeps them and its selection, so the list never
  // holds a channel twice.
  void CreateWnd() override;
};
