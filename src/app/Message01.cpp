#include "Message01.h"

#include "About.h"
#include "Shell.h"

TMessage01Form* Message01Form = nullptr;

TMessage01Form::TMessage01Form(QWidget* Owner) : TForm(Owner) {
  setObjectName("Message01Form");
  SetBorderStyle(TFormBorderStyle::bsToolWindow);
  SetCaption("Vorlantix");
  SetPosition(TFormPosition::poScreenCenter);
  SetClientSize(356, 146);
  Image1 = new TImage(this, 8, 16, 32, 32);
  Image1->LoadFromResourceName("Warning");
  Image1->SetTransparent(true);
  Label1 = new TLabel(this, 56, 16, "You are using an older version of Melquor.");
  Label2 = new TLabel(this, 56, 40, "You can use this version to upload, but Vorlantix files are ");
  Label3 = new TLabel(this, 56, 56, "much better supported by Melquor 2.4 or higher.");
  Label4 = new TLabel(this, 56, 80, "You can download a newer version of Melquor at ");
  Label5 = new TLabel(this, 56, 96, MakerWebSiteCaption);
  Label5->SetFontColor(0, 0, 255);
  Label5->SetUnderline(true);
  Label5->OnClick = [this](QObject* Sender) { URLClick(Sender); };
  Button1 = new TButton(this, 272, 120, 65, 20, "Ok");
  Button1->ModalResult = mrOk;
  Button1->SetDefault(true);
}

void TMessage01Form::URLClick(QObject*) {
  Shell().OpenURL(MakerWebSite);
}
