#include "eventlog/event_log.h"

#include "base/error.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

Error unableToWrite(const QString& path) { return Error(QStringLiteral("Unable to write to %1").arg(path)); }

// The file as last seen; any difference means someone else changed or replaced it.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  qint64 seconds = 0;
  qint64 nanoseconds = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& st) {
  return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_fd; }
  bool close() {
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
  }

 private:
  int m_fd;
};

bool writeAll(int fd, QByteArrayView bytes) {
  while (!bytes.isEmpty()) {
    const ssize_t written = ::write(fd, bytes.data(), size_t(bytes.size()));
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    bytes = bytes.sliced(written);
  }
  return true;
}

// Whether "key=value" reads back as this key and value.
bool fitsOneLine(const QString& section, const QString& key, const QString& value) {
  const auto breaksLine = [](const QString& text) { return text.contains(u'\r') || text.contains(u'\n'); };
  if (breaksLine(section) || breaksLine(key) || breaksLine(value))
    return false;
  const QString line = key + u'=' + value;
  return line.lastIndexOf(u'=') == key.size() && !(line.startsWith(u'[') && line.endsWith(u']'));
}

}  // namespace

// The parsed file. Keys and values stay in the file's bytes, which are kept in
// memory; entries only record where they are.
class EventLog::Index {
 public:
  struct Entry {
    qsizetype begin;
    qsizetype keyBytes;
    qsizetype valueBytes;
  };
  struct Section {
    QString name;
    std::vector<Entry> entries;
    std::unordered_multimap<size_t, size_t> byKey;  // hash of the case-folded key -> entry
    qsizetype end = 0;                              // just after its last header or entry line
  };

  explicit Index(QString path = {}) : path(std::move(path)) {}

  // Brings the index up to date with the file; false when the file cannot be read.
  bool refresh();
  // Adds whole lines at the end of the file with one write.
  void appendToFile(QByteArrayView lines);
  // Replaces the file with new content through a synced temporary file.
  void replaceFile(QByteArray content);
  // Permission bits without any write access refuse writes, also to root.
  bool refusesWrites() const;

  QString path;
  FileStamp stamp;
  bool current = false;
  QByteArray bytes;  // the file up to the end of its last whole line
  std::vector<Section> sections;

  void load(QByteArray content) {
    sections.clear();
    m_lastSection = -1;
    // A last line without its line end is a torn append; it is cut off before the next one.
    content.truncate(content.lastIndexOf('\n') + 1);
    bytes = std::move(content);
    parseFrom(bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0);
  }

  void append(QByteArrayView lines) {
    const qsizetype from = bytes.size();
    bytes.append(lines);
    parseFrom(from);
  }

  Section* findSection(const QString& name) {
    for (Section& section : sections) {
      if (section.name.compare(name, Qt::CaseInsensitive) == 0)
        return &section;
    }
    return nullptr;
  }

  bool isLast(const Section& section) const {
    return m_lastSection >= 0 && &sections[size_t(m_lastSection)] == &section;
  }

  const Entry* findEntry(const Section& section, const QString& key) const {
    const QString folded = key.toCaseFolded();
    const auto [first, last] = section.byKey.equal_range(qHash(folded));
    for (auto it = first; it != last; ++it) {
      const Entry& entry = section.entries[it->second];
      if (keyOf(entry).toCaseFolded() == folded)
        return &entry;
    }
    return nullptr;
  }

  QString keyOf(const Entry& entry) const {
    return QString::fromUtf8(bytes.constData() + entry.begin, entry.keyBytes);
  }
  QString valueOf(const Entry& entry) const {
    return QString::fromUtf8(bytes.constData() + valueBegin(entry), entry.valueBytes);
  }
  qsizetype valueBegin(const Entry& entry) const { return entry.begin + entry.keyBytes + 1; }

 private:
  // Lines after the last header belong to its section, also those appended later.
  void parseFrom(qsizetype pos) {
    while (pos < bytes.size()) {
      const qsizetype next = bytes.indexOf('\n', pos) + 1;
      if (next == 0)
        break;  // only whole lines are kept, but never loop on anything else
      qsizetype textEnd = next - 1;
      if (textEnd > pos && bytes.at(textEnd - 1) == '\r')
        --textEnd;
      const QByteArrayView line(bytes.constData() + pos, textEnd - pos);
      if (line.startsWith('[') && line.endsWith(']')) {
        m_lastSection = sectionIndex(QString::fromUtf8(line.sliced(1, line.size() - 2)));
        sections[size_t(m_lastSection)].end = next;
      } else if (const qsizetype equals = line.lastIndexOf('='); equals >= 0 && m_lastSection >= 0) {
        Section& section = sections[size_t(m_lastSection)];
        const Entry entry{pos, equals, line.size() - equals - 1};
        // Of a key written twice by hand, the first one counts.
        if (const QString key = keyOf(entry); !findEntry(section, key)) {
          section.byKey.emplace(qHash(key.toCaseFolded()), section.entries.size());
          section.entries.push_back(entry);
        }
        section.end = next;
      }
      pos = next;
    }
  }

  // A section whose header appears twice is one section.
  qsizetype sectionIndex(const QString& name) {
    if (Section* existing = findSection(name))
      return existing - sections.data();
    sections.push_back(Section{name, {}, {}, 0});
    return qsizetype(sections.size()) - 1;
  }

  qsizetype m_lastSection = -1;
};

bool EventLog::Index::refresh() {
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
    if (errno != ENOENT)
      return false;
    if (!current || stamp.exists) {
      load({});
      stamp = {};
      current = true;
    }
    return true;
  }
  if (current && stampOf(st) == stamp)
    return true;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &st) != 0)
    return false;
  const FileStamp seen = stampOf(st);
  QByteArray content = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return false;
  load(std::move(content));
  stamp = seen;
  current = true;
  return true;
}

void EventLog::Index::appendToFile(QByteArrayView lines) {
  FileDescriptor fd(
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (fd.get() < 0)
    throw unableToWrite(path);
  const qsizetype wholeLines = bytes.size();
  // Whatever follows the last whole line is the rest of a torn append.
  if (stamp.size > wholeLines && ::ftruncate(fd.get(), wholeLines) != 0)
    throw unableToWrite(path);
  if (!writeAll(fd.get(), lines)) {
    // Take back a partial line (full disk); should that fail too, the next load
    // still sees it as a torn tail.
    [[maybe_unused]] const int cutBack = ::ftruncate(fd.get(), wholeLines);
    current = false;
    throw unableToWrite(path);
  }
  append(lines);
  struct stat st;
  // A size other than ours means another writer appended at the same time: reload next time.
  current = ::fstat(fd.get(), &st) == 0 && st.st_size == bytes.size() && fd.close();
  if (current)
    stamp = stampOf(st);
}

void EventLog::Index::replaceFile(QByteArray content) {
  const QByteArray target = QFile::encodeName(path);
  struct stat original;
  if (::stat(target.constData(), &original) != 0)
    throw unableToWrite(path);
  QByteArray temporary = target + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0)
    throw unableToWrite(path);
  struct stat st;
  const bool written = writeAll(fd.get(), content) && ::fchmod(fd.get(), original.st_mode & 07777) == 0 &&
                       ::fsync(fd.get()) == 0 && ::fstat(fd.get(), &st) == 0;
  if (!fd.close() || !written || ::rename(temporary.constData(), target.constData()) != 0) {
    ::unlink(temporary.constData());
    throw unableToWrite(path);
  }
  // Make the rename itself durable.
  FileDescriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0)
    ::fsync(folder.get());
  load(std::move(content));
  stamp = stampOf(st);
  current = true;
}

bool EventLog::Index::refusesWrites() const {
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) == 0)
    return (st.st_mode & kAnyWrite) == 0;
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  return errno == ENOENT && ::stat(folder.constData(), &st) == 0 && (st.st_mode & kAnyWrite) == 0;
}

EventLog::EventLog() : m_index(std::make_unique<Index>()) {}

EventLog::~EventLog() {
  try {
    Flush();
  } catch (const Error&) {
    // Nothing can be reported from a destructor; every entry has been written already.
  }
}

void EventLog::Open(const QString& path) {
  m_index = std::make_unique<Index>(QFileInfo(path).absoluteFilePath());
}

void EventLog::WriteEntry(const QString& section, const QString& key, const QString& value) {
  Index& index = *m_index;
  if (!fitsOneLine(section, key, value))
    throw Error(QStringLiteral("Unable to write to %1: the entry \"%2\" does not fit on one line of the log")
                    .arg(index.path, key));
  if (index.refusesWrites() || !index.refresh())
    throw unableToWrite(index.path);
  const QByteArray line = (key + u'=' + value).toUtf8() + kLineEnd;
  if (Index::Section* existing = index.findSection(section)) {
    if (const Index::Entry* entry = index.findEntry(*existing, key)) {
      // The same event again within its second: the key keeps its place and text.
      if (index.valueOf(*entry) != value) {
        QByteArray content = index.bytes;
        content.replace(index.valueBegin(*entry), entry->valueBytes, value.toUtf8());
        index.replaceFile(std::move(content));
      }
    } else if (index.isLast(*existing)) {
      index.appendToFile(line);
    } else {
      QByteArray content = index.bytes;
      content.insert(existing->end, line);
      index.replaceFile(std::move(content));
    }
  } else {
    index.appendToFile("[" + section.toUtf8() + "]" + kLineEnd + line);
  }
}

QStringList EventLog::ListSections() {
  QStringList names;
  if (m_index->refresh()) {
    for (const Index::Section& section : m_index->sections) names.append(section.name);
  }
  return names;
}

QStringList EventLog::ListKeys(const QString& section) {
  QStringList keys;
  if (!m_index->refresh())
    return keys;
  if (const Index::Section* found = m_index->findSection(section)) {
    keys.reserve(qsizetype(found->entries.size()));
    for (const Index::Entry& entry : found->entries) keys.append(m_index->keyOf(entry));
  }
  return keys;
}

QString EventLog::ReadValue(const QString& section, const QString& key, const QString& defaultValue) {
  if (!m_index->refresh())
    return defaultValue;
  const Index::Section* found = m_index->findSection(section);
  const Index::Entry* entry = found ? m_index->findEntry(*found, key) : nullptr;
  return entry ? m_index->valueOf(*entry) : defaultValue;
}

void EventLog::Flush() {
  if (m_index->path.isEmpty())
    return;
  FileDescriptor fd(::open(QFile::encodeName(m_index->path).constData(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT)
      return;
    throw unableToWrite(m_index->path);
  }
  if (::fsync(fd.get()) != 0)
    throw unableToWrite(m_index->path);
}
