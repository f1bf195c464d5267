#include "app/command_line.h"

#include "base/error.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList withProgram(const QStringList& arguments) { return QStringList{"quorvex"} + arguments; }

TEST(CommandLineTest, OwnOptionsAndQtOptionsAreSorted) {
  const CommandLine line = CommandLine::parse(
      withProgram({"-platform", "offscreen", "--home", "rel/dir/../home", "--source",
                   "Demo=demo:", "-style=Fusion", "--source=Door=test:ball", "-reverse", "--display", ":1"}));
  EXPECT_EQ(line.action, CommandLine::Action::Run);
  EXPECT_EQ(line.home, QDir::current().absoluteFilePath("rel/home"));
  ASSERT_EQ(line.sources.size(), 2);
  EXPECT_EQ(line.sources[0].name, "Demo");
  EXPECT_EQ(line.sources[1].uri, "test:ball");
  // Qt reads "-option value" only; "=" forms are split for it.
  EXPECT_EQ(line.qtArguments, QStringList({"quorvex", "-platform", "offscreen", "-style", "Fusion",
                                           "-reverse", "-display", ":1"}));
  // A run started from the desktop session leaves Qt's options out.
  EXPECT_EQ(line.ownArguments(), QStringList({"--home", QDir::current().absoluteFilePath("rel/home"),
                                              "--source", "Demo=demo:", "--source", "Door=test:ball"}));
}

TEST(CommandLineTest, HelpAndVersionAreActions) {
  EXPECT_EQ(CommandLine::parse(withProgram({"--help"})).action, CommandLine::Action::ShowHelp);
  EXPECT_EQ(CommandLine::parse(withProgram({"-platform", "offscreen", "-h"})).action,
            CommandLine::Action::ShowHelp);
  EXPECT_EQ(CommandLine::parse(withProgram({"--version"})).action, CommandLine::Action::ShowVersion);
  EXPECT_TRUE(CommandLine::help().startsWith(CommandLine::usage()));
}

TEST(CommandLineTest, WrongArgumentsAreErrorsNamingThem) {
  const struct {
    QStringList arguments;
    const char* message;
  } cases[] = {
      {{"--verbose"}, "Unknown argument \"--verbose\""},
      {{"stray"}, "Unknown argument \"stray\""},
      {{"--home"}, "--home needs a folder"},
      {{"--home", "--source", "X=demo:"}, "--home needs a folder"},
      {{"--home="}, "--home needs a folder"},
      {{"--source"}, "--source needs NAME=URI"},
      {{"--source", "--home", "/tmp"}, "--source needs NAME=URI"},
      {{"--source", "nameonly"}, "Invalid video source \"nameonly\""},
      {{"-platform"}, "-platform needs a value"},
      {{"-reverse=1"}, "Unknown argument \"-reverse=1\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    try {
      CommandLine::parse(withProgram(c.arguments));
      ADD_FAILURE() << "accepted";
    } catch (const Error& error) {
      EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(QLatin1String(c.message))) << error.what();
    }
  }
}

}  // namespace
