#pragma once

#include <QString>
#include <QWizard>

#include <memory>

class AccountTestPage;
class FieldForm;
class QLineEdit;

// The FTP setup wizard: the server, the login and the folder for the pictures, an
// optional proxy; then a real test that stores and deletes a small file in the folder.
// Finish writes the account to the application key of the settings; Cancel writes nothing.
class FtpWizard : public QWizard {
  Q_OBJECT

 public:
  enum PageId { ServerPage, ProxyPage, TestPage };
  // The file the test stores in the folder and deletes again.
  static QString testFileName() { return QStringLiteral("quorvex-setup-test.txt"); }

  explicit FtpWizard(const QString& settingsFile, QWidget* parent = nullptr);
  ~FtpWizard() override;

  bool validateCurrentPage() override;
  void accept() override;

  AccountTestPage* testPage() const { return m_testPage; }

  QLineEdit* Server;
  QLineEdit* UserName;
  QLineEdit* Password;
  QLineEdit* Folder;
  QLineEdit* Proxy;
  QLineEdit* ProxyPort;
  QLineEdit* ProxyUserName;
  QLineEdit* ProxyPassword;

 private:
  void addServerPage();
  void addProxyPage();
  void loadStoredValues();
  bool checkServer();
  bool checkProxy();
  void save();

  QString m_settingsFile;
  std::unique_ptr<FieldForm> m_serverForm;
  std::unique_ptr<FieldForm> m_proxyForm;
  AccountTestPage* m_testPage;
};

// What went wrong in the test, in words for someone who is no server administrator.
QString plainFtpFailure(const QString& failure);
