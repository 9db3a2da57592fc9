#include "Channelcombobox.h"

#include <string>

namespace {

constexpr int Channels = 16;

bool ListsTheChannels(TComboBoxItems& Items) {
  if (Items.Count() != Channels) return false;
  for (int I = 0; I < Channels; ++I) {
    if (Items.Strings(I) != std::to_string(I + 1)) return false;
  }
  return true;
}

}  // namespace

TChannelComboBox::TChannelComboBox(QWidget* Parent) : TCustomComboBox(Parent) {
  SetWidth(41);
  SetStyle(csDropDownList);
}

void TChannelComboBox::CreateWnd() {
  TCustomComboBox::CreateWnd();
  TComboBoxItems& List = Items();
  if (ListsTheChannels(List)) return;
  List.Clear();
  for (int Channel = 1; Channel <= Channels; ++Channel) List.Add(std::to_string(Channel));
  SetItemIndex(0);
}
