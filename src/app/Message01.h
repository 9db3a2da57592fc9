#pragma once

#include "Forms.h"

// Notice shown when the registered host is older than the version that
// understands our WAV files well; the upload goes on afterwards.
class TMessage01Form : public TForm {
  Q_OBJECT

 public:
  explicit TMessage01Form(QWidget* Owner = nullptr);

  TImage* Image1;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TButton* Button1;

  void URLClick(QObject* Sender);
};

extern TMessage01Form* Message01Form;
