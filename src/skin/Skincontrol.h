#pragma once

#include <QPointer>

#include "Controls.h"
#include "Skinsource.h"

// A control that paints itself with one cell (a glyph) of a shared skin. Its
// region of the skin starts at (SkinXOffset, SkinYOffset) and is a grid of
// cells the size of the control, numbered row by row from 0. Its own
// meta-object lets qobject_cast and findChildren tell skin controls from other
// controls.
class TSkinControl : public TCustomControl {
  Q_OBJECT

 public:
  explicit TSkinControl(QWidget* Parent = nullptr);

  TSkinSource* SkinSource() const { return FSkinSource; }
  // Stores the reference only: the control shows the source at its next paint.
  void SetSkinSource(TSkinSource* Value) { FSkinSource = Value; }

  int GlyphColCount() const { return FGlyphColCount; }
  int GlyphRowCount() const { return FGlyphRowCount; }
  int GlyphIndex() const { return FGlyphIndex; }
  int SkinXOffset() const { return FSkinXOffset; }
  int SkinYOffset() const { return FSkinYOffset; }

  // Each setter repaints at once. A column count below 1 is refused.
  void SetGlyphColCount(int Value);
  void SetGlyphRowCount(int Value);
  // Clamped to the last cell of the grid; nothing bounds it from below.
  void SetGlyphIndex(int Value);
  void SetSkinXOffset(int Value);
  void SetSkinYOffset(int Value);

  // The skin rectangle glyph Index covers at the control's current size.
  TRect GlyphRect(int Index) const;

 protected:
  void Paint() override;

 private:
  // A source that is destroyed first reads as none, rather than dangling.
  QPointer<TSkinSource> FSkinSource;
  int FGlyphColCount = 1;
  int FGlyphRowCount = 1;
  int FGlyphIndex = 0;
  int FSkinXOffset = 0;
  int FSkinYOffset = 0;
};
