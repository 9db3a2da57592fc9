#pragma once

#include "Forms.h"

// Notice shown when no host is registered; the upload stops.
class TMessage02Form : public TForm {
  Q_OBJECT

 public:
  explicit TMessage02Form(QWidget* Owner = nullptr);

  TImage* Image1;
  TLabel* Label1;
  TLabel* Label4;
  TLabel* Label5;
  TButton* Button1;

  void URLClick(QObject* Sender);
};

extern TMessage02Form* Message02Form;
