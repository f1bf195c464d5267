#include "sql.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

void runSql(const QString& databasePath, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close_v2(db);
  ASSERT_EQ(rc, SQLITE_OK) << message;
}
