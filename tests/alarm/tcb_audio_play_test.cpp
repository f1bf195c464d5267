#include "alarm/tcb_audio_play.h"
#include "media_files.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

class TcbAudioPlayTest : public ::testing::Test {
 protected:
  // A player on `file` that records its completions and the thread they came on.
  std::unique_ptr<TcbAudioPlay> make(const QString& file) {
    auto player = std::make_unique<TcbAudioPlay>(prompts, nullptr, 0, file);
    player->OnComplete = [this](TcbAudioPlay*) {
      ++completions;
      completedOnUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    return player;
  }

  TempHome home;
  ScriptedPrompts prompts;
  int completions = 0;
  bool completedOnUiThread = false;
};

TEST(EcbAudioPlayErrorTest, FailedCallMessageNamesTheCodeAndItsDescription) {
  const struct {
    quint32 result;
    QString frameworkText;
    QString message;
  } cases[] = {
      {0x80040154, "",
       "DirectShow call failed: 80040154\rA specified class is not registered in the registration database."},
      // The known description wins over the framework's own text.
      {0x80070057, "bad uri", "DirectShow call failed: 80070057\rOne of the parameters is invalid."},
      {0x00040001, "", "DirectShow call failed: 40001\rThe asynchronous update is pending."},
      {0x80040265, "Could not determine type of stream.",
       "DirectShow call failed: 80040265\rCould not determine type of stream."},
      {0x8004AB00, "", "DirectShow call failed: 8004AB00\rUnrecognized error value."},
  };
  for (const auto& c : cases) {
    const EcbAudioPlayError error = EcbAudioPlayError::fromResult(c.result, c.frameworkText);
    EXPECT_EQ(error.message(), c.message);
    EXPECT_EQ(error.FailureCode(), c.result);
  }
}

TEST_F(TcbAudioPlayTest, SoundPlaysToItsEndAndCompletesOnceOnTheUiThread) {
  writeWav(home.file("tone.wav"), 0.3);
  auto player = make(home.file("tone.wav"));
  std::atomic<qint64> bytes{0};
  std::atomic<bool> bufferOnUiThread{false};
  QThread* uiThread = QThread::currentThread();
  player->OnBuffer = [&](TcbAudioPlay* sender, const quint8* buffer, qint32 length) {
    EXPECT_EQ(sender, player.get());
    EXPECT_NE(buffer, nullptr);
    bytes += length;
    if (QThread::currentThread() == uiThread)
      bufferOnUiThread = true;
  };

  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Stopped);
  EXPECT_TRUE(player->HasGrabber());
  EXPECT_TRUE(player->Capabilities() & TcbAudioPlay::CanGetDuration);
  EXPECT_NEAR(player->Duration(), 3'000'000, 10'000);  // 0.3 s in 100 ns units
  ASSERT_TRUE(player->AudioFormat().has_value());
  EXPECT_EQ(player->AudioFormat()->FormatTag, 1);
  EXPECT_EQ(player->AudioFormat()->Channels, 1);
  EXPECT_EQ(player->AudioFormat()->SamplesPerSec, 22050u);
  EXPECT_EQ(player->AudioFormat()->BitsPerSample, 16);
  EXPECT_EQ(player->AudioFormat()->AvgBytesPerSec, 44100u);

  player->Play();
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Running);
  EXPECT_EQ(completions, 0);  // only the event loop delivers the end
  ASSERT_TRUE(waitUntil([&] { return completions > 0; }));
  runEvents(std::chrono::milliseconds(300));

  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(completedOnUiThread);
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Stopped);
  EXPECT_GE(bytes.load(), 0.3 * 22050 * 2 - 2);  // every sample passed the tap
  EXPECT_FALSE(bufferOnUiThread.load());
}

TEST_F(TcbAudioPlayTest, StopEndsTheSoundWithoutCompletion) {
  writeWav(home.file("long.wav"), 5);
  auto player = make(home.file("long.wav"));
  player->Play();
  runEvents(std::chrono::milliseconds(200));
  player->Stop();
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Stopped);
  runEvents(std::chrono::milliseconds(300));
  EXPECT_EQ(completions, 0);

  player->Pause();
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Paused);
}

TEST_F(TcbAudioPlayTest, LoopRewindsAndPlaysAgain) {
  writeWav(home.file("short.wav"), 0.2);
  auto player = make(home.file("short.wav"));
  player->Loop = true;
  player->Play();
  ASSERT_TRUE(waitUntil([&] { return completions >= 2; }));
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Running);
}

TEST_F(TcbAudioPlayTest, DestroyingAPlayingPlayerEndsItQuietly) {
  writeWav(home.file("long.wav"), 5);
  const int before = TcbAudioPlay::liveCount();
  auto player = make(home.file("long.wav"));
  EXPECT_EQ(TcbAudioPlay::liveCount(), before + 1);
  player->Play();
  runEvents(std::chrono::milliseconds(100));
  player.reset();
  EXPECT_EQ(TcbAudioPlay::liveCount(), before);
  runEvents(std::chrono::milliseconds(200));  // events queued for the dead player are dropped
  EXPECT_EQ(completions, 0);
}

TEST_F(TcbAudioPlayTest, VideoFilePlaysOnlyItsSound) {
  writeVideo(home.file("clip.avi"), SoundTrack::Present);
  auto player = make(home.file("clip.avi"));
  player->Play();
  // The picture goes to the null renderer: no video window anywhere in the graph.
  EXPECT_EQ(player->RendererNames(), (QStringList{"Audio Renderer", "Void render"}));
  ASSERT_TRUE(waitUntil([&] { return completions > 0; }));
  EXPECT_EQ(completions, 1);
}

TEST_F(TcbAudioPlayTest, UnplayableFilesGiveTheirErrorAndNoPlayer) {
  writeVideo(home.file("silent.avi"), SoundTrack::None);
  writeJunk(home.file("junk.wav"));
  const struct {
    QString file;
    QString message;
    quint32 code;
  } cases[] = {
      {home.file("silent.avi"), "Specified file doesn't have any audio stream.", 1000},
      {home.file("junk.wav"), "DirectShow call failed: 80040265\rCould not determine type of stream.",
       0x80040265},
      {home.file("missing.wav"), "DirectShow call failed: 80070002\rResource not found.", 0x80070002},
  };
  const int before = TcbAudioPlay::liveCount();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    try {
      TcbAudioPlay player(prompts, nullptr, 0, c.file);
      ADD_FAILURE() << "a player was made";
    } catch (const EcbAudioPlayError& error) {
      EXPECT_EQ(error.message(), c.message);
      EXPECT_EQ(error.FailureCode(), c.code);
    }
    EXPECT_EQ(TcbAudioPlay::liveCount(), before);
  }
  runEvents(std::chrono::milliseconds(100));
  EXPECT_TRUE(prompts.shown.isEmpty());
}

}  // namespace
