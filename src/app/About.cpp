#include "About.h"

#include "Shell.h"

const char* const MakerWebSite = "https://vorlantix.example.org/";
const char* const MakerWebSiteCaption = "vorlantix.example.org";

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(QWidget* Owner) : TForm(Owner) {
  setObjectName("AboutForm");
  SetBorderStyle(TFormBorderStyle::bsToolWindow);
  SetCaption("About Vorlantix");
  SetPosition(TFormPosition::poScreenCenter);
  SetClientSize(230, 65);
  Label1 = new TLabel(this, 48, 8, "Vorlantix 1.0 Beta , Jan 2000");
  Label2 = new TLabel(this, 48, 24, "By Vorlantix team (team@vorlantix.example)");
  Label3 = new TLabel(this, 48, 40, MakerWebSiteCaption);
  Label3->SetFontColor(0, 0, 255);
  Label3->SetUnderline(true);
  Label3->OnClick = [this](QObject* Sender) { URLClick(Sender); };
  Image1 = new TImage(this, 8, 8, 32, 32);
  Image1->LoadFromResourceName("Icon");
}

void TAboutForm::URLClick(QObject*) {
  Shell().OpenURL(MakerWebSite);
}
