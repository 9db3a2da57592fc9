#pragma once

#include "Forms.h"

// The maker's web site, opened by the About dialog and the upload notices.
extern const char* const MakerWebSite;
extern const char* const MakerWebSiteCaption;

class TAboutForm : public TForm {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* Owner = nullptr);

  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TImage* Image1;

  void URLClick(QObject* Sender);
};

extern TAboutForm* AboutForm;
