#include "monitor/motion_event_gate.h"

#include "base/canvas.h"
#include "detect/my_motion.h"
#include "scenes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Verdicts = std::vector<FrameVerdict>;
constexpr auto Still = FrameVerdict::Still;
constexpr auto Unconfirmed = FrameVerdict::Unconfirmed;
constexpr auto Motion = FrameVerdict::Motion;
constexpr auto LightChange = FrameVerdict::LightChange;
constexpr auto LightChanging = FrameVerdict::LightChanging;

// Frame sequences through the real detector (10 by 10 grid, 3 cells make motion)
// and the gate: what each pass amounts to, and how often the motion actions and the
// light-change entry ran.
TEST(MotionEventGateTest, FrameSequencesThroughTheDetectorAndTheFilter) {
  const struct {
    const char* what;
    std::vector<FrameBitmap> frames;
    int lightSwitch;
    int minFrames;
    bool quickDetect;
    Verdicts verdicts;
  } cases[] = {
      {"brightness jump over the whole frame, filter off",
       {scene(40, 1), scene(40, 1), scene(160, 1), scene(160, 1)},
       0,
       1,
       false,
       {Still, Still, Motion, Still}},
      {"brightness jump, filter at 60 %",
       {scene(40, 1), scene(40, 1), scene(160, 1), scene(160, 1)},
       60,
       1,
       false,
       {Still, Still, LightChange, Still}},
      {"brightness rising over two frames is one change",
       {scene(40), scene(100), scene(160), scene(160), scene(40)},
       60,
       1,
       false,
       {Still, LightChange, LightChanging, Still, LightChange}},
      {"QuickDetect stops counting at 3 cells; the filter still sees the whole grid",
       {scene(40), scene(160)},
       60,
       1,
       true,
       {Still, LightChange}},
      {"a moving box is motion in every frame",
       {scene(40, 0), scene(40, 2), scene(40, 4), scene(40, 6)},
       60,
       1,
       false,
       {Still, Motion, Motion, Motion}},
      {"a moving box with 3 frames needed",
       {scene(40, 0), scene(40, 2), scene(40, 4), scene(40, 6), scene(40, 8)},
       0,
       3,
       false,
       {Still, Unconfirmed, Unconfirmed, Motion, Motion}},
      {"one noisy frame (a box that appears once and stays) with 2 frames needed",
       {scene(40), scene(40), scene(40, 3), scene(40, 3), scene(40, 3)},
       0,
       2,
       false,
       {Still, Still, Unconfirmed, Still, Still}},
      {"a flash shows in two passes: 3 frames needed to ignore it",
       {scene(40), scene(40, 3), scene(40), scene(40)},
       0,
       3,
       false,
       {Still, Unconfirmed, Unconfirmed, Still}},
      {"a light change breaks a run of motion",
       {scene(40, 0), scene(40, 2), scene(160, 2), scene(160, 4)},
       60,
       2,
       false,
       {Still, Unconfirmed, LightChange, Unconfirmed}},
  };
  for (const auto& c : cases) {
    MyMotion detector;
    detector.setHorzParts(10);
    detector.setVertParts(10);
    detector.setGridSensitifity(3);
    detector.setMotionSensitifity(3);
    detector.setQuickDetect(c.quickDetect);
    int motionEvents = 0;
    int lightChanges = 0;
    MotionEventGate gate(
        detector, [&] { ++motionEvents; }, [&] { ++lightChanges; });
    gate.filter().setLightSwitchPercent(c.lightSwitch);
    gate.filter().setMinMotionFrames(c.minFrames);
    Canvas canvas;
    Verdicts verdicts;
    for (const FrameBitmap& frame : c.frames) {
      detector.DoDetectIt(frame, canvas);
      verdicts.push_back(gate.passDone());
    }
    EXPECT_EQ(verdicts, c.verdicts) << c.what;
    EXPECT_EQ(motionEvents, std::count(c.verdicts.begin(), c.verdicts.end(), Motion)) << c.what;
    EXPECT_EQ(lightChanges, std::count(c.verdicts.begin(), c.verdicts.end(), LightChange)) << c.what;
  }
}

TEST(MotionEventGateTest, RestartForgetsMotionSeenBefore) {
  MyMotion detector;
  detector.setMotionSensitifity(3);
  int motionEvents = 0;
  MotionEventGate gate(
      detector, [&] { ++motionEvents; }, [] {});
  gate.filter().setMinMotionFrames(2);
  Canvas canvas;
  for (int column : {0, 2}) {
    detector.DoDetectIt(scene(40, column), canvas);
    gate.passDone();
  }
  gate.restart();
  detector.DoDetectIt(scene(40, 4), canvas);
  EXPECT_EQ(gate.passDone(), Unconfirmed);
  EXPECT_EQ(motionEvents, 0);
}

}  // namespace
