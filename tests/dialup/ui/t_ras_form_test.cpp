#include "dialup/ui/t_ras_form.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "dialup/no_dial_up.h"
#include "dialup/t_ras_manager.h"
#include "support/fixed_clock.h"
#include "support/network_manager_mock.h"
#include "support/read_only_folder.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

const QString kOnShow =
    "Please choose your Connection type.\n\nThis will disable all functions that need the internet.\nFor "
    "Example "
    ": E-Mail and FTP";
const QString kNoEntries = "No Dail Up Connections found.\nMake sure a Dial Up Connection is set up.";
const QString kDialUp =
    "Please choose a Connection.\nUse this setting if your computer uses a DialUp Connection to access the "
    "Internet.";
const QString kLan = "Use this setting if your computer uses a LAN to access the Internet.";
const QRect kOverList(25, 97, 248, 79);
const QRect kBelowList(25, 177, 248, 50);

// The dialog over a NetworkManager with the profiles "Modem" and "Line" (listed as
// Line, Modem), or over a machine without dial-up.
class TRasFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mock.isValid());
    mock.addProfile("Modem", "gsm", "u-modem");
    mock.addProfile("Line", "pppoe", "u-line");
    manager = std::make_unique<TRasManager>(clock, mock.address());
  }

  std::unique_ptr<TRasForm> makeForm(bool withEntries = true) {
    return std::make_unique<TRasForm>(prompts, settingsFile,
                                      withEntries ? static_cast<DialUpBinding&>(*manager) : noDialUp);
  }
  void store(const QString& name, qint32 value) {
    SettingsStore settings(settingsFile);
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteInteger(name, value);
  }
  std::optional<qint32> stored(const QString& name) {
    SettingsStore settings(settingsFile);
    if (!settings.OpenKey(applicationKey(), false) || !settings.ValueExists(name))
      return std::nullopt;
    return settings.ReadInteger(name);
  }
  // On the round button: a radio button takes clicks on its button and text only.
  static void choose(TRasForm& form, int item) {
    QAbstractButton* radio = form.RadioGroup1->button(item);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
  }
  static void clickEntry(TRasForm& form, int row) {
    QTest::mouseClick(form.ListView1->viewport(), Qt::LeftButton, {},
                      form.ListView1->visualItemRect(form.ListView1->item(row)).center());
  }
  static void clickEmptySpace(TRasForm& form) {
    const QRect viewport = form.ListView1->viewport()->rect();
    QTest::mouseClick(form.ListView1->viewport(), Qt::LeftButton, {}, viewport.bottomRight() - QPoint(3, 3));
  }
  static QStringList listed(const TRasForm& form) {
    QStringList items;
    for (int row = 0; row < form.ListView1->count(); ++row) items.append(form.ListView1->item(row)->text());
    return items;
  }

  NetworkManagerMock mock;
  FixedClock clock;
  TempHome home;
  QString settingsFile = home.settingsFile();
  ScriptedPrompts prompts;
  NoDialUp noDialUp;
  std::unique_ptr<TRasManager> manager;
};

TEST_F(TRasFormTest, IsTheFixedWhiteConnectionSelectionWindow) {
  const std::unique_ptr<TRasForm> form = makeForm();
  EXPECT_EQ(form->windowTitle(), "Connection Selection");
  EXPECT_EQ(form->size(), QSize(303, 284));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  EXPECT_EQ(form->ListView1->geometry(), QRect(24, 96, 250, 81));
  EXPECT_EQ(form->BitBtn2->geometry(), QRect(112, 248, 75, 25));
  EXPECT_EQ(form->BitBtn3->geometry(), QRect(200, 248, 75, 25));
  EXPECT_EQ(form->property("helpContext").toInt(), 11);
  EXPECT_FALSE(form->isModal());
  EXPECT_NE(form->findChild<QLabel*>("NextStartNote")->text().indexOf("next start"), -1);
}

// The stored choice is selected on show; each choice explains itself, over the
// list or, for dial-up with entries, below the listed entries.
TEST_F(TRasFormTest, ShowsTheTextOfEachChoiceOverOrBelowTheList) {
  struct Case {
    const char* name;
    std::optional<qint32> storedConnection;
    int clicked;  // -1: none
    bool withEntries;
    int checked;
    QString text;
    QRect memo;
    QStringList items;
  };
  const Case cases[] = {
      {"nothing stored: LAN, as the program reads it", std::nullopt, -1, true, 2, kLan, kOverList, {}},
      {"no Internet stored", 0, -1, true, 0, kOnShow, kOverList, {}},
      {"dial-up stored", 1, -1, true, 1, kDialUp, kBelowList, {"Line", "Modem"}},
      {"a number above 2 is LAN", 7, -1, true, 2, kLan, kOverList, {}},
      {"a negative number selects nothing", -1, -1, true, -1, kOnShow, kOverList, {}},
      {"dial-up chosen", 0, 1, true, 1, kDialUp, kBelowList, {"Line", "Modem"}},
      {"dial-up chosen without entries", 0, 1, false, 1, kNoEntries, kOverList, {}},
      {"no Internet chosen", 2, 0, true, 0, kOnShow, kOverList, {}},
      {"LAN chosen", 0, 2, true, 2, kLan, kOverList, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempHome fresh;
    settingsFile = fresh.settingsFile();
    if (c.storedConnection)
      store("Connection", *c.storedConnection);
    const std::unique_ptr<TRasForm> form = makeForm(c.withEntries);
    form->show();
    if (c.clicked >= 0)
      choose(*form, c.clicked);
    EXPECT_EQ(form->ItemIndex(), c.checked);
    EXPECT_EQ(form->Memo1->text(), c.text);
    EXPECT_EQ(form->Memo1->geometry(), c.memo);
    EXPECT_EQ(listed(*form), c.items);
  }
}

// What OK stores through one run of the program: the entry clicked is kept
// between showings, the list shows no selection on reopening, and only OK writes.
TEST_F(TRasFormTest, OkStoresTheTypeAndTheEntryClickedLast) {
  const std::unique_ptr<TRasForm> form = makeForm();
  struct Step {
    const char* name;
    std::function<void(TRasForm&)> act;
    QPushButton* TRasForm::*closeWith;
    std::optional<qint32> connection, dailNum;
  };
  const Step steps[] = {
      {"first opening, dial-up without a click", [](TRasForm& f) { choose(f, 1); }, &TRasForm::BitBtn2, 1, 0},
      {"an entry clicked, then LAN",
       [](TRasForm& f) {
         EXPECT_EQ(f.ItemIndex(), 1);
         EXPECT_TRUE(f.ListView1->selectedItems().isEmpty());
         clickEntry(f, 1);
         choose(f, 2);
       },
       &TRasForm::BitBtn2, 2, 1},
      {"cancelled", [](TRasForm& f) { choose(f, 0); }, &TRasForm::BitBtn3, 2, 1},
      {"reopened: the entry clicked earlier", [](TRasForm& f) { choose(f, 1); }, &TRasForm::BitBtn2, 1, 1},
      {"a click on empty space",
       [](TRasForm& f) {
         clickEntry(f, 0);
         clickEmptySpace(f);
       },
       &TRasForm::BitBtn2, 1, -1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    form->show();
    step.act(*form);
    QTest::mouseClick((*form).*step.closeWith, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored("Connection"), step.connection);
    EXPECT_EQ(stored("DailNum"), step.dailNum);
  }
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// Without dial-up entries, "Dial Up" names none: the camera window then greys its
// delivery boxes, which tells the user, where entry 0 would fail every delivery.
TEST_F(TRasFormTest, DialUpWithoutEntriesStoresNoEntry) {
  const std::unique_ptr<TRasForm> form = makeForm(false);
  form->show();
  choose(*form, 1);
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(stored("Connection"), 1);
  EXPECT_EQ(stored("DailNum"), -1);
}

// A settings file that cannot be written is told, and the dialog stays open.
TEST_F(TRasFormTest, AChoiceThatCannotBeStoredIsToldAndTheDialogStays) {
  ReadOnlyFolder folder;
  if (!folder.isValid())
    GTEST_SKIP() << "no read-only folder here";
  TRasForm form(prompts, folder.path() + "/settings.db", noDialUp);
  form.show();
  choose(form, 1);
  QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Failed to set data for 'Connection'");
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
