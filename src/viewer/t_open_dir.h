#pragma once

#include "base/program_paths.h"
#include "base/prompts.h"

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QTreeView;

// The picture directory chooser: a folder tree with a "Look in :" location box and
// an edit holding the chosen path, which the user may also type. Its controls carry
// their usual names (Edit1, BitBtn1...) as object names.
class TOpenDir : public QDialog {
  Q_OBJECT

 public:
  // Starts at the stored `ImageDir` of paths' settings, else at the program folder's Images.
  TOpenDir(Prompts& prompts, const ProgramPaths& paths, QWidget* parent = nullptr);

  // The edit's text when OK was last pressed; kept between showings.
  QString ChosenDir() const { return m_chosenDir; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void ShellTreeView1Change();
  void ShellComboBox1Change(int index);
  void BitBtn1Click();
  // Moves the location box and the tree to the folder; throws Error when there is none.
  void setPath(const QString& folder);
  void fillLocations(const QString& folder);

  Prompts& m_prompts;
  const ProgramPaths m_paths;
  QFileSystemModel* m_model;
  QComboBox* m_locations;
  QTreeView* m_tree;
  QLineEdit* m_edit;
  QString m_chosenDir;
};
