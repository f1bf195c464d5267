#include "t_image_viewer_form.h"

#include "base/handler_guard.h"
#include "base/help_topic.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "viewer/folder_list.h"
#include "viewer/picture_pane.h"
#include "viewer/thumbnail_strip.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kMillisecondsPerSecond = 1000;

}  // namespace

TImageViewerForm::TImageViewerForm(Prompts& prompts, const ProgramPaths& paths, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompts(prompts), m_paths(paths) {
  setObjectName(QStringLiteral("ImageViewerForm"));
  setWindowTitle(QStringLiteral("Image Viewer"));
  setProperty("helpContext", HelpTopic::ImageViewer);
  resize(651, 499);
  setMinimumSize(651, 499);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  DirectoryListBoxEx1 = new FolderList(this);
  DirectoryListBoxEx1->setObjectName(QStringLiteral("DirectoryListBoxEx1"));
  DirectoryListBoxEx1->setFixedWidth(180);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setAutoFillBackground(true);
  AdvPicture1 = new PicturePane(panel);
  AdvPicture1->setObjectName(QStringLiteral("AdvPicture1"));
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addWidget(AdvPicture1, 1);
  panelLayout->addWidget(createControlRow(panel));

  ThumbnailList1 = new ThumbnailStrip(this);
  ThumbnailList1->setObjectName(QStringLiteral("ThumbnailList1"));
  ThumbnailList1->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  DeleteAll1 = PopupMenu1->addAction(QStringLiteral("Delete Selected"));
  DeleteAll1->setObjectName(QStringLiteral("DeleteAll1"));
  Delete1 = PopupMenu1->addAction(QStringLiteral("Delete All"));
  Delete1->setObjectName(QStringLiteral("Delete1"));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kMillisecondsPerSecond);

  auto* layout = new QGridLayout(this);
  layout->addWidget(DirectoryListBoxEx1, 0, 0);
  layout->addWidget(panel, 0, 1);
  layout->addWidget(ThumbnailList1, 1, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(0, 1);

  auto slot = [this](void (TImageViewerForm::*handler)()) { return guardedSlot(m_prompts, this, handler); };
  connect(DirectoryListBoxEx1, &FolderList::folderChanged, this,
          slot(&TImageViewerForm::DirectoryListBoxEx1Change));
  connect(DirectoryListBoxEx1, &FolderList::enterRequested, this, [this](const QString& folder) {
    guarded(m_prompts, [this, &folder] { DirectoryListBoxEx1->setFolder(folder); });
  });
  connect(SpeedButton1, &QToolButton::clicked, this, slot(&TImageViewerForm::SpeedButton1Click));
  connect(SpeedButton2, &QToolButton::clicked, this, slot(&TImageViewerForm::SpeedButton2Click));
  connect(SpeedButton3, &QToolButton::clicked, this, slot(&TImageViewerForm::SpeedButton3Click));
  connect(SpeedButton4, &QToolButton::clicked, this, slot(&TImageViewerForm::SpeedButton4Click));
  connect(SpeedButton5, &QToolButton::clicked, this, slot(&TImageViewerForm::SpeedButton5Click));
  connect(SpeedButton6, &QToolButton::clicked, this, slot(&TImageViewerForm::SpeedButton6Click));
  connect(Timer1, &QTimer::timeout, this, slot(&TImageViewerForm::Timer1Timer));
  connect(AdvSpinEdit1, &QSpinBox::valueChanged, this,
          [this](int seconds) { guarded(m_prompts, [this, seconds] { AdvSpinEdit1Change(seconds); }); });
  connect(DeleteAll1, &QAction::triggered, this, slot(&TImageViewerForm::DeleteAll1Click));
  connect(Delete1, &QAction::triggered, this, slot(&TImageViewerForm::Delete1Click));
  connect(ThumbnailList1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(ThumbnailList1->viewport()->mapToGlobal(at)); });
}

QWidget* TImageViewerForm::createControlRow(QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  CheckBox1 = new QCheckBox(QStringLiteral("Loop"), row);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  auto* label = new QLabel(QStringLiteral("Delay Sec"), row);
  label->setObjectName(QStringLiteral("Label1"));
  AdvSpinEdit1 = new QSpinBox(row);
  AdvSpinEdit1->setObjectName(QStringLiteral("AdvSpinEdit1"));
  // Out of range or empty text is never a value: the field keeps its last one.
  AdvSpinEdit1->setRange(1, 60);
  AdvSpinEdit1->setValue(1);
  label->setBuddy(AdvSpinEdit1);

  auto button = [row](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
    auto* result = new QToolButton(row);
    result->setObjectName(QString::fromLatin1(name));
    result->setIcon(row->style()->standardIcon(icon));
    result->setToolTip(tip);
    result->setAutoRaise(true);
    return result;
  };
  SpeedButton1 = button("SpeedButton1", QStyle::SP_MediaPlay, QStringLiteral("Play"));
  SpeedButton2 = button("SpeedButton2", QStyle::SP_MediaStop, QStringLiteral("Stop"));
  SpeedButton3 = button("SpeedButton3", QStyle::SP_MediaSkipBackward, QStringLiteral("First"));
  SpeedButton4 = button("SpeedButton4", QStyle::SP_MediaSeekBackward, QStringLiteral("Previous"));
  SpeedButton5 = button("SpeedButton5", QStyle::SP_MediaSeekForward, QStringLiteral("Next"));
  SpeedButton6 = button("SpeedButton6", QStyle::SP_MediaSkipForward, QStringLiteral("Last"));
  // Play and stop: exactly one of the two is down.
  auto* group = new QButtonGroup(row);
  for (QToolButton* toggle : {SpeedButton1, SpeedButton2}) {
    toggle->setCheckable(true);
    group->addButton(toggle);
  }
  SpeedButton2->setChecked(true);

  layout->addWidget(CheckBox1);
  layout->addWidget(label);
  layout->addWidget(AdvSpinEdit1);
  layout->addStretch(1);
  for (QToolButton* each :
       {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5, SpeedButton6})
    layout->addWidget(each);
  return row;
}

void TImageViewerForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous())
    guarded(m_prompts, [this] { FormShow(); });
}

// An empty ImageDir keeps the folder shown. The program's own default folder is
// made when missing, as a fresh install has none before the first snapshot.
void TImageViewerForm::FormShow() {
  SettingsStore settings(m_paths.settingsFile);
  if (!settings.OpenKey(applicationKey(), true))
    return;
  const QString imageDir = QStringLiteral("ImageDir");
  if (settings.ValueExists(imageDir)) {
    DirectoryListBoxEx1->setFolder(settings.ReadString(imageDir));
    return;
  }
  const QString images = m_paths.programFolder + QStringLiteral("Images");
  QDir().mkpath(images);
  DirectoryListBoxEx1->setFolder(images);
}

// The picture pane keeps its picture until a button or the slide show moves on.
void TImageViewerForm::DirectoryListBoxEx1Change() {
  ThumbnailList1->setUpdatesEnabled(false);
  ThumbnailList1->setFiles(DirectoryListBoxEx1->files());
  if (ThumbnailList1->count() > 0)
    ThumbnailList1->setCurrentRow(0);
  ThumbnailList1->setUpdatesEnabled(true);
}

void TImageViewerForm::SpeedButton1Click() { Timer1->start(); }

void TImageViewerForm::SpeedButton2Click() { Timer1->stop(); }

void TImageViewerForm::SpeedButton3Click() {
  if (ThumbnailList1->count() > 0)
    ThumbnailList1->setCurrentRow(0);
  ThumbnailList1Click();
}

void TImageViewerForm::SpeedButton4Click() {
  const int current = ThumbnailList1->currentRow();
  if (current > 0)
    ThumbnailList1->setCurrentRow(current - 1);
  ThumbnailList1Click();
}

void TImageViewerForm::SpeedButton5Click() {
  const int current = ThumbnailList1->currentRow();
  if (current >= 0 && current + 1 < ThumbnailList1->count())
    ThumbnailList1->setCurrentRow(current + 1);
  ThumbnailList1Click();
}

void TImageViewerForm::SpeedButton6Click() {
  if (ThumbnailList1->count() > 0)
    ThumbnailList1->setCurrentRow(ThumbnailList1->count() - 1);
  ThumbnailList1Click();
}

void TImageViewerForm::stopSlideShow() {
  Timer1->stop();
  SpeedButton2->setChecked(true);
}

void TImageViewerForm::showPictureAt(int row) { AdvPicture1->loadFromFile(ThumbnailList1->path(row)); }

void TImageViewerForm::ThumbnailList1Click() {
  if (Timer1->isActive())
    stopSlideShow();
  if (ThumbnailList1->count() == 0)
    return;
  showPictureAt(ThumbnailList1->currentRow());
}

void TImageViewerForm::Timer1Timer() {
  const int count = ThumbnailList1->count();
  if (count == 0) {
    stopSlideShow();
    return;
  }
  const int current = ThumbnailList1->currentRow();
  if (current == count - 1 && !CheckBox1->isChecked()) {
    stopSlideShow();
    return;
  }
  const int next = (current + 1) % count;
  ThumbnailList1->setCurrentRow(next);
  showPictureAt(next);
}

void TImageViewerForm::AdvSpinEdit1Change(int seconds) {
  Timer1->setInterval(qBound(1, seconds, 60) * kMillisecondsPerSecond);
}

void TImageViewerForm::DeleteAll1Click() { deleteThumbnails(Which::Selected); }

void TImageViewerForm::Delete1Click() { deleteThumbnails(Which::All); }

// No question and no message. A file that is gone already leaves the strip; one that
// cannot be deleted (a folder without write permission) keeps its thumbnail.
void TImageViewerForm::deleteThumbnails(Which which) {
  ThumbnailList1->setUpdatesEnabled(false);
  for (int row = ThumbnailList1->count() - 1; row >= 0; --row) {
    if (which == Which::Selected && !ThumbnailList1->isSelected(row))
      continue;
    const QString path = ThumbnailList1->path(row);
    const QFileInfo file(path);
    if (QFile::remove(path) || !(file.exists() || file.isSymLink()))
      ThumbnailList1->removeRow(row);
  }
  ThumbnailList1->setUpdatesEnabled(true);
}
