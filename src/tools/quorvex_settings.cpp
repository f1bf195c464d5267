// quorvex-settings: inspect and provision the settings store from the command line.
#include "base/error.h"
#include "base/program_paths.h"
#include "base/settings_store.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace {

constexpr int kAbsent = 1;   // the key or value does not exist
constexpr int kFailure = 2;  // bad usage, unusable settings file, malformed import

// The export format: a header line, then one record per line with tab-separated
// fields. In a field '%', tabs, line breaks and other control characters are written
// as %XX (UTF-8 bytes), so any name or text survives; everything else is literal.
const QByteArray kHeader = "QUORVEX-SETTINGS 1";

const char* const kUsage =
    "usage: quorvex-settings [--home DIR] COMMAND\n"
    "  set KEY NAME --dword N | --sz TEXT | --expand-sz TEXT\n"
    "  get KEY NAME\n"
    "  list KEY\n"
    "  delete KEY NAME\n"
    "  export\n"
    "  import FILE\n"
    "KEY is a path such as \\Software\\Brennova\\Settings\\Cam 1.\n"
    "Exit codes: 0 done, 1 key or value absent, 2 failure.\n";

// Ends the program with a code and a message on standard error.
struct Exit {
  int code;
  QString message;
};

void write(FILE* stream, const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

QString typeName(SettingsType type) {
  switch (type) {
    case SettingsType::Dword: return QStringLiteral("REG_DWORD");
    case SettingsType::String: return QStringLiteral("REG_SZ");
    case SettingsType::ExpandString: return QStringLiteral("REG_EXPAND_SZ");
  }
  return {};
}

std::optional<SettingsType> typeFromName(const QByteArray& name) {
  for (SettingsType type : {SettingsType::Dword, SettingsType::String, SettingsType::ExpandString}) {
    if (typeName(type).toLatin1() == name)
      return type;
  }
  return std::nullopt;
}

QString valueText(const SettingsValue& value) {
  return value.type == SettingsType::Dword ? QString::number(value.number) : value.text;
}

QByteArray escapeField(const QString& text) {
  QByteArray out;
  for (const char c : text.toUtf8()) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%')
      out += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
    else
      out += c;
  }
  return out;
}

QString unescapeField(const QByteArray& field, int line) {
  QByteArray bytes;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      bytes += field[i];
      continue;
    }
    const QByteArray digits = field.mid(i + 1, 2);
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (digits.size() != 2 || !isHex(digits[0]) || !isHex(digits[1]))
      throw Exit{kFailure,
                 QStringLiteral("line %1: '%' is not followed by two hexadecimal digits").arg(line)};
    const int byte = digits.toInt(nullptr, 16);
    bytes += char(byte);
    i += 2;
  }
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(bytes);
  if (decoder.hasError())
    throw Exit{kFailure, QStringLiteral("line %1: the text is not valid UTF-8").arg(line)};
  return text;
}

QByteArray exportText(const QList<SettingsKey>& keys) {
  QByteArray out = kHeader + '\n';
  for (const SettingsKey& key : keys) {
    out += "KEY\t" + escapeField(key.path) + '\n';
    for (const SettingsValue& value : key.values) {
      out += "VALUE\t" + escapeField(value.name) + '\t' + typeName(value.type).toLatin1() + '\t' +
             escapeField(valueText(value)) + '\n';
    }
  }
  return out;
}

SettingsValue parseValue(const QList<QByteArray>& fields, int line) {
  if (fields.size() != 4)
    throw Exit{kFailure, QStringLiteral("line %1: a VALUE record has NAME, TYPE and DATA").arg(line)};
  SettingsValue value;
  value.name = unescapeField(fields[1], line);
  const std::optional<SettingsType> type = typeFromName(fields[2]);
  if (!type)
    throw Exit{kFailure,
               QStringLiteral("line %1: unknown type '%2'").arg(line).arg(QString::fromUtf8(fields[2]))};
  value.type = *type;
  if (value.type != SettingsType::Dword) {
    value.text = unescapeField(fields[3], line);
    return value;
  }
  bool ok = false;
  value.number = fields[3].toInt(&ok);
  if (!ok)
    throw Exit{kFailure, QStringLiteral("line %1: a REG_DWORD needs a signed 32-bit decimal").arg(line)};
  return value;
}

QList<SettingsKey> parseImport(const QByteArray& data) {
  QList<QByteArray> lines = data.split('\n');
  if (lines.size() > 1 && lines.last().isEmpty())
    lines.removeLast();
  QList<SettingsKey> keys;
  for (int index = 0; index < lines.size(); ++index) {
    const int line = index + 1;
    QByteArray text = lines[index];
    if (text.endsWith('\r'))
      text.chop(1);
    if (index == 0) {
      if (text != kHeader)
        throw Exit{kFailure, QStringLiteral("line 1: not a settings export (expected \"%1\")").arg(kHeader)};
      continue;
    }
    if (text.isEmpty())
      continue;
    const QList<QByteArray> fields = text.split('\t');
    if (fields[0] == "KEY" && fields.size() == 2) {
      keys.append({unescapeField(fields[1], line), {}});
    } else if (fields[0] == "VALUE") {
      if (keys.isEmpty())
        throw Exit{kFailure, QStringLiteral("line %1: a VALUE record before any KEY record").arg(line)};
      keys.last().values.append(parseValue(fields, line));
    } else {
      throw Exit{kFailure, QStringLiteral("line %1: expected \"KEY<tab>PATH\" or a VALUE record").arg(line)};
    }
  }
  return keys;
}

qint32 parseDword(const QString& text) {
  // A DWORD is 32 bits: 4294967295 and -1 are the same value.
  bool ok = false;
  const qint64 number = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                            ? text.mid(2).toLongLong(&ok, 16)
                            : text.toLongLong(&ok, 10);
  if (!ok || number < -2147483648LL || number > 4294967295LL)
    throw Exit{kFailure, QStringLiteral("'%1' is not a 32-bit number").arg(text)};
  return qint32(quint32(number & 0xFFFFFFFF));
}

void openKey(SettingsStore& store, const QString& path, bool canCreate) {
  if (!store.OpenKey(path, canCreate)) {
    if (canCreate)
      throw Exit{kFailure, QStringLiteral("cannot create key '%1'").arg(path)};
    throw Exit{kAbsent, QStringLiteral("no key '%1'").arg(path)};
  }
}

int runCommand(SettingsStore& store, const QStringList& args, const QStringList& options) {
  const QString command = args.value(0);
  const auto expect = [&](qsizetype count, qsizetype optionCount = 0) {
    if (args.size() != count || options.size() != optionCount)
      throw Exit{kFailure, QString::fromUtf8(kUsage)};
  };
  if (command == QLatin1String("set")) {
    expect(3, 2);
    const qint32 number = options[0] == QLatin1String("--dword") ? parseDword(options[1]) : 0;
    openKey(store, args[1], true);
    if (options[0] == QLatin1String("--dword"))
      store.WriteInteger(args[2], number);
    else if (options[0] == QLatin1String("--sz"))
      store.WriteString(args[2], options[1]);
    else
      store.WriteExpandString(args[2], options[1]);
  } else if (command == QLatin1String("get")) {
    expect(3);
    openKey(store, args[1], false);
    const QList<SettingsValue> values = store.values();
    const auto value = std::find_if(values.cbegin(), values.cend(), [&](const SettingsValue& candidate) {
      return candidate.name.toCaseFolded() == args[2].toCaseFolded();
    });
    if (value == values.cend())
      throw Exit{kAbsent, QStringLiteral("no value '%1' in key '%2'").arg(args[2], args[1])};
    write(stdout, valueText(*value).toUtf8() + '\n');
  } else if (command == QLatin1String("list")) {
    expect(2);
    openKey(store, args[1], false);
    QByteArray out;
    for (const SettingsValue& value : store.values())
      out += (value.name + u' ' + typeName(value.type) + u' ' + valueText(value)).toUtf8() + '\n';
    for (const QString& name : store.subKeyNames()) out += "KEY " + name.toUtf8() + '\n';
    write(stdout, out);
  } else if (command == QLatin1String("delete")) {
    expect(3);
    openKey(store, args[1], false);
    if (!store.DeleteValue(args[2]))
      throw Exit{kAbsent, QStringLiteral("no value '%1' in key '%2'").arg(args[2], args[1])};
  } else if (command == QLatin1String("export")) {
    expect(1);
    write(stdout, exportText(store.exportAll()));
  } else if (command == QLatin1String("import")) {
    expect(2);
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly))
      throw Exit{kFailure, QStringLiteral("cannot read %1: %2").arg(args[1], file.errorString())};
    try {
      store.importAll(parseImport(file.readAll()));
    } catch (const Exit& exit) {
      throw Exit{exit.code, args[1] + QLatin1String(": ") + exit.message};
    }
  } else {
    throw Exit{kFailure, QString::fromUtf8(kUsage)};
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args, options;
  QString home = qEnvironmentVariable("QUORVEX_HOME");
  try {
    for (int i = 1; i < argc; ++i) {
      const QString arg = QString::fromLocal8Bit(argv[i]);
      const bool takesValue = arg == QLatin1String("--home") || arg == QLatin1String("--dword") ||
                              arg == QLatin1String("--sz") || arg == QLatin1String("--expand-sz");
      if (takesValue && i + 1 < argc) {
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == QLatin1String("--home"))
          home = value;
        else
          options << arg << value;
      } else if (arg.startsWith(QLatin1String("--"))) {
        throw Exit{kFailure, QString::fromUtf8(kUsage)};
      } else {
        args << arg;
      }
    }
    const QString path = ProgramPaths::locate(home).settingsFile;
    const QString problem = SettingsStore::fileProblem(path);
    if (!problem.isEmpty())
      throw Exit{kFailure, problem};
    SettingsStore store(path);
    if (!store.open())
      throw Exit{kFailure, store.openError()};
    return runCommand(store, args, options);
  } catch (const Exit& exit) {
    write(stderr, ("quorvex-settings: " + exit.message).toUtf8().trimmed() + '\n');
    return exit.code;
  } catch (const Error& error) {
    write(stderr, ("quorvex-settings: " + error.message()).toUtf8() + '\n');
    return kFailure;
  }
}
