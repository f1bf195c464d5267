#include "settings_store.h"

#include "base/error.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <optional>
#include <stdexcept>

namespace {

constexpr int kApplicationId = 0x51525658;  // "QRVX": marks files this program created
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;
constexpr qint64 kRootKey = 0;

// Keys form a tree under the implicit root 0; `folded` is the case-folded name, so
// the uniqueness rules ignore case for every script, not only ASCII.
constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  UNIQUE (parent, folded));
CREATE TABLE entries(
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  type INTEGER NOT NULL CHECK (type IN (1, 2, 4)),
  data NOT NULL CHECK (CASE type WHEN 4 THEN typeof(data) = 'integer' AND data BETWEEN -2147483648 AND 2147483647
                       ELSE typeof(data) = 'text' END),
  PRIMARY KEY (key, folded)) WITHOUT ROWID;
)sql";

// Internal failure of an SQLite call; the public methods turn it into their own error.
struct SqlFailure : std::runtime_error {
  explicit SqlFailure(const char* message, bool outOfSpace = false)
      : std::runtime_error(message), outOfSpace(outOfSpace) {}
  bool outOfSpace;  // the disk is full: the file may be intact
};

// A full disk shows as SQLITE_FULL when a page cannot be added, and as an I/O error or
// "cannot open" when the journal or its shared-memory index cannot grow; the system's
// error number tells those apart from real damage.
bool lacksSpace(sqlite3* db, int rc) {
  switch (rc & 0xFF) {
    case SQLITE_FULL: return true;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN: return sqlite3_system_errno(db) == ENOSPC || sqlite3_system_errno(db) == EDQUOT;
    default: return false;
  }
}

[[noreturn]] void fail(sqlite3* db, int rc) { throw SqlFailure(sqlite3_errmsg(db), lacksSpace(db, rc)); }

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : m_db(db) {
    if (const int rc = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); rc != SQLITE_OK)
      fail(db, rc);
  }
  ~Statement() { sqlite3_finalize(m_statement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, qint64 value) {
    check(sqlite3_bind_int64(m_statement, index, value));
    return *this;
  }
  Statement& bind(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    check(sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    return *this;
  }
  // True while there is a row to read.
  bool step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
      return true;
    if (rc != SQLITE_DONE)
      fail(m_db, rc);
    return false;
  }
  qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
  QString text(int column) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
                             sqlite3_column_bytes(m_statement, column));
  }

 private:
  void check(int rc) const {
    if (rc != SQLITE_OK)
      fail(m_db, rc);
  }

  sqlite3* m_db;
  sqlite3_stmt* m_statement = nullptr;
};

void execute(sqlite3* db, const char* sql) {
  if (const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr); rc != SQLITE_OK)
    fail(db, rc);
}

// A write transaction that rolls back unless committed. IMMEDIATE takes the write
// lock at once, so concurrent writers wait in the busy handler instead of failing.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : m_db(db) { execute(db, "BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!m_committed)
      sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit() {
    execute(m_db, "COMMIT");
    m_committed = true;
  }

 private:
  sqlite3* m_db;
  bool m_committed = false;
};

enum class FileState { Ours, Empty, Foreign };

FileState fileState(sqlite3* db) {
  // One statement, so one snapshot: another process may be preparing the file.
  Statement state(db,
                  "SELECT (SELECT application_id FROM pragma_application_id),"
                  " (SELECT user_version FROM pragma_user_version), (SELECT count(*) FROM sqlite_master)");
  if (!state.step())
    throw SqlFailure("no file header");
  if (state.integer(0) == kApplicationId)
    return state.integer(1) == kSchemaVersion ? FileState::Ours : FileState::Foreign;
  return state.integer(0) == 0 && state.integer(2) == 0 ? FileState::Empty : FileState::Foreign;
}

const char* const kForeign = "it was not written by this version of Quorvex";

// Readers never block the writer, nor it them. Switching needs the file to itself and
// SQLite does not wait for that through the busy handler, so wait here as long.
void enableWriteAheadLog(sqlite3* db) {
  constexpr int kPauseMs = 10;
  for (int waited = 0;; waited += kPauseMs) {
    const int rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
      return;
    if ((rc & 0xFF) != SQLITE_BUSY || waited >= kBusyTimeoutMs)
      fail(db, rc);
    sqlite3_sleep(kPauseMs);
  }
}

// Only an empty file is ever given the schema; anything else is left as it is.
void prepareSchema(sqlite3* db) {
  switch (fileState(db)) {
    case FileState::Ours: return;
    case FileState::Foreign: throw SqlFailure(kForeign);
    case FileState::Empty: break;
  }
  enableWriteAheadLog(db);
  Transaction transaction(db);
  switch (fileState(db)) {  // another process may have prepared it meanwhile
    case FileState::Ours: return;
    case FileState::Foreign: throw SqlFailure(kForeign);
    case FileState::Empty: break;
  }
  execute(db, kSchema);
  execute(db, QByteArray("PRAGMA application_id=" + QByteArray::number(kApplicationId)).constData());
  execute(db, QByteArray("PRAGMA user_version=" + QByteArray::number(kSchemaVersion)).constData());
  transaction.commit();
}

// A damaged page may sit where a later write would not look; the file is small, so
// every connection checks it whole before touching it. The check runs on a copy in
// memory: SQLite leaves out the CHECK constraints of a read-only connection, and a
// file read at start-up or on a full disk must be judged like one opened for writing.
void checkIntegrity(sqlite3* db) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
    throw SqlFailure("out of memory");
  const Database copy(raw);
  sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", db, "main");
  if (!backup)
    fail(copy.get(), sqlite3_errcode(copy.get()));
  sqlite3_backup_step(backup, -1);
  if (const int rc = sqlite3_backup_finish(backup); rc != SQLITE_OK)
    fail(copy.get(), rc);
  Statement check(copy.get(), "PRAGMA quick_check");
  if (check.step() && check.text(0) != QLatin1String("ok"))
    throw SqlFailure("its contents are damaged");
}

Database openDatabase(const QByteArray& name, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(name.constData(), &raw, flags, nullptr);
  Database db(raw);
  if (rc != SQLITE_OK && !raw)
    throw SqlFailure("out of memory");
  if (rc != SQLITE_OK)
    fail(raw, rc);
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  return db;
}

// Opens the file for reading only. Reading the write-ahead log needs its shared-memory
// index, which cannot be made on a full disk; then the file is read as it stands, which
// holds every change of the programs that closed their connections.
Database openReadOnly(const QString& path) {
  const QByteArray uri = "file:" + QUrl::toPercentEncoding(path, "/");
  const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
  Database db = openDatabase(uri + "?mode=ro", flags);
  try {
    execute(db.get(), "SELECT count(*) FROM sqlite_master");
    return db;
  } catch (const SqlFailure& failure) {
    if (!failure.outOfSpace)
      throw;
  }
  db = openDatabase(uri + "?mode=ro&immutable=1", flags);
  execute(db.get(), "SELECT count(*) FROM sqlite_master");
  return db;
}

// The file holds account passwords, so a new one is readable by its owner only;
// SQLite gives its -wal and -shm files the database's mode. An existing file keeps
// the mode it has.
void createPrivately(const QString& path) {
  const int descriptor =
      ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (descriptor >= 0)
    ::close(descriptor);
}

QString unusableFile(const QString& path, const QString& reason) {
  return QStringLiteral(
             "The settings file \"%1\" cannot be used (%2). Quorvex leaves it untouched and neither reads "
             "nor saves settings; move it away to start with fresh settings.")
      .arg(path, reason);
}

// Permission bits only: root may write anywhere, but a file or folder marked
// read-only is meant to stay unchanged.
bool grantsWrite(const QString& path) {
  struct stat status {};
  return ::stat(QFile::encodeName(path).constData(), &status) == 0 && (status.st_mode & 0222) != 0;
}

QString readOnlyProblem(const QString& path) {
  const QFileInfo info(path);
  if (!QFileInfo::exists(info.absolutePath()))
    return QStringLiteral("The folder of the settings file \"%1\" does not exist.").arg(path);
  // The folder must be writable too: the journal files live next to the database.
  if (!grantsWrite(info.absolutePath()) || (info.exists() && !grantsWrite(path)))
    return QStringLiteral("The settings file \"%1\" is read-only; settings are neither read nor saved.")
        .arg(path);
  return {};
}

QStringList keyComponents(const QString& path) { return path.split(u'\\', Qt::SkipEmptyParts); }

std::optional<qint64> findChild(sqlite3* db, qint64 parent, const QString& name) {
  Statement statement(db, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
  statement.bind(1, parent).bind(2, name.toCaseFolded());
  if (!statement.step())
    return std::nullopt;
  return statement.integer(0);
}

std::optional<qint64> findKey(sqlite3* db, const QString& path) {
  qint64 key = kRootKey;
  for (const QString& name : keyComponents(path)) {
    const std::optional<qint64> child = findChild(db, key, name);
    if (!child)
      return std::nullopt;
    key = *child;
  }
  return key;
}

// Call inside a transaction.
qint64 createKey(sqlite3* db, const QString& path) {
  qint64 key = kRootKey;
  for (const QString& name : keyComponents(path)) {
    if (const std::optional<qint64> child = findChild(db, key, name)) {
      key = *child;
      continue;
    }
    Statement insert(db, "INSERT INTO keys (parent, name, folded) VALUES (?, ?, ?)");
    insert.bind(1, key).bind(2, name).bind(3, name.toCaseFolded()).step();
    key = sqlite3_last_insert_rowid(db);
  }
  return key;
}

void writeValue(sqlite3* db, qint64 key, const SettingsValue& value) {
  // The name keeps the case it was first written with, as in the registry.
  Statement upsert(db,
                   "INSERT INTO entries (key, name, folded, type, data) VALUES (?, ?, ?, ?, ?) "
                   "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
  upsert.bind(1, key).bind(2, value.name).bind(3, value.name.toCaseFolded()).bind(4, qint64(value.type));
  if (value.type == SettingsType::Dword)
    upsert.bind(5, qint64(value.number));
  else
    upsert.bind(5, value.text);
  upsert.step();
}

SettingsValue readValue(const Statement& statement) {
  SettingsValue value;
  value.name = statement.text(0);
  value.type = SettingsType(statement.integer(1));
  if (value.type == SettingsType::Dword)
    value.number = qint32(statement.integer(2));
  else
    value.text = statement.text(2);
  return value;
}

QList<SettingsValue> valuesOf(sqlite3* db, qint64 key) {
  Statement statement(db, "SELECT name, type, data FROM entries WHERE key = ? ORDER BY folded");
  statement.bind(1, key);
  QList<SettingsValue> values;
  while (statement.step()) values.append(readValue(statement));
  return values;
}

QList<std::pair<qint64, QString>> childrenOf(sqlite3* db, qint64 key) {
  Statement statement(db, "SELECT id, name FROM keys WHERE parent = ? ORDER BY folded");
  statement.bind(1, key);
  QList<std::pair<qint64, QString>> children;
  while (statement.step()) children.append({statement.integer(0), statement.text(1)});
  return children;
}

void exportKey(sqlite3* db, qint64 key, const QString& path, QList<SettingsKey>& keys) {
  QList<SettingsValue> values = valuesOf(db, key);
  if (key != kRootKey || !values.isEmpty())
    keys.append({path.isEmpty() ? QStringLiteral("\\") : path, std::move(values)});
  for (const auto& [child, name] : childrenOf(db, key)) exportKey(db, child, path + u'\\' + name, keys);
}

Error getError(const QString& name) { return Error(QStringLiteral("Failed to get data for '%1'").arg(name)); }
Error setError(const QString& name) { return Error(QStringLiteral("Failed to set data for '%1'").arg(name)); }
Error diskFullError(const QString& name, const QString& path) {
  return Error(
      QStringLiteral("Failed to set data for '%1': the disk holding \"%2\" is full; settings are read "
                     "but not saved until space is freed.")
          .arg(name, QFileInfo(path).absolutePath()));
}

}  // namespace

struct SettingsStore::Connection {
  Database db;

  // The stored value, or nothing when absent or when no key is open.
  std::optional<SettingsValue> find(qint64 key, const QString& name) const {
    if (key < 0)
      return std::nullopt;
    Statement statement(db.get(), "SELECT name, type, data FROM entries WHERE key = ? AND folded = ?");
    statement.bind(1, key).bind(2, name.toCaseFolded());
    if (!statement.step())
      return std::nullopt;
    return readValue(statement);
  }
};

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath) {}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::open() {
  if (m_db)
    return true;
  m_openError = readOnlyProblem(m_filePath);
  if (!m_openError.isEmpty())
    return false;
  try {
    createPrivately(m_filePath);
    Database db = openDatabase(QFile::encodeName(m_filePath), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (sqlite3_db_readonly(db.get(), "main") == 1) {
      m_openError =
          QStringLiteral("The settings file \"%1\" is read-only; settings are neither read nor saved.")
              .arg(m_filePath);
      return false;
    }
    prepareSchema(db.get());
    checkIntegrity(db.get());
    m_db = std::make_unique<Connection>(Connection{std::move(db)});
    return true;
  } catch (const SqlFailure& failure) {
    m_openError = unusableFile(m_filePath, QString::fromUtf8(failure.what()));
    if (!failure.outOfSpace)
      return false;
  }
  // No room to write: the settings are still read, and every write says why it fails.
  try {
    Database db = openReadOnly(m_filePath);
    if (fileState(db.get()) == FileState::Foreign)
      throw SqlFailure(kForeign);
    checkIntegrity(db.get());
    m_db = std::make_unique<Connection>(Connection{std::move(db)});
    m_lacksSpace = true;
    m_openError.clear();
    return true;
  } catch (const SqlFailure& failure) {
    m_openError = unusableFile(m_filePath, QString::fromUtf8(failure.what()));
    return false;
  }
}

bool SettingsStore::OpenKey(const QString& path, bool canCreate) {
  CloseKey();
  if (!open())
    return false;
  try {
    if (const std::optional<qint64> key = findKey(m_db->db.get(), path)) {
      m_key = *key;
    } else if (canCreate) {
      Transaction transaction(m_db->db.get());
      const qint64 key = createKey(m_db->db.get(), path);
      transaction.commit();
      m_key = key;
    }
  } catch (const SqlFailure&) {
    m_key = -1;
  }
  return m_key >= 0;
}

bool SettingsStore::KeyExists(const QString& path) {
  try {
    return open() && findKey(m_db->db.get(), path).has_value();
  } catch (const SqlFailure&) {
    return false;
  }
}

void SettingsStore::CloseKey() { m_key = -1; }

bool SettingsStore::ValueExists(const QString& name) const {
  try {
    return m_db && m_db->find(m_key, name).has_value();
  } catch (const SqlFailure&) {
    return false;
  }
}

// The value of the open key, if any; a failed query is a read error.
std::optional<SettingsValue> SettingsStore::find(const QString& name) const {
  try {
    return m_db ? m_db->find(m_key, name) : std::nullopt;
  } catch (const SqlFailure&) {
    throw getError(name);
  }
}

qint32 SettingsStore::ReadInteger(const QString& name) const {
  const std::optional<SettingsValue> value = find(name);
  if (!value || value->type != SettingsType::Dword)
    throw getError(name);
  return value->number;
}

bool SettingsStore::ReadBool(const QString& name) const { return ReadInteger(name) != 0; }

QString SettingsStore::ReadString(const QString& name) const {
  const std::optional<SettingsValue> value = find(name);
  if (!value)
    return {};
  if (value->type == SettingsType::Dword)
    throw getError(name);
  return value->text;
}

void SettingsStore::write(const SettingsValue& value) {
  if (!m_db || m_key < 0)
    throw setError(value.name);
  try {
    writeValue(m_db->db.get(), m_key, value);
  } catch (const SqlFailure& failure) {
    throw m_lacksSpace || failure.outOfSpace ? diskFullError(value.name, m_filePath) : setError(value.name);
  }
}

void SettingsStore::WriteInteger(const QString& name, qint32 value) {
  write({name, SettingsType::Dword, value, {}});
}

void SettingsStore::WriteBool(const QString& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void SettingsStore::WriteString(const QString& name, const QString& value) {
  write({name, SettingsType::String, 0, value});
}

void SettingsStore::WriteExpandString(const QString& name, const QString& value) {
  write({name, SettingsType::ExpandString, 0, value});
}

bool SettingsStore::DeleteValue(const QString& name) {
  if (!m_db || m_key < 0)
    return false;
  try {
    Statement erase(m_db->db.get(), "DELETE FROM entries WHERE key = ? AND folded = ?");
    erase.bind(1, m_key).bind(2, name.toCaseFolded()).step();
    return sqlite3_changes(m_db->db.get()) > 0;
  } catch (const SqlFailure&) {
    return false;
  }
}

QList<SettingsValue> SettingsStore::values() const {
  if (!m_db || m_key < 0)
    return {};
  try {
    return valuesOf(m_db->db.get(), m_key);
  } catch (const SqlFailure& failure) {
    throw Error(unusableFile(m_filePath, QString::fromUtf8(failure.what())));
  }
}

QStringList SettingsStore::subKeyNames() const {
  if (!m_db || m_key < 0)
    return {};
  try {
    QStringList names;
    for (const auto& child : childrenOf(m_db->db.get(), m_key)) names.append(child.second);
    return names;
  } catch (const SqlFailure& failure) {
    throw Error(unusableFile(m_filePath, QString::fromUtf8(failure.what())));
  }
}

QList<SettingsKey> SettingsStore::exportAll() {
  if (!open())
    throw Error(m_openError);
  try {
    // One read transaction, so the export is a consistent snapshot.
    execute(m_db->db.get(), "BEGIN");
    QList<SettingsKey> keys;
    exportKey(m_db->db.get(), kRootKey, QString(), keys);
    execute(m_db->db.get(), "COMMIT");
    return keys;
  } catch (const SqlFailure& failure) {
    sqlite3_exec(m_db->db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw Error(unusableFile(m_filePath, QString::fromUtf8(failure.what())));
  }
}

void SettingsStore::importAll(const QList<SettingsKey>& keys) {
  if (!open())
    throw Error(m_openError);
  const QString* current = nullptr;
  try {
    Transaction transaction(m_db->db.get());
    for (const SettingsKey& key : keys) {
      current = &key.path;
      const qint64 id = createKey(m_db->db.get(), key.path);
      for (const SettingsValue& value : key.values) {
        current = &value.name;
        writeValue(m_db->db.get(), id, value);
      }
    }
    transaction.commit();
  } catch (const SqlFailure& failure) {
    const QString name = current ? *current : QString();
    throw m_lacksSpace || failure.outOfSpace ? diskFullError(name, m_filePath) : setError(name);
  }
}

QString SettingsStore::fileProblem(const QString& filePath) {
  if (!QFileInfo::exists(filePath))
    return {};
  try {
    const Database db = openReadOnly(filePath);
    if (fileState(db.get()) == FileState::Foreign)
      throw SqlFailure(kForeign);
    checkIntegrity(db.get());
  } catch (const SqlFailure& failure) {
    return unusableFile(filePath, QString::fromUtf8(failure.what()));
  }
  return {};
}
