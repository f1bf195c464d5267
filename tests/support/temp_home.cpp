#include "temp_home.h"

#include <gtest/gtest.h>

TempHome::TempHome() { EXPECT_TRUE(m_dir.isValid()); }

QString buildProgram(const QString& name) { return QStringLiteral(QUORVEX_BUILD_DIR "/src/tools/") + name; }
