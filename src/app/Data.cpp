#include "Data.h"

TDataForm* DataForm = nullptr;

TDataForm::TDataForm(QWidget* Owner) : QWidget(Owner) {
  setObjectName("DataForm");
  ButtonSource = new TSkinSource(this);
  ButtonSource->setObjectName(ButtonSourceName);
  ButtonSource->Bitmap().LoadFromResourceName(ButtonSourceName);
  KnobSource = new TSkinSource(this);
  KnobSource->setObjectName(KnobSourceName);
  KnobSource->Bitmap().LoadFromResourceName(KnobSourceName);
}
