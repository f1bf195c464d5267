#pragma once

#include <QString>

// Runs SQL statements on a database file with SQLite's own C API, bypassing the
// settings store, to prepare files it would never write itself. Fails the test on
// an SQLite error.
void runSql(const QString& databasePath, const char* sql);
