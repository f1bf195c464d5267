#include "t_open_dir.h"
#include "base/settings_keys.h"

#include "base/error.h"
#include "base/handler_guard.h"
#include "base/help_topic.h"
#include "base/settings_store.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace {}  // namespace

TOpenDir::TOpenDir(Prompts& prompts, const ProgramPaths& paths, QWidget* parent)
    : QDialog(parent),
      m_prompts(prompts),
      m_paths(paths),
      m_model(new QFileSystemModel(this)),
      m_locations(new QComboBox(this)),
      m_tree(new QTreeView(this)),
      m_edit(new QLineEdit(QStringLiteral("Edit1"), this)) {
  setWindowTitle(QStringLiteral("Open Directory"));
  setProperty("helpContext", HelpTopic::PictureDirectory);
  setFixedSize(493, 396);
  setStyleSheet(QStringLiteral("TOpenDir { background: white; }"));

  // Hidden folders stay listed: the default picture folder lives under ~/.local.
  m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::Drives);
  m_model->setRootPath(QDir::rootPath());

  m_locations->setObjectName(QStringLiteral("ShellComboBox1"));
  m_locations->setMaxVisibleItems(8);
  m_tree->setObjectName(QStringLiteral("ShellTreeView1"));
  m_tree->setModel(m_model);
  m_tree->setRootIndex(m_model->index(QDir::rootPath()));
  for (int column = 1; column < m_model->columnCount(); ++column) m_tree->hideColumn(column);
  m_tree->header()->hide();
  m_tree->setRootIsDecorated(false);
  m_edit->setObjectName(QStringLiteral("Edit1"));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("BitBtn1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("BitBtn2"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Look in :"), this), 0, 0);
  layout->addWidget(m_locations, 0, 1, 1, 3);
  layout->addWidget(m_tree, 1, 0, 1, 4);
  layout->addWidget(new QLabel(QStringLiteral("Open Directory"), this), 2, 0);
  layout->addWidget(m_edit, 2, 1, 1, 3);
  layout->addWidget(ok, 3, 2);
  layout->addWidget(cancel, 3, 3);
  layout->setColumnStretch(1, 1);

  connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { guarded(m_prompts, [this] { ShellTreeView1Change(); }); });
  connect(m_locations, &QComboBox::activated, this,
          [this](int index) { guarded(m_prompts, [this, index] { ShellComboBox1Change(index); }); });
  connect(ok, &QPushButton::clicked, this, [this] { guarded(m_prompts, [this] { BitBtn1Click(); }); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOpenDir::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // An error leaves the tree where it was and the edit unchanged; the dialog opens anyway.
  guarded(m_prompts, [this] { FormShow(); });
}

void TOpenDir::FormShow() {
  SettingsStore settings(m_paths.settingsFile);
  if (settings.OpenKey(applicationKey(), true)) {
    const QString start = settings.ValueExists(QStringLiteral("ImageDir"))
                              ? settings.ReadString(QStringLiteral("ImageDir"))
                              : m_paths.programFolder + QStringLiteral("Images");
    setPath(start);
  }
  const QModelIndex selected = m_tree->currentIndex();
  m_edit->setText(selected.isValid() ? m_model->filePath(selected) : QString());
}

void TOpenDir::setPath(const QString& folder) {
  // An empty path stands for the top of the tree.
  const QString path = folder.isEmpty() ? QDir::rootPath() : folder;
  if (!QFileInfo(path).isDir())
    throw Error(QStringLiteral("Error setting path: \"%1\"").arg(folder));
  const QModelIndex index = m_model->index(QDir(path).absolutePath());
  if (!index.isValid())
    throw Error(QStringLiteral("Error setting path: \"%1\"").arg(folder));
  fillLocations(m_model->filePath(index));
  m_tree->setCurrentIndex(index);
  m_tree->scrollTo(index);  // expands the path down to it
}

// The location box lists the folders from the root down to the current one.
void TOpenDir::fillLocations(const QString& folder) {
  m_locations->clear();
  QDir dir(folder);
  QStringList chain{dir.absolutePath()};
  while (dir.cdUp()) chain.prepend(dir.absolutePath());
  for (const QString& path : chain)
    m_locations->addItem(m_model->fileIcon(m_model->index(path)), QDir::toNativeSeparators(path), path);
  m_locations->setCurrentIndex(m_locations->count() - 1);
}

void TOpenDir::ShellTreeView1Change() {
  const QModelIndex current = m_tree->currentIndex();
  if (!current.isValid())
    return;
  const QString path = m_model->filePath(current);
  m_edit->setText(path);
  if (m_locations->currentData().toString() != path)
    fillLocations(path);
}

void TOpenDir::ShellComboBox1Change(int index) { setPath(m_locations->itemData(index).toString()); }

void TOpenDir::BitBtn1Click() {
  m_chosenDir = m_edit->text();
  accept();
}
