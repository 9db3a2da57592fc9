#pragma once

#include <QWidget>

#include "Skinsource.h"

// Holds the two skins every control of the main window draws from. It is a
// container only: created with the other forms, never shown.
class TDataForm : public QWidget {
  Q_OBJECT

 public:
  explicit TDataForm(QWidget* Owner = nullptr);

  TSkinSource* ButtonSource;
  TSkinSource* KnobSource;
};

extern TDataForm* DataForm;
