#pragma once

#include <QWidget>

#include "Skinsource.h"

// The names by which the main window's controls find their skins; each skin's
// picture bears the same name among the resources.
inline constexpr const char* ButtonSourceName = "ButtonSource";
inline constexpr const char* KnobSourceName = "KnobSource";
// The property of a control that names its skin, until the skins are attached.
inline constexpr const char* SkinSourceProperty = "SkinSourceName";

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
