#include "Data.h"

TDataForm* DataForm = nullptr;

TDataForm::TDataForm(QWidget* Owner) : QWidget(Owner) {
  setObjectName("DataForm");
  ButtonSource = new TSkinSource(this);
  ButtonSource->setObjectName("ButtonSource");
  ButtonSource->Bitmap().LoadFromResourceName("ButtonSource");
  KnobSource = new TSkinSource(this);
  KnobSource->setObjectName("KnobSource");
  KnobSource->Bitmap().LoadFromResourceName("KnobSource");
}
