#include "app/CommandLine.h"

#include "app/QtDiagnosticSink.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

QStringList printed; // "category: message" of what Orvane's categories let through

void keepOrvaneLines(QtMsgType, const QMessageLogContext& context, const QString& message) {
    const QString category = QString::fromLatin1(context.category);
    if (category.startsWith(QStringLiteral("orvane.")))
        printed << category + QStringLiteral(": ") + message;
}

// A run without options prints nothing of Orvane's; --verbose prints every level, each
// line under its area's category.
TEST(CommandLineTest, VerboseTurnsTheOrvaneCategoriesOn) {
    QtDiagnosticSink sink;
    const ScopedDiagnosticSink installed(sink);
    const QtMessageHandler previous = qInstallMessageHandler(keepOrvaneLines);

    EXPECT_FALSE(applyCommandLine({QStringLiteral("orvane")}).verbose);
    reportDiagnostic(DiagnosticArea::state, DiagnosticLevel::warning, "not saved");
    EXPECT_TRUE(applyCommandLine({QStringLiteral("orvane"), QStringLiteral("--verbose")}).verbose);
    reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::debug, "read");
    reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning, "output lost");

    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules({});
    EXPECT_EQ(printed, (QStringList{QStringLiteral("orvane.tags: read"),
                                    QStringLiteral("orvane.engine: output lost")}));
}

QStringList run(std::initializer_list<QString> rest) {
    QStringList arguments{QStringLiteral("orvane")};
    arguments.append(QStringList(rest));
    return arguments;
}

// File managers give absolute paths, media controllers percent-encoded URIs, shells
// relative paths; a name that cannot be opened is reported and the rest still opens.
TEST(CommandLineTest, OpensPathsURIsAndRelativePathsAndNamesWhatItCannot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("sub")));
    for (const char* name : {"a.flac", "b c#1.mp3", "list.m3u8", "notes.txt"}) {
        QFile file(root.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString uri = QUrl::fromLocalFile(root.filePath(QStringLiteral("b c#1.mp3")))
                            .toString(QUrl::FullyEncoded);
    ASSERT_TRUE(uri.contains(QStringLiteral("%20")));

    const StartOptions options = applyCommandLine(
        run({root.filePath(QStringLiteral("a.flac")), QStringLiteral("missing.mp3"), uri,
             QStringLiteral("notes.txt"), QStringLiteral("./sub/../sub"),
             QStringLiteral("http://example.org/x.mp3"), QStringLiteral("list.m3u8")}),
        root);
    EXPECT_FALSE(options.exitCode);
    const auto absolute = [&](const char* name) {
        return root.filePath(QString::fromUtf8(name)).toStdString();
    };
    EXPECT_EQ(options.open, (std::vector<std::string>{absolute("a.flac"), absolute("b c#1.mp3"),
                                                      absolute("sub"), absolute("list.m3u8")}));
    ASSERT_EQ(options.problems.size(), 3);
    EXPECT_EQ(options.problems[0], QStringLiteral("orvane: missing.mp3: no such file"));
    EXPECT_TRUE(options.problems[1].startsWith(QStringLiteral("orvane: notes.txt: ")));
    EXPECT_TRUE(options.problems[2].startsWith(QStringLiteral("orvane: http://example.org/")));
}

TEST(CommandLineTest, HelpAndVersionEndWithZeroAndAnUnknownOptionWithTwo) {
    const StartOptions version = applyCommandLine(run({QStringLiteral("--version")}));
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_FALSE(version.output.isEmpty());
    const StartOptions help = applyCommandLine(run({QStringLiteral("--help")}));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.contains(QStringLiteral("--verbose")));

    const StartOptions unknown =
        applyCommandLine(run({QStringLiteral("--shuffle-all"), QStringLiteral("a.mp3")}));
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.output.isEmpty());
    ASSERT_FALSE(unknown.problems.isEmpty());
    EXPECT_TRUE(unknown.problems.front().contains(QStringLiteral("shuffle-all")));
    EXPECT_TRUE(unknown.problems.join(QLatin1Char('\n')).contains(QStringLiteral("Usage:")));
}

} // namespace
} // namespace orvane::test
