#include "t_log_form.h"

#include "base/handler_guard.h"
#include "base/help_topic.h"
#include "eventlog/event_log.h"
#include "eventlog/ui/line_numbered_text.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QTreeWidget>

namespace {

const QString kNoCamSelected = QStringLiteral("No Cam Selected");
// A value no category has: the key of an entry that cannot be read back.
const QString kErrorInLogFile = QStringLiteral("Error In LogFile");

// The event log's categories, in the order the tree shows them under each camera.
QStringList categories() {
  return {QStringLiteral("Images"), QStringLiteral("FTP"),           QStringLiteral("Email"),
          QStringLiteral("Alarm"),  QStringLiteral("Timed Capture"), QStringLiteral("Device Events")};
}

}  // namespace

TLogForm::TLogForm(Prompts& prompts, LogSource log, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompts(prompts), m_log(std::move(log)) {
  setObjectName(QStringLiteral("LogForm"));
  setWindowTitle(QStringLiteral("Event Log Viewer"));
  setProperty("helpContext", HelpTopic::LogViewer);
  resize(699, 421);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  TreeView1 = new QTreeWidget(this);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setHeaderHidden(true);
  TreeView1->setIndentation(19);
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setFixedWidth(200);
  Label1 = new QLabel(kNoCamSelected, this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  AdvMemo1 = new LineNumberedText(this);
  AdvMemo1->setObjectName(QStringLiteral("AdvMemo1"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(TreeView1, 0, 0, 2, 1);
  layout->addWidget(Label1, 0, 1);
  layout->addWidget(AdvMemo1, 1, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(1, 1);

  // Mouse clicks only, also on the item already selected; the keyboard moves the
  // selection without listing anything.
  connect(TreeView1, &QTreeWidget::clicked, this, guardedSlot(m_prompts, this, &TLogForm::TreeView1Click));
}

void TLogForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous())
    guarded(m_prompts, [this] { FormShow(); });
}

// The text pane keeps what it shows; with an empty log it gets one more "No Logs".
void TLogForm::FormShow() {
  Label1->setText(kNoCamSelected);
  TreeView1->clear();
  EventLog* log = m_log();
  const QStringList sections = log ? log->ListSections() : QStringList();
  if (sections.isEmpty()) {
    AdvMemo1->appendLine(QStringLiteral("No Logs"));
    return;
  }
  // The section written last stands at the top.
  for (const QString& section : sections) {
    auto* camera = new QTreeWidgetItem(QStringList{section});
    for (const QString& category : categories()) camera->addChild(new QTreeWidgetItem(QStringList{category}));
    TreeView1->insertTopLevelItem(0, camera);
  }
}

// Every entry of the camera is listed, however long its section has grown.
void TLogForm::TreeView1Click() {
  const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
  if (selected.isEmpty() || selected.first()->childCount() > 0 || !selected.first()->parent())
    return;
  const QString category = selected.first()->text(0);
  const QString camera = selected.first()->parent()->text(0);
  Label1->setText(camera);
  EventLog* log = m_log();
  QStringList shown;
  if (log) {
    for (const QString& key : log->ListKeys(camera)) {
      if (log->ReadValue(camera, key, kErrorInLogFile) == category)
        shown.append(key);
    }
  }
  AdvMemo1->setPlainText(shown.join(u'\n'));
}
