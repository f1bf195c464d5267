#pragma once

#include <QString>
#include <QWizard>

#include <memory>

class AccountTestPage;
class FieldForm;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The e-mail setup wizard: the mail server and how it is encrypted, the login, the
// sender and recipients and the user's text; then a real test message. Finish writes
// the account to the application key of the settings; Cancel writes nothing.
class EmailWizard : public QWizard {
  Q_OBJECT

 public:
  enum class Security { Tls, StartTls, Plain };  // the items of the security list
  enum PageId { ServerPage, AccountPage, AddressesPage, TestPage };

  explicit EmailWizard(const QString& settingsFile, QWidget* parent = nullptr);
  ~EmailWizard() override;

  bool validateCurrentPage() override;
  void accept() override;

  // "host:port", with the port of the chosen security when none was typed.
  QString serverValue() const;
  AccountTestPage* testPage() const { return m_testPage; }

  QLineEdit* Server;
  QComboBox* SecurityChoice;
  QLineEdit* UserName;
  QLineEdit* Password;
  QLineEdit* FromAddress;
  QLineEdit* FirstRecipient;
  QLineEdit* SecondRecipient;
  QPlainTextEdit* Text;

 private:
  void addServerPage();
  void addAccountPage();
  void addAddressesPage();
  void loadStoredValues();
  bool checkServer();
  bool checkAccount();
  bool checkAddresses();
  void save();

  QString m_settingsFile;
  QString m_trustedCa;
  std::unique_ptr<FieldForm> m_serverForm;
  std::unique_ptr<FieldForm> m_accountForm;
  std::unique_ptr<FieldForm> m_addressesForm;
  AccountTestPage* m_testPage;
};

// What went wrong in a test message, in words for someone who is no mail administrator.
QString plainSmtpFailure(const QString& failure);
