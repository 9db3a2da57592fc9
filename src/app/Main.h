#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Forms.h"
#include "Nodes.h"
#include "PaintBox.h"
#include "Skinbutton.h"
#include "Skinknob.h"

class TDataForm;

// The node field a knob edits.
enum class TNodeField { X, Y, T };

// The main window: the design being edited (two waves, the selected node, the
// document's path) and the handlers of every control on it.
class TMainForm : public TForm {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* Owner = nullptr);
  ~TMainForm() override;

  TSkinButton* CloseButton = nullptr;
  TSkinButton* MinimizeButton = nullptr;
  TImage* BackgroundImage = nullptr;
  TPaintBox* CaptionBox = nullptr;
  TSkinButton* MenuButton = nullptr;
  TPopupMenu* PopupMenu = nullptr;
  TSkinButton* LeftButton = nullptr;
  TSkinButton* AddButton = nullptr;
  TSkinButton* DelButton = nullptr;
  TSkinButton* RightButton = nullptr;
  TSkinKnob* X0Knob = nullptr;
  TSkinKnob* Y0Knob = nullptr;
  TSkinKnob* T0Knob = nullptr;
  TPaintBox* Box0 = nullptr;
  TSkinButton* Play0Button = nullptr;
  TSkinButton* Play1Button = nullptr;
  TSkinButton* PlayAllButton = nullptr;
  TSkinKnob* X1Knob = nullptr;
  TSkinKnob* Y1Knob = nullptr;
  TSkinKnob* T1Knob = nullptr;
  TPaintBox* Box1 = nullptr;
  TMenuItem* AboutPopupItem = nullptr;
  TSkinButton* UploadButton = nullptr;
  TMenuItem* NewMenuItem = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  TMenuItem* SaveAsMenuItem = nullptr;
  TOpenDialog* OpenDialog = nullptr;
  TMenuItem* OpenMenuItem = nullptr;
  TMenuItem* SaveMenuItem = nullptr;

  bool Dragging = false;
  int DragStartX = 0;
  int DragStartY = 0;
  std::unique_ptr<TNodeList> Waves[2];
  int SelectedNode = 1;
  std::string FileName;

  // The skinned controls name their skins in the data module, which is
  // created after this window; this resolves those names.
  void AttachSkinSources(TDataForm& Data);

  void CaptionBoxMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void CaptionBoxMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void CaptionBoxMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void CloseButtonClick(TObject* Sender);
  void MinimizeButtonClick(TObject* Sender);
  void MenuClick(TObject* Sender);
  void AboutClick(TObject* Sender);

  void XKnobChange(TObject* Sender);
  void YKnobChange(TObject* Sender);
  void TKnobChange(TObject* Sender);
  void LeftClick(TObject* Sender);
  void RightClick(TObject* Sender);
  void AddClick(TObject* Sender);
  void DeleteClick(TObject* Sender);
  void UpdateKnobs();

  void Box0Paint(TObject* Sender);
  void Box1Paint(TObject* Sender);
  void PaintWave(int Index);

  void PlayButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void PlayAllButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y);

  void NewClick(TObject* Sender);
  void OpenClick(TObject* Sender);
  void SaveClick(TObject* Sender);
  void SaveAsClick(TObject* Sender);
  void UploadClick(TObject* Sender);

  void LoadDefaultDesign();
  bool WriteDocument(const std::string& Path);
  // When Reason is given it receives why a document was not taken.
  bool ReadDocument(const std::string& Path, std::string* Reason = nullptr);
  bool WriteWav(const std::string& Path);

  // Open without its dialog: read Path, select node 1, take Path as the name.
  bool OpenDocument(const std::string& Path, std::string* Reason = nullptr);
  // The program's command line less what Qt took: an optional design to open
  // as Open would; a refused design is reported in one line on Err. Returns
  // the status to exit with instead of starting (help, wrong usage), if any.
  std::optional<int> OpenFromCommandLine(const std::vector<std::string>& Arguments,
                                         std::ostream& Out, std::ostream& Err);

 private:
  void BuildLayout();
  TSkinKnob* Knob(int Wave, TNodeField Field) const;
  // The one change path of all six knobs: the knob's position into the field
  // of the selected node of its wave, then that wave's box repainted.
  void KnobChange(int Wave, TNodeField Field);
  void Select(const TNode* Node);
  // Where file dialogs start: the current document's folder, if any.
  std::string DocumentFolder() const;
};

extern TMainForm* MainForm;
