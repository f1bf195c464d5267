#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "support/files.h"
#include "support/sql.h"
#include "support/temp_home.h"

#include <QFile>
#include <QProcess>

#include <sys/stat.h>

#include <memory>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

// Readable failure output.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

struct ToolRun {
  int code = -1;
  QString out;
  QString err;
};

QProcess* start(const QString& home, const QStringList& args) {
  auto* process = new QProcess;
  process->setProgram(buildProgram("quorvex-settings"));
  process->setArguments(QStringList{"--home", home} + args);
  process->start();
  return process;
}

ToolRun finish(QProcess* process) {
  std::unique_ptr<QProcess> owner(process);
  EXPECT_TRUE(process->waitForFinished(30000)) << process->arguments().join(' ').toStdString();
  return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
          QString::fromUtf8(process->readAllStandardOutput()),
          QString::fromUtf8(process->readAllStandardError())};
}

ToolRun settingsTool(const QString& home, const QStringList& args) { return finish(start(home, args)); }

TEST(QuorvexSettings, SetGetListAndDelete) {
  TempHome home;
  const QString camera = applicationKey() + "\\Cam 1";
  for (const QStringList& args : {QStringList{"set", camera, "Detect", "--dword", "1"},
                                  {"set", applicationKey(), "DailNum", "--dword", "-1"},
                                  {"set", applicationKey(), "Mask", "--dword", "4294967295"},
                                  {"set", applicationKey(), "ImageDir", "--sz", "/srv/Bilder ä"},
                                  {"set", applicationKey(), "SoundAlarm", "--expand-sz", "$HOME/alert.wav"},
                                  {"set", applicationKey(), "Auth", "--sz", ""}}) {
    const ToolRun run = settingsTool(home.path(), args);
    EXPECT_EQ(run.code, 0) << args.join(' ').toStdString() << run.err.toStdString();
  }
  EXPECT_EQ(settingsTool(home.path(), {"get", camera, "detect"}).out, "1\n");
  EXPECT_EQ(settingsTool(home.path(), {"get", "software\\brennova\\settings", "DAILNUM"}).out, "-1\n");
  EXPECT_EQ(settingsTool(home.path(), {"get", applicationKey(), "Mask"}).out, "-1\n");
  EXPECT_EQ(settingsTool(home.path(), {"get", applicationKey(), "SoundAlarm"}).out, "$HOME/alert.wav\n");
  const ToolRun list = settingsTool(home.path(), {"list", applicationKey()});
  EXPECT_EQ(list.code, 0);
  EXPECT_EQ(list.out,
            "Auth REG_SZ \n"
            "DailNum REG_DWORD -1\n"
            "ImageDir REG_SZ /srv/Bilder ä\n"
            "Mask REG_DWORD -1\n"
            "SoundAlarm REG_EXPAND_SZ $HOME/alert.wav\n"
            "KEY Cam 1\n");
  EXPECT_EQ(settingsTool(home.path(), {"list", "\\Software\\Brennova"}).out, "KEY Settings\n");

  EXPECT_EQ(settingsTool(home.path(), {"delete", applicationKey(), "imagedir"}).code, 0);
  struct Absent {
    QStringList args;
    const char* message;
  };
  for (const Absent& absent : {Absent{{"get", applicationKey(), "ImageDir"}, "no value 'ImageDir'"},
                               Absent{{"delete", applicationKey(), "ImageDir"}, "no value 'ImageDir'"},
                               Absent{{"get", applicationKey() + "\\Cam 2", "Detect"}, "no key"},
                               Absent{{"list", "\\Nowhere"}, "no key '\\Nowhere'"}}) {
    const ToolRun run = settingsTool(home.path(), absent.args);
    EXPECT_EQ(run.code, 1) << absent.args.join(' ').toStdString();
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.contains(absent.message)) << run.err.toStdString();
  }
  EXPECT_EQ(settingsTool(home.path(), {"list", "\\Software\\Brennova"}).out,
            "KEY Settings\n");  // not created
}

TEST(QuorvexSettings, HonoursQuorvexHomeWithoutTheOption) {
  TempHome home;
  QProcess process;
  process.setProgram(buildProgram("quorvex-settings"));
  process.setArguments({"set", applicationKey(), "Connection", "--dword", "2"});
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QUORVEX_HOME", home.path());
  process.setProcessEnvironment(environment);
  process.start();
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_TRUE(QFile::exists(home.file("settings.db")));
  EXPECT_EQ(settingsTool(home.path(), {"get", applicationKey(), "Connection"}).out, "2\n");
}

TEST(QuorvexSettings, RejectsBadUsageWithoutWriting) {
  TempHome home;
  for (const QStringList& args :
       {QStringList{}, QStringList{"frobnicate"}, QStringList{"set", applicationKey(), "X"},
        QStringList{"set", applicationKey(), "X", "--dword", "twelve"},
        QStringList{"set", applicationKey(), "X", "--dword", "4294967296"},
        QStringList{"set", applicationKey(), "X", "--dword", "-2147483649"},
        QStringList{"set", applicationKey(), "X", "--binary", "00"},
        QStringList{"get", applicationKey(), "X", "--sz", "y"}, QStringList{"import"}}) {
    const ToolRun run = settingsTool(home.path(), args);
    EXPECT_EQ(run.code, 2) << args.join(' ').toStdString();
    EXPECT_FALSE(run.err.isEmpty());
  }
  EXPECT_EQ(settingsTool(home.path(), {"export"}).out, "QUORVEX-SETTINGS 1\n");
}

TEST(QuorvexSettings, ExportImportsBackExactlyIntoAFreshHome) {
  TempHome home;
  const QString camera = applicationKey() + "\\Caméra = 2";
  for (const QStringList& args : {
           QStringList{"set", camera, "Note", "--sz", "line 1\nline 2\r\ttab=%41 \\back\\ ✓"},
           {"set", camera, "", "--sz", ""},
           {"set", camera, "50% = half", "--expand-sz", "%TEMP%\\x"},
           {"set", camera, "Detect", "--dword", "-2147483648"},
           {"set", "\\Keys\\Without\\Values", "Tmp", "--sz", "x"},
           {"delete", "\\Keys\\Without\\Values", "Tmp"},
       })
    ASSERT_EQ(settingsTool(home.path(), args).code, 0) << args.join(' ').toStdString();
  const ToolRun exported = settingsTool(home.path(), {"export"});
  ASSERT_EQ(exported.code, 0);
  EXPECT_TRUE(exported.out.contains("KEY\t\\Keys\\Without\\Values\n"));
  EXPECT_EQ(exported.out.count('\n'), 12);  // header, 7 keys, 4 values: nothing spans lines

  TempHome fresh;
  writeFile(fresh.file("export.txt"), exported.out.toUtf8());
  const ToolRun imported = settingsTool(fresh.path(), {"import", fresh.file("export.txt")});
  EXPECT_EQ(imported.code, 0) << imported.err.toStdString();
  EXPECT_EQ(settingsTool(fresh.path(), {"export"}).out, exported.out);
  EXPECT_EQ(settingsTool(fresh.path(), {"get", camera, "note"}).out,
            "line 1\nline 2\r\ttab=%41 \\back\\ ✓\n");
}

TEST(QuorvexSettings, AMalformedImportNamesTheLineAndChangesNothing) {
  TempHome home;
  ASSERT_EQ(settingsTool(home.path(), {"set", applicationKey(), "Connection", "--dword", "2"}).code, 0);
  const QString before = settingsTool(home.path(), {"export"}).out;
  // Each file starts with good records, so a partial import would show.
  const QByteArray good =
      "QUORVEX-SETTINGS 1\nKEY\t\\New\nVALUE\tA\tREG_SZ\tx\nKEY\t\\Software\\Brennova\\Settings\n"
      "VALUE\tConnection\tREG_DWORD\t0\n";
  struct Case {
    QByteArray file;
    const char* line;
  };
  for (const Case& c :
       {Case{"[Settings]\nConnection=1\n", "line 1:"}, Case{good + "VALUE\tB\tREG_BINARY\t00\n", "line 6:"},
        Case{good + "VALUE\tB\tREG_DWORD\t2147483648\n", "line 6:"},
        Case{good + "VALUE\tB\tREG_SZ\tbad %4\n", "line 6:"},
        Case{good + "VALUE\tB\tREG_SZ\t%G0\n", "line 6:"},
        Case{good + "VALUE\tB\tREG_SZ\t\xC3\x28\n", "line 6:"}, Case{good + "VALUE\tB\tREG_SZ\n", "line 6:"},
        Case{good + "KEY\t\\A\textra\n", "line 6:"},
        Case{"QUORVEX-SETTINGS 1\nVALUE\tA\tREG_SZ\tx\n", "line 2:"}}) {
    SCOPED_TRACE(c.file.toStdString());
    writeFile(home.file("import.txt"), c.file);
    const ToolRun run = settingsTool(home.path(), {"import", home.file("import.txt")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(home.file("import.txt") + ": " + c.line)) << run.err.toStdString();
    EXPECT_EQ(settingsTool(home.path(), {"export"}).out, before);
  }
  const ToolRun missing = settingsTool(home.path(), {"import", home.file("missing.txt")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(missing.err.contains(home.file("missing.txt")));
}

TEST(QuorvexSettings, AnUnusableSettingsFileIsReportedAndLeftAlone) {
  TempHome home;
  const QString settings = home.file("settings.db");
  const QByteArray text = "this is not a settings database\n";
  writeFile(settings, text);
  for (const QStringList& args :
       {QStringList{"get", applicationKey(), "ImageDir"},
        QStringList{"set", applicationKey(), "ImageDir", "--sz", "x"}, QStringList{"export"}}) {
    const ToolRun run = settingsTool(home.path(), args);
    EXPECT_EQ(run.code, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains(settings)) << run.err.toStdString();
  }
  EXPECT_EQ(readFile(settings), text);

  QFile::remove(settings);
  ASSERT_EQ(settingsTool(home.path(), {"set", applicationKey(), "ImageDir", "--sz", "x"}).code, 0);
  const QByteArray before = readFile(settings);
  ASSERT_EQ(::chmod(QFile::encodeName(settings).constData(), 0444), 0);
  const ToolRun readOnly = settingsTool(home.path(), {"set", applicationKey(), "ImageDir", "--sz", "y"});
  EXPECT_EQ(readOnly.code, 2);
  EXPECT_TRUE(readOnly.err.contains("read-only")) << readOnly.err.toStdString();
  EXPECT_EQ(readFile(settings), before);
}

// The tool and the program's start-up check judge a file whose values break the
// store's rules alike, in the same words.
TEST(QuorvexSettings, ReportsAFileBreakingTheStoresRulesAsTheStartUpCheckDoes) {
  TempHome home;
  const QString settings = home.file("settings.db");
  ASSERT_EQ(settingsTool(home.path(), {"set", applicationKey(), "Connection", "--dword", "2"}).code, 0);
  runSql(settings, "PRAGMA ignore_check_constraints = ON; UPDATE entries SET data = 'two'");
  const QByteArray broken = readFile(settings);
  const QString problem = SettingsStore::fileProblem(settings);
  ASSERT_NE(problem, "");
  for (const QStringList& args :
       {QStringList{"get", applicationKey(), "Connection"}, QStringList{"export"}}) {
    const ToolRun run = settingsTool(home.path(), args);
    EXPECT_EQ(run.code, 2) << args.join(' ').toStdString();
    EXPECT_EQ(run.err, "quorvex-settings: " + problem + "\n");
  }
  EXPECT_EQ(readFile(settings), broken);
}

// Several program instances writing at once, starting from no settings file at all.
TEST(QuorvexSettings, ConcurrentProcessesLoseNoWrite) {
  TempHome home;
  constexpr int kProcesses = 8;
  std::vector<QProcess*> processes;
  for (int i = 0; i < kProcesses; ++i) {
    processes.push_back(
        start(home.path(), {"set", applicationKey() + QStringLiteral("\\Cam %1").arg(i % 2),
                            QStringLiteral("Value %1").arg(i), "--dword", QString::number(i)}));
  }
  for (QProcess* process : processes) {
    const ToolRun run = finish(process);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
  }
  for (int i = 0; i < kProcesses; ++i) {
    const ToolRun run = settingsTool(
        home.path(),
        {"get", applicationKey() + QStringLiteral("\\Cam %1").arg(i % 2), QStringLiteral("Value %1").arg(i)});
    EXPECT_EQ(run.out, QString::number(i) + "\n") << run.err.toStdString();
  }
}

}  // namespace
