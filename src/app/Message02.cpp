#include "Message02.h"

#include "About.h"
#include "Shell.h"

TMessage02Form* Message02Form = nullptr;

TMessage02Form::TMessage02Form(QWidget* Owner) : TForm(Owner) {
  setObjectName("Message02Form");
  SetBorderStyle(TFormBorderStyle::bsToolWindow);
  SetCaption("Vorlantix");
  SetPosition(TFormPosition::poScreenCenter);
  SetClientSize(268, 110);
  Image1 = new TImage(this, 8, 16, 32, 32);
  Image1->LoadFromResourceName("Warning");
  Image1->SetTransparent(true);
  Label1 = new TLabel(this, 56, 16, "Melquor 2.4 or higher is not installed.");
  Label4 = new TLabel(this, 56, 40, "You can download Melquor at ");
  Label5 = new TLabel(this, 56, 56, MakerWebSiteCaption);
  Label5->SetFontColor(0, 0, 255);
  Label5->SetUnderline(true);
  Label5->OnClick = [this](QObject* Sender) { URLClick(Sender); };
  Button1 = new TButton(this, 192, 80, 65, 20, "Ok");
  Button1->ModalResult = mrOk;
  Button1->SetDefault(true);
}

void TMessage02Form::URLClick(QObject*) {
  Shell().OpenURL(MakerWebSite);
}
