#include "eventlog/event_log.h"

#include "base/error.h"
#include "eventlog/file_lock.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
// Up to this size the log is rewritten whole to put an entry into an earlier section.
// Beyond it, so that no entry costs more as the log grows, an entry fills blank lines
// at its section's end, or else the section moves once to the end of the file.
constexpr qsizetype kRewriteLimit = 64 * 1024;
// Blank lines left behind the section that another one moves past: with two programs
// writing, each into its own section, the one left behind fills them in place.
constexpr qsizetype kLeastRoom = 64 * 1024;
constexpr qsizetype kMostRoom = 1024 * 1024;

Error unableToWrite(const QString& path, int systemError) {
  return Error(QStringLiteral("Unable to write to %1").arg(path), systemError);
}

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

// Writes at the offset, or at the end when it is negative (append mode).
bool writeAll(int fd, QByteArrayView bytes, off_t offset = -1) {
  while (!bytes.isEmpty()) {
    const ssize_t written = offset < 0 ? ::write(fd, bytes.data(), size_t(bytes.size()))
                                       : ::pwrite(fd, bytes.data(), size_t(bytes.size()), offset);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    bytes = bytes.sliced(written);
    if (offset >= 0)
      offset += written;
  }
  return true;
}

// Up to count bytes from the offset.
QByteArray readAt(int fd, qsizetype at, qsizetype count) {
  QByteArray data(count, Qt::Uninitialized);
  qsizetype got = 0;
  while (got < count) {
    const ssize_t read = ::pread(fd, data.data() + got, size_t(count - got), off_t(at + got));
    if (read < 0 && errno == EINTR)
      continue;
    if (read <= 0)
      break;
    got += read;
  }
  data.truncate(got);
  return data;
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
    std::vector<qsizetype> headers;                 // where each of its header lines begins
    qsizetype end = 0;                              // just after its last header or entry line
    qsizetype roomEnd = 0;  // blank lines from `end` up to here can take entries in place
  };

  explicit Index(QString path = {}) : path(std::move(path)), lockPath(this->path + ".lock") {}

  // Brings the index up to date with the file; false when the file cannot be read.
  // Writers call it holding the exclusive lock. The file as replaced by a rewrite is
  // read whole; changes to the same file (appends, entries over blank lines) are read
  // alone, so that the cost of following another writer does not grow with the log.
  bool refresh();
  // Reads what changed in the file since it was last seen; false when that cannot tell.
  bool catchUp(int fd, qsizetype size);
  // The same for a reader: takes the shared lock when the file needs reading.
  bool refreshToRead();
  // Adds whole lines at the end of the file with one write, ending an unended last
  // line first.
  void appendToFile(QByteArrayView lines);
  // Writes a new entry line over the blank lines at the end of its section.
  void writeInRoom(Section& section, QByteArrayView line);
  // Replaces the file with new content through a synced temporary file.
  void replaceFile(QByteArray content);
  // The file with the section, the line added to it, moved to the end, and room left
  // behind the section that was last.
  QByteArray movedToEnd(const Section& section, QByteArrayView line) const;
  // Permission bits without any write access refuse writes, also to root.
  bool refusesWrites() const;

  QString path;
  QString lockPath;
  FileStamp stamp;
  bool current = false;
  QByteArray bytes;    // the file up to the end of its last whole line
  QByteArray unended;  // the rest: a last line without its line end
  std::vector<Section> sections;

  void load(QByteArray content) {
    sections.clear();
    m_lastSection = -1;
    // A last line without its line end is left out until a write ends it: it may be
    // an append in progress or torn by a crash.
    const qsizetype whole = content.lastIndexOf('\n') + 1;
    unended = content.sliced(whole);
    content.truncate(whole);
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
        Section& section = sections[size_t(m_lastSection)];
        section.headers.push_back(pos);
        section.end = section.roomEnd = next;
      } else if (const qsizetype equals = line.lastIndexOf('='); equals >= 0 && m_lastSection >= 0) {
        Section& section = sections[size_t(m_lastSection)];
        const Entry entry{pos, equals, line.size() - equals - 1};
        // Of a key written twice by hand, the first one counts.
        if (const QString key = keyOf(entry); !findEntry(section, key))
          addEntry(section, entry, key);
        section.end = section.roomEnd = next;
      } else if (line.isEmpty() && m_lastSection >= 0) {
        Section& section = sections[size_t(m_lastSection)];
        if (section.roomEnd == pos)
          section.roomEnd = next;
      }
      pos = next;
    }
  }

  // A section whose header appears twice is one section.
  qsizetype sectionIndex(const QString& name) {
    if (Section* existing = findSection(name))
      return existing - sections.data();
    sections.push_back(Section{name, {}, {}, {}, 0, 0});
    return qsizetype(sections.size()) - 1;
  }

 public:
  void addEntry(Section& section, const Entry& entry, const QString& key) {
    section.byKey.emplace(qHash(key.toCaseFolded()), section.entries.size());
    section.entries.push_back(entry);
  }

 private:
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
  if (current && stamp.exists && seen.device == stamp.device && seen.inode == stamp.inode &&
      seen.size >= stamp.size && catchUp(file.handle(), seen.size)) {
    stamp = seen;
    return true;
  }
  QByteArray content = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return false;
  load(std::move(content));
  stamp = seen;
  current = true;
  return true;
}

bool EventLog::Index::catchUp(int fd, qsizetype size) {
  // Entries written over blank lines: they fill each section's room from its start.
  for (Section& section : sections) {
    while (section.roomEnd > section.end) {
      const QByteArray chunk =
          readAt(fd, section.end, std::min<qsizetype>(section.roomEnd - section.end, 4096));
      if (chunk.isEmpty() || chunk.front() == '\r' || chunk.front() == '\n')
        break;
      const qsizetype lineEnd = chunk.indexOf('\n') + 1;
      const QByteArrayView text = QByteArrayView(chunk).first(std::max<qsizetype>(lineEnd - 2, 0));
      const qsizetype equals = text.lastIndexOf('=');
      if (lineEnd < 2 || chunk.at(lineEnd - 2) != '\r' || equals < 0 || text.startsWith('['))
        return false;  // not an entry this log wrote: read it all
      bytes.replace(section.end, lineEnd, chunk.first(lineEnd));
      const Entry entry{section.end, equals, text.size() - equals - 1};
      if (const QString key = keyOf(entry); !findEntry(section, key))
        addEntry(section, entry, key);
      section.end += lineEnd;
    }
  }
  // Everything else stays as it was; a file edited by hand is read again whole.
  const qsizetype checked = std::min<qsizetype>(bytes.size(), 256);
  if (readAt(fd, bytes.size() - checked, checked) != QByteArrayView(bytes).last(checked))
    return false;
  // Lines appended, the first of them perhaps ending our unended last line.
  QByteArray more = readAt(fd, bytes.size(), size - bytes.size());
  if (more.size() != size - bytes.size() || !more.startsWith(unended))
    return false;
  const qsizetype whole = more.lastIndexOf('\n') + 1;
  unended = more.sliced(whole);
  more.truncate(whole);
  append(more);
  return true;
}

bool EventLog::Index::refreshToRead() {
  struct stat st;
  if (current && ::stat(QFile::encodeName(path).constData(), &st) == 0 && stampOf(st) == stamp)
    return true;
  // Waits for a writer to finish. Without a lock file no writer has locked yet, and all
  // an unlocked read can see of an append in progress is an unended line, left out.
  const FileLock lock(lockPath, false);
  return refresh();
}

void EventLog::Index::appendToFile(QByteArrayView lines) {
  FileDescriptor fd(
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (fd.get() < 0)
    throw unableToWrite(path, errno);
  const QByteArray ending = unended.isEmpty() ? QByteArray() : QByteArray(kLineEnd);
  if (!writeAll(fd.get(), QByteArray(ending).append(lines))) {
    const int error = errno;
    // Take back what part of it went in (full disk); the file is ours under the lock.
    [[maybe_unused]] const int cutBack = ::ftruncate(fd.get(), stamp.size);
    current = false;
    throw unableToWrite(path, error);
  }
  if (!ending.isEmpty()) {
    append(unended + ending);
    unended.clear();
  }
  append(lines);
  struct stat st;
  current = ::fstat(fd.get(), &st) == 0 && fd.close();
  if (current)
    stamp = stampOf(st);
}

void EventLog::Index::writeInRoom(Section& section, QByteArrayView line) {
  const qsizetype at = section.end;
  FileDescriptor fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC));
  struct stat st;
  if (fd.get() < 0 || !writeAll(fd.get(), line, off_t(at)) || ::fstat(fd.get(), &st) != 0 || !fd.close()) {
    current = false;
    throw unableToWrite(path, errno);
  }
  bytes.replace(at, line.size(), line);
  stamp = stampOf(st);
  // What is left of the blank lines still reads as blank lines: "\r\n" or "\n".
  const Entry entry{at, line.lastIndexOf('='), line.size() - line.lastIndexOf('=') - 3};
  addEntry(section, entry, keyOf(entry));
  section.end = at + line.size();
}

QByteArray EventLog::Index::movedToEnd(const Section& section, QByteArrayView line) const {
  // Every header starts a piece that runs to the next header; a section whose header
  // appears twice has two pieces.
  std::vector<std::pair<qsizetype, const Section*>> pieces;
  for (const Section& each : sections) {
    for (const qsizetype header : each.headers) pieces.emplace_back(header, &each);
  }
  std::sort(pieces.begin(), pieces.end());
  const Section& last = *pieces.back().second;
  const qsizetype lastRoom = last.roomEnd - last.end;
  const qsizetype room =
      lastRoom >= kLeastRoom ? 0 : std::clamp(bytes.size() / 16, kLeastRoom, kMostRoom) / 2 * 2;

  QByteArray front = bytes.first(pieces.front().first);  // text before the first section
  QByteArray moved;
  front.reserve(bytes.size() + room + line.size());
  for (size_t n = 0; n < pieces.size(); ++n) {
    const qsizetype begin = pieces[n].first;
    const qsizetype end = n + 1 < pieces.size() ? pieces[n + 1].first : bytes.size();
    const Section& owner = *pieces[n].second;
    QByteArray& into = &owner == &section ? moved : front;
    if (owner.end > begin && owner.end <= end) {
      into.append(bytes.constData() + begin, owner.end - begin);
      if (&owner == &section)
        into.append(line);
      else if (n + 1 == pieces.size())
        into.append(QByteArray(kLineEnd).repeated(room / 2));
      into.append(bytes.constData() + owner.end, end - owner.end);
    } else {
      into.append(bytes.constData() + begin, end - begin);
    }
  }
  return front + moved;
}

void EventLog::Index::replaceFile(QByteArray content) {
  const QByteArray target = QFile::encodeName(path);
  struct stat original;
  if (::stat(target.constData(), &original) != 0)
    throw unableToWrite(path, errno);
  QByteArray temporary = target + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0)
    throw unableToWrite(path, errno);
  struct stat st;
  const bool written = writeAll(fd.get(), content) && ::fchmod(fd.get(), original.st_mode & 07777) == 0 &&
                       ::fsync(fd.get()) == 0 && ::fstat(fd.get(), &st) == 0;
  if (!fd.close() || !written || ::rename(temporary.constData(), target.constData()) != 0) {
    const int error = errno;
    ::unlink(temporary.constData());
    throw unableToWrite(path, error);
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

bool EventLog::WriteEntry(const QString& section, const QString& key, const QString& value) {
  Index& index = *m_index;
  if (!fitsOneLine(section, key, value))
    throw Error(QStringLiteral("Unable to write to %1: the entry \"%2\" does not fit on one line of the log")
                    .arg(index.path, key));
  if (index.refusesWrites())
    throw unableToWrite(index.path, 0);
  // Another program may write the same log: every change is made under the lock and
  // to the file as it is now.
  const FileLock lock(index.lockPath, true);
  if (!lock.held() || !index.refresh())
    throw unableToWrite(index.path, errno);
  // End an unended last line first, so that it is kept, and read as any other line.
  if (!index.unended.isEmpty())
    index.appendToFile({});

  const QByteArray line = (key + u'=' + value).toUtf8() + kLineEnd;
  Index::Section* existing = index.findSection(section);
  if (!existing) {
    index.appendToFile("[" + section.toUtf8() + "]" + kLineEnd + line);
  } else if (const Index::Entry* entry = index.findEntry(*existing, key)) {
    // The same event again within its second: the key keeps its place and text. Its
    // category hardly ever differs, as each event has its own key text; when it does,
    // the file is rewritten, which every other reader notices as a new file.
    if (index.valueOf(*entry) == value)
      return false;
    QByteArray content = index.bytes;
    content.replace(index.valueBegin(*entry), entry->valueBytes, value.toUtf8());
    index.replaceFile(std::move(content));
  } else if (existing->roomEnd - existing->end >= line.size()) {
    index.writeInRoom(*existing, line);
  } else if (index.isLast(*existing)) {
    index.appendToFile(line);
  } else if (index.bytes.size() <= kRewriteLimit) {
    QByteArray content = index.bytes;
    content.insert(existing->end, line);
    index.replaceFile(std::move(content));
  } else {
    index.replaceFile(index.movedToEnd(*existing, line));
  }
  return true;
}

QStringList EventLog::ListSections() {
  QStringList names;
  if (m_index->refreshToRead()) {
    for (const Index::Section& section : m_index->sections) names.append(section.name);
  }
  return names;
}

QStringList EventLog::ListKeys(const QString& section) {
  QStringList keys;
  if (!m_index->refreshToRead())
    return keys;
  if (const Index::Section* found = m_index->findSection(section)) {
    keys.reserve(qsizetype(found->entries.size()));
    for (const Index::Entry& entry : found->entries) keys.append(m_index->keyOf(entry));
  }
  return keys;
}

QString EventLog::ReadValue(const QString& section, const QString& key, const QString& defaultValue) {
  if (!m_index->refreshToRead())
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
    throw unableToWrite(m_index->path, errno);
  }
  if (::fsync(fd.get()) != 0)
    throw unableToWrite(m_index->path, errno);
}
