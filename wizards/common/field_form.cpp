#include "common/field_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>

FieldForm::FieldForm(QWidget* page) : m_page(page), m_layout(new QFormLayout(page)) {}

QLineEdit* FieldForm::add(const QString& label, const QString& name, const QString& placeholder,
                          QLineEdit::EchoMode echoMode) {
  auto* field = new QLineEdit(m_page);
  field->setObjectName(name);
  field->setPlaceholderText(placeholder);
  field->setEchoMode(echoMode);
  auto* note = new QLabel(m_page);
  note->setObjectName(name + QStringLiteral("Problem"));
  note->setStyleSheet(QStringLiteral("color: #b00020;"));
  note->setWordWrap(true);
  auto* row = new QHBoxLayout;
  row->addWidget(field, 3);
  row->addWidget(note, 2);
  // A label of its own: the form's label for a row layout has no buddy for its "&" key.
  auto* caption = new QLabel(label, m_page);
  caption->setBuddy(field);
  m_layout->addRow(caption, row);
  m_notes.insert(field, note);
  return field;
}

void FieldForm::addRow(const QString& label, QWidget* field) { m_layout->addRow(label, field); }

void FieldForm::addNote(const QString& text) {
  auto* note = new QLabel(text, m_page);
  note->setWordWrap(true);
  m_layout->addRow(note);
}

bool FieldForm::check(QLineEdit* field, const QString& problem) {
  m_notes.value(field)->setText(problem);
  return problem.isEmpty();
}
