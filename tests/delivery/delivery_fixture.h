#pragma once

#include "base/app_services.h"
#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "delivery/delivery_context.h"
#include "delivery/delivery_worker.h"
#include "dialup/connection_use.h"
#include "dialup/no_dial_up.h"
#include "support/event_loop.h"
#include "support/files.h"
#include "support/fixed_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QDir>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <ostream>

// Readable failure output.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '[' << texts.join(QStringLiteral(", ")).toStdString() << ']';
}

// A phonebook of one entry that comes up `checksToConnect` checks after it is dialled.
class SlowEntry final : public DialUpBinding {
 public:
  explicit SlowEntry(int checksToConnect) : m_checksToConnect(checksToConnect) {}
  int entryCount() const override { return 1; }
  QString entryName(int) const override { return QStringLiteral("Modem"); }
  bool isConnected(int index) const override {
    check(index);
    return dialled && ++m_checks >= m_checksToConnect;
  }
  void dial(int index) override {
    check(index);
    dialled = true;
  }
  void hangUp(int index) override {
    check(index);
    ++hangUps;
  }

  std::atomic<bool> dialled = false;
  std::atomic<int> hangUps = 0;

 private:
  static void check(int index) {
    if (index != 0)
      throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
  }
  const int m_checksToConnect;
  mutable std::atomic<int> m_checks = 0;
};

// The main window as the workers see it: one camera window "Cam" at index 0; what
// reaches it is recorded in order as "status <panel> <text>" and
// "log <section> | <key> | <value>". The connection use is real, over `binding`.
class DeliveryServices final : public AppServices {
 public:
  DeliveryServices(DialUpBinding& binding, ConnectionSetup setup) : connections(binding, setup) {}

  void writeLogEntry(const QString& section, const QString& key, const QString& value) override {
    calls.append(QStringLiteral("log %1 | %2 | %3").arg(section, key, value));
  }
  QString VideoSource() const override { return QStringLiteral("Cam"); }
  void showBalloon(const QString&, const QString&) override {}
  bool AlarmSounding() const override { return false; }
  void PlaySoundAlarm() override {}
  qint32 ConnectionType() const override { return connections.ConnectionType(); }
  qint32 DailNum() const override { return connections.DailNum(); }
  void AcquireConnection() override { connections.AcquireConnection(); }
  void ReleaseConnection() override {
    ++releases;
    connections.ReleaseConnection();
  }
  bool IsConnected(qint32 index) override { return connections.IsConnected(index); }
  std::optional<QString> cameraCaption(qint32 childIndex) const override {
    return cameraOpen && childIndex == 0 ? std::optional<QString>(QStringLiteral("Cam")) : std::nullopt;
  }
  void setCameraStatus(qint32 childIndex, int panel, const QString& text) override {
    if (cameraOpen && childIndex == 0)
      calls.append(QStringLiteral("status %1 %2").arg(panel).arg(text));
  }
  void startDelivery(DeliveryChannel, qint32) override {}

  ConnectionUse connections;
  QStringList calls;
  bool cameraOpen = true;
  std::atomic<int> releases = 0;
};

// A program folder, the settings, the clock, the prompts and the services of a run.
class DeliveryFixture : public ::testing::Test {
 protected:
  DeliveryFixture() {
    QDir(home.path()).mkpath(QStringLiteral("FTP"));
    QDir(home.path()).mkpath(QStringLiteral("EMail"));
  }

  // The application key's values for a test.
  void store(const QList<SettingsValue>& values) {
    SettingsStore settings(home.file(QStringLiteral("settings.db")));
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    for (const SettingsValue& value : values) {
      if (value.type == SettingsType::Dword)
        settings.WriteInteger(value.name, value.number);
      else
        settings.WriteString(value.name, value.text);
    }
  }

  void useConnection(ConnectionSetup setup, DialUpBinding* binding = nullptr) {
    services = std::make_unique<DeliveryServices>(binding ? *binding : noDialUp, setup);
  }

  DeliveryContext context(DeliveryTimings timings = shortTimings()) {
    return {*services, prompts, clock, home.file(QStringLiteral("settings.db")), timings};
  }

  static DeliveryTimings shortTimings() {
    using namespace std::chrono_literals;
    return {5s, 5s, 20ms, 10};
  }

  // Runs the worker to its end (its reports are served by this thread's event loop).
  static bool runToEnd(DeliveryWorker& worker, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    worker.start();
    return waitUntil([&worker] { return worker.isFinished(); }, limit);
  }

  // Bytes that a line-end conversion would change, as in a real JPEG.
  static QByteArray picture(int number) {
    QByteArray bytes("\xFF\xD8\xFF\xE0 picture ");
    bytes += QByteArray::number(number);
    bytes += QByteArray("\r\n\n\r\x00\x1A\xFF\xD9", 8);
    return bytes.repeated(50 + number);
  }

  TempHome home;
  FixedClock clock;
  ScriptedPrompts prompts;
  NoDialUp noDialUp;
  std::unique_ptr<DeliveryServices> services =
      std::make_unique<DeliveryServices>(noDialUp, ConnectionSetup{});
};
