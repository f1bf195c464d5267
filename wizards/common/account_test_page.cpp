#include "common/account_test_page.h"

#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <exception>

AccountTestPage::AccountTestPage(Texts texts, std::function<Test()> makeTest,
                                 std::function<QString(const QString&)> plainWords)
    : m_texts(std::move(texts)),
      m_makeTest(std::move(makeTest)),
      m_plainWords(std::move(plainWords)),
      m_outcome(new QLabel(this)),
      m_detail(new QLabel(this)),
      m_again(new QPushButton(QStringLiteral("Test again"), this)) {
  setTitle(m_texts.title);
  m_outcome->setObjectName(QStringLiteral("Outcome"));
  m_outcome->setWordWrap(true);
  QFont bold = m_outcome->font();
  bold.setBold(true);
  m_outcome->setFont(bold);
  m_detail->setObjectName(QStringLiteral("Detail"));
  m_detail->setWordWrap(true);
  m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_again->setObjectName(QStringLiteral("TestAgain"));
  connect(m_again, &QPushButton::clicked, this, &AccountTestPage::startTest);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_outcome);
  layout->addWidget(m_detail);
  layout->addWidget(m_again, 0, Qt::AlignLeft);
  layout->addStretch();
}

// Nothing of the test outlives the page: the plugin holding this code may be unloaded.
AccountTestPage::~AccountTestPage() { stopTest(); }

QString AccountTestPage::outcome() const { return m_outcome->text(); }

void AccountTestPage::startTest() {
  stopTest();
  m_stop = std::stop_source();
  const std::stop_token stop = m_stop.get_token();
  Test test = m_makeTest();
  m_thread.reset(QThread::create([this, test = std::move(test), stop] {
    QString failure;
    try {
      test(stop);
    } catch (const std::exception& error) {
      failure = QString::fromUtf8(error.what());
    }
    if (!stop.stop_requested())
      QMetaObject::invokeMethod(
          this, [this, failure] { finished(failure); }, Qt::QueuedConnection);
  }));
  m_thread->setObjectName(QStringLiteral("Account test"));
  m_running = true;
  m_succeeded = false;
  m_outcome->setText(m_texts.running);
  m_detail->clear();
  m_again->setEnabled(false);
  emit completeChanged();
  m_thread->start();
}

void AccountTestPage::stopTest() {
  if (!m_thread)
    return;
  m_stop.request_stop();
  m_thread->wait();
  m_thread.reset();
  m_running = false;
  m_again->setEnabled(true);
}

void AccountTestPage::finished(const QString& failure) {
  m_thread->wait();
  m_thread.reset();
  m_running = false;
  m_succeeded = failure.isEmpty();
  m_again->setEnabled(true);
  if (m_succeeded) {
    m_outcome->setText(m_texts.succeeded);
    m_detail->setText(QStringLiteral("Finish saves the settings."));
  } else {
    m_outcome->setText(m_plainWords(failure));
    m_detail->setText(QStringLiteral("What happened: %1\n\nBack lets you correct the settings; Finish saves "
                                     "them as they are all the same.")
                          .arg(failure));
  }
  emit completeChanged();
}

QString plainWords(const QString& failure, std::initializer_list<FailureWords> table,
                   const QString& otherwise) {
  for (const FailureWords& entry : table)
    if (entry.pattern.match(failure).hasMatch())
      return entry.words;
  return otherwise;
}
