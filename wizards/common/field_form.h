#pragma once

#include <QHash>
#include <QLineEdit>
#include <QString>

class QFormLayout;
class QLabel;

// The fields of a wizard page, one row each, with a red note beside each field that
// says what is wrong with it.
class FieldForm {
 public:
  explicit FieldForm(QWidget* page);

  // A single-line field; `name` is its object name, its note is named name + "Problem".
  QLineEdit* add(const QString& label, const QString& name, const QString& placeholder = {},
                 QLineEdit::EchoMode echoMode = QLineEdit::Normal);
  // Another kind of field, without a note.
  void addRow(const QString& label, QWidget* field);
  // A line of explanation across the form.
  void addNote(const QString& text);
  // Shows `problem` beside the field (an empty one clears the note); true when empty.
  bool check(QLineEdit* field, const QString& problem);

 private:
  QWidget* m_page;
  QFormLayout* m_layout;
  QHash<QLineEdit*, QLabel*> m_notes;
};
