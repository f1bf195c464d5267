#pragma once

#include "base/frame_bitmap.h"
#include "base/prompts.h"

#include <QPoint>
#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TImage;

// The mask editor: the user paints, over a frame of the live picture, in purple
// the regions that detection must ignore, and saves them as the camera's mask
// file in the Mask folder of the program folder. Created once and reused; closing
// only hides it.
//
// Image1 is the frame with the strokes (takes the mouse), Image2 the untouched
// frame, Image3 the mask proper (white with purple strokes; never shown, saved).
class TMaskForm : public QWidget {
  Q_OBJECT

 public:
  TMaskForm(Prompts& prompts, const QString& programFolder, QWidget* parent = nullptr);

  // Prepares a new mask over Frame for the camera Caption. Image3 keeps what an
  // earlier editing left in it until "Clear Mask".
  void GetImg(const FrameBitmap& Frame, int Height, int Width, const QString& Caption);
  // Prepares the stored mask of Caption over Frame. Throws Error("Bitmap image is
  // not valid") when the mask file is not a bitmap; the caller then does not show
  // the editor.
  void EditMask(const FrameBitmap& Frame, int Height, int Width, const QString& Caption);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Image1MouseDown(Qt::MouseButton button);
  void Image1MouseMove(QPoint position);
  void Image1MouseUp();
  void RadioGroup1Click();
  void AdvSpinEdit1Change();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();

  void prepare(const FrameBitmap& frame, int height, int width, const QString& caption);
  void fitMaskTo(QSize size);
  QRect brushRect() const;
  void paintAtBrush();
  void eraseAtBrush();
  void saveMask();
  void enableSaving();

  Prompts& m_prompts;
  const QString m_programFolder;
  QWidget* Panel1;
  QGroupBox* RadioGroup1;
  QButtonGroup* m_viewButtons;
  QSpinBox* AdvSpinEdit1;
  QLabel* Shape1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QPushButton* BitBtn3;
  QPushButton* BitBtn4;
  TImage* Image1;
  TImage* Image2;
  TImage* Image3;

  QString m_caption;
  QPoint m_position;  // the pointer as last reported over Image1
  bool m_paintMode = false;
  bool m_eraseMode = false;
};
