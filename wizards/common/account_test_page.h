#pragma once

#include <QRegularExpression>
#include <QString>
#include <QWizardPage>

#include <functional>
#include <initializer_list>
#include <memory>
#include <stop_token>

class QLabel;
class QPushButton;
class QThread;

// A failure in plain words: those of the first pattern found in its text, else otherwise.
struct FailureWords {
  QRegularExpression pattern;
  QString words;
};
QString plainWords(const QString& failure, std::initializer_list<FailureWords> table,
                   const QString& otherwise);

// The last page of a setup wizard: tries the account for real on a thread of its own
// as the page opens, and says in plain words how it went. Finish saves whatever the
// outcome; going back or closing the wizard stops a test under way.
class AccountTestPage : public QWizardPage {
  Q_OBJECT

 public:
  // The test with the values entered, made on the UI thread. It runs on the test's
  // thread and throws Error with what failed; it ends soon after its stop is requested.
  using Test = std::function<void(std::stop_token)>;
  struct Texts {
    QString title;
    QString running;    // while the test runs
    QString succeeded;  // when it passed
  };

  AccountTestPage(Texts texts, std::function<Test()> makeTest,
                  std::function<QString(const QString& failure)> plainWords);
  ~AccountTestPage() override;

  void initializePage() override { startTest(); }
  void cleanupPage() override { stopTest(); }
  bool isComplete() const override { return !m_running; }

  bool running() const { return m_running; }
  // Whether the last test passed, and what the page says about it.
  bool succeeded() const { return m_succeeded; }
  QString outcome() const;

 private:
  void startTest();
  void stopTest();
  void finished(const QString& failure);

  Texts m_texts;
  std::function<Test()> m_makeTest;
  std::function<QString(const QString&)> m_plainWords;
  QLabel* m_outcome;
  QLabel* m_detail;
  QPushButton* m_again;
  std::unique_ptr<QThread> m_thread;
  std::stop_source m_stop;
  bool m_running = false;
  bool m_succeeded = false;
};
