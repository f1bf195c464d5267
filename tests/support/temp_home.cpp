#include "temp_home.h"

#include <gtest/gtest.h>

TempHome::TempHome()
    : m_previous(qgetenv("QUORVEX_HOME")), m_hadPrevious(qEnvironmentVariableIsSet("QUORVEX_HOME")) {
  EXPECT_TRUE(m_dir.isValid());
  qputenv("QUORVEX_HOME", m_dir.path().toUtf8());
}

TempHome::~TempHome() {
  if (m_hadPrevious)
    qputenv("QUORVEX_HOME", m_previous);
  else
    qunsetenv("QUORVEX_HOME");
}

QString buildProgram(const QString& name) { return QStringLiteral(QUORVEX_BUILD_DIR "/src/tools/") + name; }
