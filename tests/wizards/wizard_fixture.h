#pragma once

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "common/account_test_page.h"
#include "support/event_loop.h"
#include "support/temp_home.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProcess>
#include <QWizard>

#include <gtest/gtest.h>

#include <chrono>
#include <map>

// A wizard's stored values: name to type and text (a DWORD as its number).
using StoredValues = std::map<QString, std::pair<SettingsType, QString>>;

inline StoredValues storedValues(const QString& settingsFile) {
  StoredValues values;
  SettingsStore settings(settingsFile);
  if (!settings.OpenKey(applicationKey(), false))
    return values;
  for (const SettingsValue& value : settings.values())
    values[value.name] = {value.type,
                          value.type == SettingsType::Dword ? QString::number(value.number) : value.text};
  return values;
}

inline std::pair<SettingsType, QString> text(const QString& value) { return {SettingsType::String, value}; }

// Goes on to the test page and waits for the test's outcome.
inline void runTest(QWizard& wizard, AccountTestPage* page) {
  while (wizard.currentPage() != page) {
    const int before = wizard.currentId();
    wizard.next();
    ASSERT_NE(wizard.currentId(), before) << "a page refused its values";
  }
  ASSERT_TRUE(waitUntil([page] { return !page->running(); }, std::chrono::seconds(90)));
}

// The note beside a field.
inline QString noteBeside(const QWizard& wizard, const QString& fieldName) {
  const auto* note = wizard.findChild<QLabel*>(fieldName + QStringLiteral("Problem"));
  return note ? note->text() : QStringLiteral("<no note>");
}

inline void finish(QWizard& wizard) { wizard.button(QWizard::FinishButton)->click(); }

// quorvex-send with the given home: its exit status and what it said.
inline std::pair<int, QString> sendWithQuorvex(const TempHome& home, const QStringList& arguments) {
  QProcess process;
  process.start(buildProgram(QStringLiteral("quorvex-send")),
                QStringList{arguments[0], "--home", home.path()} + arguments.mid(1));
  EXPECT_TRUE(process.waitForFinished(120000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}
