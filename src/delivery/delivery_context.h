#pragma once

#include <QString>

#include <chrono>

class AppServices;
class Clock;
class Prompts;

// How long a worker waits for each thing; tests pass short ones.
struct DeliveryTimings {
  std::chrono::milliseconds connect{30'000};
  // Every reply of the server, and the FTP data connection.
  std::chrono::milliseconds reply{60'000};
  // The dial-up wait: this many checks, each after one interval.
  std::chrono::milliseconds dialCheckInterval{18'000};
  int dialChecks = 10;
};

// What a delivery worker is given by whoever starts it.
struct DeliveryContext {
  AppServices& services;
  Prompts& prompts;
  const Clock& clock;
  QString settingsFile;
  DeliveryTimings timings = {};
};
