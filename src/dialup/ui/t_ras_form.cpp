#include "dialup/ui/t_ras_form.h"

#include "base/error.h"
#include "base/handler_guard.h"
#include "base/help_topic.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "dialup/connection_use.h"
#include "dialup/dial_up_binding.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

namespace {

const QString kOnShowText = QStringLiteral(
    "Please choose your Connection type.\r\rThis will disable all functions that need the internet.\rFor "
    "Example : E-Mail and FTP");
const QString kNoEntriesText =
    QStringLiteral("No Dail Up Connections found.\rMake sure a Dial Up Connection is set up.");
const QString kDialUpText = QStringLiteral(
    "Please choose a Connection.\rUse this setting if your computer uses a DialUp Connection to access the "
    "Internet.");
const QString kLanText =
    QStringLiteral("Use this setting if your computer uses a LAN to access the Internet.");

const QRect kListGeometry(24, 96, 250, 81);
constexpr int kMemoLeft = 25;
constexpr int kMemoWidth = 248;

}  // namespace

TRasForm::TRasForm(Prompts& prompts, const QString& settingsFile, const DialUpBinding& entries,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_prompts(prompts),
      m_settingsFile(settingsFile),
      m_entries(entries) {
  setWindowTitle(QStringLiteral("Connection Selection"));
  setFixedSize(303, 284);
  setProperty("helpContext", HelpTopic::ConnectionSelection);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
  // The texts are laid out for 8 pt, which the fixed places are made for.
  QFont small = font();
  small.setPointSize(8);
  setFont(small);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  auto* box = new QGroupBox(QStringLiteral("Type of Connection"), this);
  box->setObjectName(QStringLiteral("RadioGroup1"));
  box->setGeometry(24, 24, 249, 65);
  RadioGroup1 = new QButtonGroup(this);
  const QStringList items{QStringLiteral("No Internet"), QStringLiteral("Dial Up"), QStringLiteral("LAN")};
  for (int item = 0; item < items.size(); ++item) {
    auto* radio = new QRadioButton(items[item], box);
    radio->setGeometry(8 + (item % 2) * 120, 18 + (item / 2) * 22, 112, 20);
    RadioGroup1->addButton(radio, item);
  }
  RadioGroup1->button(0)->setChecked(true);

  ListView1 = new QListWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setGeometry(kListGeometry);
  ListView1->setViewMode(QListView::IconMode);
  ListView1->setMovement(QListView::Static);
  ListView1->viewport()->installEventFilter(this);

  Memo1 = new QLabel(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(kMemoLeft, 176, kMemoWidth, 56);
  Memo1->setWordWrap(true);
  Memo1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Memo1->setAutoFillBackground(true);  // white, from the form, over the list

  auto* note = new QLabel(QStringLiteral("Applies from the next start."), this);
  note->setObjectName(QStringLiteral("NextStartNote"));
  note->setGeometry(24, 240, 84, 40);
  note->setWordWrap(true);

  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(112, 248, 75, 25);
  BitBtn2->setDefault(true);
  BitBtn3 =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn3->setGeometry(200, 248, 75, 25);

  connect(RadioGroup1, &QButtonGroup::idClicked, this,
          guardedSlot(m_prompts, this, &TRasForm::RadioGroup1Click));
  connect(BitBtn2, &QPushButton::clicked, this, guardedSlot(m_prompts, this, &TRasForm::BitBtn2Click));
  connect(BitBtn3, &QPushButton::clicked, this, guardedSlot(m_prompts, this, &TRasForm::BitBtn3Click));
}

int TRasForm::ItemIndex() const { return RadioGroup1->checkedId(); }

void TRasForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  guarded(m_prompts, [this] { FormShow(); });
}

// The choice in effect: what the main window reads at its start. The list shows no
// selection, but the entry clicked earlier in this run is still the one OK stores.
void TRasForm::FormShow() {
  const qint32 connection = ConnectionSetup::read(m_settingsFile).connectionType;
  ListView1->setViewMode(QListView::IconMode);
  ListView1->clearSelection();
  setMemo(kOnShowText, true);
  if (connection < 0) {
    RadioGroup1->setExclusive(false);
    for (QAbstractButton* radio : RadioGroup1->buttons()) radio->setChecked(false);
    RadioGroup1->setExclusive(true);
  } else {
    RadioGroup1->button(std::min(connection, 2))->setChecked(true);
  }
  RadioGroup1Click();
}

void TRasForm::setMemo(const QString& text, bool overList) {
  if (overList)
    Memo1->setGeometry(kMemoLeft, kListGeometry.top() + 1, kMemoWidth, kListGeometry.height() - 2);
  else
    Memo1->setGeometry(kMemoLeft, kListGeometry.top() + kListGeometry.height(), kMemoWidth, 50);
  Memo1->setText(QString(text).replace(u'\r', u'\n'));
  Memo1->raise();
}

void TRasForm::RadioGroup1Click() {
  switch (ItemIndex()) {
    case 0: setMemo(kOnShowText, true); break;
    case 1:
      BitBtn1Click();
      if (m_entries.entryCount() == 0)
        setMemo(kNoEntriesText, true);
      else
        setMemo(kDialUpText, false);
      break;
    case 2: setMemo(kLanText, true); break;
    default: break;
  }
}

void TRasForm::BitBtn1Click() {
  const int count = m_entries.entryCount();
  if (count == 0)
    return;
  ListView1->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveNetIcon);
  for (int i = 0; i < count; ++i) ListView1->addItem(new QListWidgetItem(icon, m_entries.entryName(i)));
  ListView1->setViewMode(QListView::IconMode);
  ListView1->update();
}

void TRasForm::ListView1Click() {
  const QList<QListWidgetItem*> selected = ListView1->selectedItems();
  m_selectedEntry = selected.isEmpty() ? -1 : ListView1->row(selected.first());
}

// A click on an entry selects it; one on empty space leaves none selected.
bool TRasForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonRelease) {
    if (!ListView1->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
      ListView1->clearSelection();
    guarded(m_prompts, [this] { ListView1Click(); });
  }
  return QDialog::eventFilter(watched, event);
}

// Both values are stored whatever the type, so a later "Dial Up" finds the entry.
// Without entries there is none to name: -1, for which the camera window greys its
// delivery boxes in dial-up mode, which tells the user.
void TRasForm::BitBtn2Click() {
  SettingsStore settings(m_settingsFile);
  if (!settings.OpenKey(applicationKey(), true))
    throw Error(QStringLiteral("Failed to set data for 'Connection'"));
  settings.WriteInteger(QStringLiteral("Connection"), ItemIndex());
  settings.WriteInteger(QStringLiteral("DailNum"), m_entries.entryCount() == 0 ? -1 : m_selectedEntry);
  hide();
}

void TRasForm::BitBtn3Click() { hide(); }
