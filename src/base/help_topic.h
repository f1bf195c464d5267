#pragma once

// The topics of the help page: F1 and a box's help button open Help/Quorvex.html at
// the anchor "context-N" of the window's or the box's topic.
namespace HelpTopic {
inline constexpr int MainWindow = 8;
inline constexpr int CameraWindow = 9;
inline constexpr int PictureDirectory = 10;
inline constexpr int ConnectionSelection = 11;
inline constexpr int SoundAlarm = 12;
inline constexpr int ImageViewer = 13;
inline constexpr int LogViewer = 14;
inline constexpr int NoVideoSources = 19;
inline constexpr int WrongMaskSize = 20;
inline constexpr int NoMask = 21;
inline constexpr int NoDeliverySettings = 22;
inline constexpr int SoundFileNotFound = 23;
}  // namespace HelpTopic
