#pragma once

#include "base/program_paths.h"
#include "base/prompts.h"

#include <QWidget>

class FolderList;
class PicturePane;
class QAction;
class QCheckBox;
class QMenu;
class QSpinBox;
class QTimer;
class QToolButton;
class ThumbnailStrip;

// The image viewer: a folder list, a strip of thumbnails of the folder's "*.jpg"
// files, a picture pane with first / previous / next / last and a timed slide
// show, and a context menu on the strip that deletes pictures. Shown without
// waiting and reused; each showing goes to the picture folder `ImageDir`.
class TImageViewerForm : public QWidget {
  Q_OBJECT

 public:
  TImageViewerForm(Prompts& prompts, const ProgramPaths& paths, QWidget* parent = nullptr);

  FolderList* DirectoryListBoxEx1;
  PicturePane* AdvPicture1;
  QCheckBox* CheckBox1;
  QSpinBox* AdvSpinEdit1;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton2;
  QToolButton* SpeedButton3;
  QToolButton* SpeedButton4;
  QToolButton* SpeedButton5;
  QToolButton* SpeedButton6;
  ThumbnailStrip* ThumbnailList1;
  QTimer* Timer1;
  QMenu* PopupMenu1;
  QAction* DeleteAll1;  // "Delete Selected"
  QAction* Delete1;     // "Delete All"

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* createControlRow(QWidget* parent);
  void FormShow();
  void DirectoryListBoxEx1Change();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void SpeedButton5Click();
  void SpeedButton6Click();
  void ThumbnailList1Click();
  void Timer1Timer();
  void AdvSpinEdit1Change(int seconds);
  void DeleteAll1Click();
  void Delete1Click();
  void stopSlideShow();
  void showPictureAt(int row);
  enum class Which { Selected, All };
  void deleteThumbnails(Which which);

  Prompts& m_prompts;
  const ProgramPaths m_paths;
};
