// pelkora-cli run as a real process on archives from the test writer.

#include "BigWriter.h"
#include "LzssEncoder.h"
#include "archive/cBig.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace pelkora::testsupport;

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct CliRun {
    int code = -1;
    QString out;
    QStringList errors; // stderr lines
};

CliRun RunCli(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // In UTC an entry's seconds are its file's modification time exactly.
    environment.insert("TZ", "UTC");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELKORA_CLI_PATH), arguments);
    CliRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

qint64 ModifiedSeconds(const QString& path)
{
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

void SetModified(const QString& path, qint64 seconds)
{
    QFile f(path);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::fromSecsSinceEpoch(seconds), QFileDevice::FileModificationTime);
}

QByteArray Pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((i % 17) * (i % 5) + i / 64));
    return bytes;
}

// Every error line comes from the tool and names what it is about.
void ExpectErrorLines(const CliRun& run, const QString& mustName)
{
    ASSERT_FALSE(run.errors.isEmpty());
    for (const QString& line : run.errors) {
        EXPECT_TRUE(line.startsWith("pelkora-cli: ")) << line.toStdString();
    }
    EXPECT_TRUE(run.errors.join(u'\n').contains(mustName)) << run.errors.join(u'\n').toStdString();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    QString write(const std::vector<TestEntry>& entries, const WriterOptions& options = {},
        const QString& name = "archive.big")
    {
        const QString path = tmp.filePath(name);
        EXPECT_TRUE(WriteBigArchive(path, entries, options));
        return path;
    }

    QTemporaryDir tmp;
};

// In ID order; the window lists root entries first, each group by type, then
// by name, with character codes deciding ("D" before "d").
const std::vector<TestEntry> kListed = {
    {.name = "zeta.txt", .data = "zz", .timestamp = 0},
    {.name = "Data\\\u20acuro.bin", .data = Pattern(300), .compress = true, .timestamp = -1},
    {.name = "alpha.txt", .data = "alpha", .timestamp = INT32_MAX},
    {.name = "donn\u00e9es\\caf\u00e9.txt", .data = "caf\xe9", .timestamp = INT32_MIN},
    {.name = "Beta.BIN", .data = "beta", .timestamp = 86400},
};

} // namespace

TEST_F(CliTest, ListPrintsTheFieldsInTheWindowsOrder)
{
    const QString archive = write(kListed);
    const QString packed = QString::number(LzssEncode(Pattern(300)).size());
    const CliRun run = RunCli({"list", archive});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.errors, QStringList());
    EXPECT_EQ(run.out,
        "Beta.BIN\t4\t4\t0\t1970-01-02 00:00:00\n"
        "alpha.txt\t5\t5\t0\t2038-01-19 03:14:07\n"
        "zeta.txt\t2\t2\t0\t1970-01-01 00:00:00\n"
        "Data\\\u20acuro.bin\t300\t"
            + packed + "\t1\t1969-12-31 23:59:59\n"
                       "donn\u00e9es\\caf\u00e9.txt\t4\t4\t0\t1901-12-13 20:45:52\n");
}

TEST_F(CliTest, ListKeepsEveryNameOfAListingLongerThanOneBlockOfNames)
{
    // Sort keys are kept back to back in blocks of about two million
    // characters; these names fill more than one, and each must come out as
    // it went in.
    const QString folder = QStringLiteral("levels\\") + QString(50, u'x');
    std::vector<TestEntry> entries;
    for (int i = 0; i < 40000; ++i)
        entries.push_back({.name = QStringLiteral("%1\\item%2.dat").arg(folder).arg(i, 6, 10, QChar(u'0')),
            .data = "d",
            .timestamp = 0});
    const CliRun run = RunCli({"list", write(entries)});
    EXPECT_EQ(run.code, 0);
    QString expected;
    for (const TestEntry& e : entries)
        expected += e.name + QStringLiteral("\t1\t1\t0\t1970-01-01 00:00:00\n");
    EXPECT_TRUE(run.out == expected) << "the listing differs from the names written";
}

TEST_F(CliTest, ListJsonCarriesEveryField)
{
    std::vector<TestEntry> entries = kListed;
    entries[0].hash = 0x1234; // a stored hash that is not the name's
    const QString archive = write(entries);
    const CliRun run = RunCli({"list", "--json", archive});
    EXPECT_EQ(run.code, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_TRUE(document.isArray());
    const QJsonArray array = document.array();

    QStringList names;
    for (const QJsonValue& value : array)
        names << value.toObject().value("name").toString();
    EXPECT_EQ(names,
        QStringList({"Beta.BIN", "alpha.txt", "zeta.txt", "Data\\\u20acuro.bin", "donn\u00e9es\\caf\u00e9.txt"}));

    const QJsonObject euro = array.at(3).toObject();
    const double packed = LzssEncode(Pattern(300)).size();
    const QJsonObject expected{{"id", 1}, {"name", "Data\\\u20acuro.bin"}, {"folder", "Data"},
        {"file", "\u20acuro.bin"}, {"type", "BIN File"}, {"size", 300}, {"packed", packed},
        {"ratio", 1.0 - packed / 300.0}, {"compressed", true}, {"timestamp", -1}, {"modified", "1969-12-31 23:59:59"},
        {"hash_matches", true}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(euro.value(it.key()), it.value()) << it.key().toStdString();

    const QJsonObject zeta = array.at(2).toObject();
    EXPECT_EQ(zeta.value("hash_matches"), QJsonValue(false));
    EXPECT_EQ(zeta.value("folder"), QJsonValue(""));
    EXPECT_EQ(zeta.value("timestamp"), QJsonValue(0));
    EXPECT_EQ(array.at(4).toObject().value("timestamp"), QJsonValue(INT32_MIN));
    EXPECT_EQ(array.at(1).toObject().value("timestamp"), QJsonValue(INT32_MAX));
}

TEST_F(CliTest, ExtractWritesEveryEntryWithFoldersBytesAndTimes)
{
    std::vector<TestEntry> entries = kListed;
    entries.push_back({.name = "deep\\er\\empty.dat", .data = QByteArray(), .timestamp = 7});
    entries.push_back({.name = "deep\\odd hash.bin", .data = Pattern(50), .timestamp = 8, .hash = 42});
    const QString archive = write(entries);
    const QString dest = tmp.filePath("new/dest"); // created by the tool

    const CliRun run = RunCli({"extract", "-q", archive, dest});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.errors, QStringList());
    EXPECT_EQ(run.out, "");
    for (const TestEntry& e : entries) {
        SCOPED_TRACE(e.name.toStdString());
        const QString file = dest + u'/' + QString(e.name).replace(u'\\', u'/');
        EXPECT_EQ(ReadAll(file), e.data);
        EXPECT_EQ(ModifiedSeconds(file), e.timestamp);
    }
}

TEST_F(CliTest, ExtractNamedEntriesIgnoresLetterCase)
{
    const QString archive = write(kListed);
    const QString dest = tmp.filePath("dest");
    const CliRun run = RunCli({"extract", archive, dest, "DATA\\\u20acURO.BIN", "DONN\u00c9ES/CAF\u00c9.TXT"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.errors, QStringList());
    EXPECT_EQ(ReadAll(dest + "/Data/\u20acuro.bin"), Pattern(300));
    EXPECT_EQ(ReadAll(dest + "/donn\u00e9es/caf\u00e9.txt"), "caf\xe9");
    EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"Data", "donn\u00e9es"}));
}

// Each refusal fails its own entry only: exit 1, an error line naming it, and
// the other entries written.
TEST_F(CliTest, EachRefusalExitsOneAndTheOthersAreWritten)
{
    const QString outside = tmp.filePath("outside.txt");
    struct Case {
        const char* what;
        TestEntry bad;
        QString named; // in the error line
        std::function<void(const QString& dest)> prepare;
        QStringList extraArguments;
    };
    const std::vector<Case> cases = {
        {"unsafe name", {.name = "..\\outside.txt", .data = "evil"}, "..\\outside.txt", nullptr, {}},
        {"device name", {.name = "dir\\aux.txt", .data = "evil"}, "dir\\aux.txt", nullptr, {}},
        {"link at the target", {.name = "linked.txt", .data = "evil"}, "linked.txt",
            [&](const QString& dest) { QFile::link(outside, dest + "/linked.txt"); }, {}},
        {"link in a folder", {.name = "via\\outside.txt", .data = "evil"}, "via\\outside.txt",
            [&](const QString& dest) { QFile::link(tmp.path(), dest + "/via"); }, {}},
        {"read-only target", {.name = "locked.txt", .data = "evil"}, "locked.txt",
            [&](const QString& dest) {
                WriteFile(dest + "/locked.txt", "old");
                QFile::setPermissions(dest + "/locked.txt", QFileDevice::ReadOwner);
            },
            {}},
        {"same name twice", {.name = "GOOD1.TXT", .data = "evil"}, "GOOD1.TXT", nullptr, {}},
        {"unreadable data", {.name = "cut.bin", .data = "evil", .packedSize = 1 << 20}, "cut.bin", nullptr, {}},
        {"C1 control in the name",
            {.name = QStringLiteral("c1") + QChar(0x81) + QStringLiteral(".txt"), .data = "evil"}, "c1\\u0081.txt",
            nullptr, {}},
        {"damaged stream over an old file",
            {.name = "damaged.txt", .data = Pattern(900), .compress = true, .uncompressedSize = 1000}, "damaged.txt",
            [&](const QString& dest) {
                WriteFile(dest + "/damaged.txt", "old");
                SetModified(dest + "/damaged.txt", 77);
            },
            {}},
        {"name not in the archive", {.name = "other.txt", .data = "fine"}, "missing.txt", nullptr,
            {"good1.txt", "dir\\good2.txt", "other.txt", "missing.txt"}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFile(outside, "outside"));
        const QString archive = write({{.name = "good1.txt", .data = "one", .timestamp = 11}, c.bad,
            {.name = "dir\\good2.txt", .data = Pattern(900), .compress = true, .timestamp = 22}});
        const QString dest = tmp.filePath(QStringLiteral("dest-%1").arg(QString::fromLatin1(c.what).replace(' ', '-')));
        ASSERT_TRUE(QDir().mkpath(dest));
        if (c.prepare)
            c.prepare(dest);

        const CliRun run = RunCli(QStringList({"extract", archive, dest}) + c.extraArguments);
        EXPECT_EQ(run.code, 1);
        ExpectErrorLines(run, c.named);
        EXPECT_EQ(ReadAll(dest + "/good1.txt"), "one");
        EXPECT_EQ(ModifiedSeconds(dest + "/good1.txt"), 11);
        EXPECT_EQ(ReadAll(dest + "/dir/good2.txt"), Pattern(900));
        EXPECT_EQ(ReadAll(outside), "outside");
        QFile::setPermissions(dest + "/locked.txt", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_NE(ReadAll(dest + "/locked.txt"), "evil");
        if (QFile::exists(dest + "/damaged.txt")) {
            EXPECT_EQ(ReadAll(dest + "/damaged.txt"), "old");
            EXPECT_EQ(ModifiedSeconds(dest + "/damaged.txt"), 77);
        }
        EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/c1") + QChar(0x81) + QStringLiteral(".txt")));
    }
}

TEST_F(CliTest, AnArchiveThatCannotBeReadExitsTwoAndWritesNothing)
{
    const std::vector<TestEntry> entries = {{.name = "a.txt", .data = "a"}, {.name = "b\\c.txt", .data = "c"}};
    write(entries, {.signature = QByteArray("RBF1.22")}, "signature.big");
    write(entries, {.fileCount = 1000}, "directory.big");
    QByteArray cut = BuildBigArchive(entries);
    cut.truncate(16 + 40); // the header and part of the directory
    ASSERT_TRUE(WriteFile(tmp.filePath("truncated.big"), cut));
    ASSERT_TRUE(QDir().mkpath(tmp.filePath("folder.big")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tmp.filePath("fifo.big")).constData(), 0600), 0);

    // What the path is, where the reader only says "File not found.".
    const QHash<QString, QString> saysWhat = {
        {"folder.big", "it is a directory"}, {"fifo.big", "it is not a regular file"}};
    for (const char* name :
        {"missing.big", "signature.big", "directory.big", "truncated.big", "folder.big", "fifo.big"}) {
        const QString archive = tmp.filePath(QString::fromLatin1(name));
        for (const QStringList& arguments : {QStringList({"list", archive}), QStringList({"list", "--json", archive}),
                 QStringList({"test", archive}), QStringList({"extract", archive, tmp.filePath("dest")})}) {
            SCOPED_TRACE(arguments.join(' ').toStdString());
            const CliRun run = RunCli(arguments);
            EXPECT_EQ(run.code, 2);
            EXPECT_EQ(run.out, "");
            ASSERT_EQ(run.errors.size(), 1);
            ExpectErrorLines(run, archive);
            if (saysWhat.contains(QLatin1String(name)))
                ExpectErrorLines(run, saysWhat.value(QLatin1String(name)));
            EXPECT_FALSE(QFileInfo::exists(tmp.filePath("dest")));
        }
    }
}

// A destination that cannot be made: nothing can be extracted (exit 2), and
// the line gives the system's reason and the path.
TEST_F(CliTest, DestinationThatCannotBeMadeExitsTwoWithTheReason)
{
    const QString archive = write(kListed);
    ASSERT_TRUE(WriteFile(tmp.filePath("plain-file"), "x"));
    struct Case {
        QString destination;
        QString reason;
    };
    const std::vector<Case> cases = {
        {tmp.filePath("plain-file"), "Not a directory"},
        {tmp.filePath("plain-file/below"), "Not a directory"},
        {tmp.filePath("plain-file/below/deeper"), "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        const CliRun run = RunCli({"extract", archive, c.destination});
        EXPECT_EQ(run.code, 2);
        ExpectErrorLines(run, c.destination);
        ExpectErrorLines(run, "cannot be created: " + c.reason);
    }
    EXPECT_EQ(ReadAll(tmp.filePath("plain-file")), "x");
}

// Output that cannot be written is a failure, not a short success.
TEST_F(CliTest, AFullStdoutExitsTwo)
{
    const QString archive = write(kListed);
    for (const QStringList& arguments :
        {QStringList({"list", archive}), QStringList({"list", "--json", archive}), QStringList({"--help"})}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(PELKORA_CLI_PATH), arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), "pelkora-cli: stdout: No space left on device\n");
    }
}

// Argument lines against exit status, stdout and stderr. "A" stands for the
// archive, "D" for a fresh destination.
TEST_F(CliTest, ArgumentLinesGiveTheirExitStatusAndOutput)
{
    const QString archive = write(kListed);
    struct Case {
        QStringList arguments;
        int code;
        QString outHas; // stdout contains (empty: stdout is empty)
        QString errHas; // stderr contains (empty: stderr is empty)
    };
    const std::vector<Case> cases = {
        // Usage errors.
        {{}, 64, "", "pelkora-cli --help"},
        {{"list"}, 64, "", "list takes ARCHIVE"},
        {{"list", "--bogus", "A"}, 64, "", "bogus"},
        {{"test", "--json", "A"}, 64, "", "json"},
        {{"test"}, 64, "", "test takes one ARCHIVE"},
        {{"test", "A", "A"}, 64, "", "test takes one ARCHIVE"},
        {{"extract", "A"}, 64, "", "extract takes"},
        {{"unpack", "A"}, 64, "", "unknown command \"unpack\""},
        {{"--version", "extra"}, 64, "", "--version takes no arguments"},
        {{"-x"}, 64, "", "unknown option \"-x\""},
        {{"-q"}, 64, "", "no command given"},
        {{"extract", "-k", "--overwrite", "A", "D"}, 64, "", "exclude each other"},
        {{"extract", "-O", "-C", "D", "A"}, 64, "", "exclude each other"},
        {{"list", "--json", "--long", "A"}, 64, "", "exclude each other"},
        {{"create", "D"}, 64, "", "create takes OUT.big and at least one DIR or FILE"},
        {{"update", "A"}, 64, "", "update takes a DIR or FILE to add, or --remove NAME"},
        {{"update", "-o", "D", "-o", "D", "A", "A"}, 64, "", "--output given more than once"},
        {{"create", "--follow", "--remove", "x", "D", "A"}, 64, "", "remove"},
        // Levels, bundled with -q; the last one counts.
        {{"create", "-q9", "D", "A"}, 0, "", ""},
        {{"create", "-0", "-5", "D", "A"}, 0, "", ""},
        // -q for every verb, before or after it; "--" ends the options.
        {{"list", "-q", "A"}, 0, "alpha.txt", ""},
        {{"-q", "list", "A"}, 0, "alpha.txt", ""},
        {{"-q", "test", "A"}, 0, "", ""},
        {{"test", "A", "--quiet"}, 0, "", ""},
        {{"-q", "extract", "A", "D"}, 0, "", ""},
        {{"list", "--", "A"}, 0, "alpha.txt", ""},
        // Short forms, also bundled.
        {{"list", "-J", "-x", "zeta.txt", "A"}, 0, "\"alpha.txt\"", ""},
        {{"extract", "-kv", "-C", "D", "A", "alpha.txt"}, 0, "alpha.txt", ""},
        {{"extract", "-qfo", "A", "D"}, 0, "", ""},
        {{"info", "-j", "A"}, 0, "\"entries\": 5", ""},
        {{"info", "-q", "A"}, 0, "entries:          5", ""},
        // Names that select nothing.
        {{"list", "A", "A"}, 1, "", "not in the archive"},
        {{"list", "A", "nothing*"}, 1, "", "\"nothing*\": not in the archive"},
        {{"extract", "-q", "A", "D", "alpha.txt", "missing.txt"}, 1, "", "\"missing.txt\": not in the archive"},
        // Help for the tool and for each verb, with examples.
        {{"--help"}, 0, "pelkora-cli info [--json] ARCHIVE", ""},
        {{"extract", "--help"}, 0, "Usage: pelkora-cli extract", ""},
        {{"extract", "-h"}, 0, "pelkora-cli extract -O game.big readme.txt | less", ""},
        {{"list", "--help"}, 0, "--json-lines", ""},
        {{"--help", "info"}, 0, "Usage: pelkora-cli info", ""},
        {{"test", "--help"}, 0, "Examples:", ""},
        {{"create", "--help"}, 0, "pelkora-cli create mod.big data/ readme.txt", ""},
        {{"update", "-h"}, 0, "--remove NAME", ""},
        {{"--help"}, 0, "pelkora-cli create [-0|-1..-9]", ""},
        {{"--version"}, 0, "pelkora-cli ", ""},
    };
    int destinations = 0;
    for (const Case& c : cases) {
        QStringList arguments = c.arguments;
        const QString dest = tmp.filePath(QStringLiteral("D%1").arg(++destinations));
        for (QString& a : arguments) {
            if (a == "A")
                a = archive;
            else if (a == "D")
                a = dest;
        }
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.code, c.code);
        if (c.outHas.isEmpty())
            EXPECT_EQ(run.out, "");
        else
            EXPECT_TRUE(run.out.contains(c.outHas)) << run.out.toStdString();
        if (c.errHas.isEmpty()) {
            EXPECT_EQ(run.errors, QStringList());
        } else {
            ExpectErrorLines(run, c.errHas);
            EXPECT_EQ(run.errors.size(), c.code == 64 ? 1 : run.errors.size());
        }
    }
}

// NAME patterns: full names, folders and globs, any letter case, "/" or "\".
TEST_F(CliTest, NamePatternsSelectFullNamesFoldersAndGlobs)
{
    const QString archive = write({
        {.name = "readme.txt", .data = "r"},
        {.name = "data\\maps\\level1.map", .data = "1"},
        {.name = "data\\maps\\level2.map", .data = "2"},
        {.name = "data\\maps\\old\\level3.map", .data = "3"},
        {.name = "data\\mapsx\\other.map", .data = "x"},
        {.name = "Sound\\Intro.WAV", .data = "w"},
        {.name = "sound\\fx\\boom.wav", .data = "b"},
    });
    struct Case {
        QStringList patterns;
        QStringList excludes;
        QStringList names; // sorted
    };
    const std::vector<Case> cases = {
        {{"README.TXT"}, {}, {"readme.txt"}},
        {{"data\\maps"}, {}, {"data\\maps\\level1.map", "data\\maps\\level2.map", "data\\maps\\old\\level3.map"}},
        {{"data/maps/"}, {}, {"data\\maps\\level1.map", "data\\maps\\level2.map", "data\\maps\\old\\level3.map"}},
        {{"*.wav"}, {}, {}},
        {{"*/*.wav"}, {}, {"Sound\\Intro.WAV"}},
        {{"**.wav"}, {}, {"Sound\\Intro.WAV", "sound\\fx\\boom.wav"}},
        {{"sound/**/*.wav"}, {}, {"Sound\\Intro.WAV", "sound\\fx\\boom.wav"}},
        {{"data/*/level?.map"}, {}, {"data\\maps\\level1.map", "data\\maps\\level2.map"}},
        {{"data/**/level[13].map"}, {}, {"data\\maps\\level1.map", "data\\maps\\old\\level3.map"}},
        {{"data/maps"}, {"*/*/old"}, {"data\\maps\\level1.map", "data\\maps\\level2.map"}},
        {{}, {"data", "**.wav"}, {"readme.txt"}},
        {{"readme.txt", "readme.txt"}, {}, {"readme.txt"}},
    };
    for (const Case& c : cases) {
        QStringList arguments = {"list", archive};
        for (const QString& e : c.excludes)
            arguments << "--exclude" << e;
        arguments << "--" << c.patterns;
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CliRun run = RunCli(arguments);
        QStringList names;
        for (const QString& line : run.out.split(u'\n', Qt::SkipEmptyParts))
            names << line.section(u'\t', 0, 0);
        names.sort();
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(run.code, c.names.isEmpty() ? 1 : 0);
    }
}

TEST_F(CliTest, ExtractDestinationsStdoutAndKeepingExistingFiles)
{
    const QByteArray text = Pattern(5000);
    const QString archive = write({
        {.name = "readme.txt", .data = "plain words", .timestamp = 100},
        {.name = "data\\packed.bin", .data = text, .compress = true, .timestamp = 200},
    });

    // -O: the bytes of the entries, in ID order, nothing else.
    QProcess process;
    process.start(QStringLiteral(PELKORA_CLI_PATH), {"extract", "-O", archive, "data/packed.bin", "README.txt"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardOutput(), "plain words" + text);
    EXPECT_EQ(process.readAllStandardError(), "");

    // -C DIR and the positional DEST write the same tree; -v names each file.
    const QString viaOption = tmp.filePath("via-option");
    const CliRun withC = RunCli({"extract", "-v", "-C", viaOption, archive});
    EXPECT_EQ(withC.code, 0);
    EXPECT_EQ(withC.out, viaOption + "/readme.txt\n" + viaOption + "/data/packed.bin\n");
    EXPECT_EQ(ReadAll(viaOption + "/data/packed.bin"), text);

    // -k keeps an existing file's bytes and time and writes the others.
    const QString dest = tmp.filePath("keep");
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(WriteFile(dest + "/readme.txt", "mine"));
    SetModified(dest + "/readme.txt", 77);
    const CliRun keep = RunCli({"extract", "-k", archive, dest});
    EXPECT_EQ(keep.code, 0);
    EXPECT_EQ(keep.errors, QStringList());
    EXPECT_EQ(ReadAll(dest + "/readme.txt"), "mine");
    EXPECT_EQ(ModifiedSeconds(dest + "/readme.txt"), 77);
    EXPECT_EQ(ReadAll(dest + "/data/packed.bin"), text);
    // -k never passes off a refusal as "kept": a name through a link to an
    // existing file outside is still refused.
    const QString outsideDir = tmp.filePath("outside-k");
    ASSERT_TRUE(QDir().mkpath(outsideDir));
    ASSERT_TRUE(WriteFile(outsideDir + "/x.txt", "outside"));
    const QString linked = tmp.filePath("keep-linked");
    ASSERT_TRUE(QDir().mkpath(linked));
    ASSERT_TRUE(QFile::link(outsideDir, linked + "/via"));
    const CliRun viaLink =
        RunCli({"extract", "-k", write({{.name = "via\\x.txt", .data = "evil"}}, {}, "via.big"), linked});
    EXPECT_EQ(viaLink.code, 1);
    ExpectErrorLines(viaLink, "via");
    EXPECT_EQ(ReadAll(outsideDir + "/x.txt"), "outside");
    // Without -k the file is replaced, as before.
    EXPECT_EQ(RunCli({"extract", "--overwrite", archive, dest}).code, 0);
    EXPECT_EQ(ReadAll(dest + "/readme.txt"), "plain words");
}

// A destination whose bytes are not valid UTF-8 is refused, never written
// under another name.
TEST_F(CliTest, ArgumentsThatDoNotDecodeAreRefused)
{
    const QString archive = write({{.name = "a.txt", .data = "a"}});
    QProcess process;
    process.setWorkingDirectory(tmp.path());
    process.start(QStringLiteral("/bin/sh"),
        {"-c", "exec \"$0\" extract \"$1\" \"$(printf 'out\\351')\"", QStringLiteral(PELKORA_CLI_PATH), archive});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 64);
    EXPECT_TRUE(process.readAllStandardError().contains("not valid in the locale's encoding"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"archive.big"}));
}

TEST_F(CliTest, JsonLinesLongListingAndInfo)
{
    const QString archive = write(kListed);
    const CliRun array = RunCli({"list", "--json", archive});
    const CliRun lines = RunCli({"list", "--json-lines", archive});
    ASSERT_EQ(lines.code, 0);
    const QJsonArray expected = QJsonDocument::fromJson(array.out.toUtf8()).array();
    const QStringList objects = lines.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(objects.size(), expected.size());
    for (qsizetype i = 0; i < objects.size(); ++i) {
        QJsonParseError error{};
        const QJsonDocument line = QJsonDocument::fromJson(objects[i].toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << objects[i].toStdString();
        EXPECT_EQ(line.object(), expected[i].toObject());
    }

    const CliRun longList = RunCli({"list", "-l", archive});
    ASSERT_EQ(longList.code, 0);
    const QStringList rows = longList.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 6);
    EXPECT_TRUE(rows[0].startsWith("Name")) << rows[0].toStdString();
    // The Size column ends at the same place on every line.
    const qsizetype sizeEnd = rows[0].indexOf("Size") + 4;
    for (const QString& row : rows)
        EXPECT_NE(row[sizeEnd - 1], u' ') << row.toStdString();
    EXPECT_TRUE(longList.out.contains("BIN File"));

    const CliRun info = RunCli({"info", "--json", archive});
    ASSERT_EQ(info.code, 0);
    const QJsonObject object = QJsonDocument::fromJson(info.out.toUtf8()).object();
    EXPECT_EQ(object["entries"].toInt(), 5);
    EXPECT_EQ(object["compressed"].toInt(), 1);
    EXPECT_EQ(object["earliest"].toString(), "1901-12-13 20:45:52");
    EXPECT_EQ(object["latest"].toString(), "2038-01-19 03:14:07");
    EXPECT_EQ(object["shared_data"].toArray().size(), 0);
}

// Names that all point at one data area promise far more bytes than the
// archive holds: extract refuses a run that cannot fit (unless forced), and
// test names the entries that share data.
TEST_F(CliTest, OutputBeyondTheFreeSpaceIsRefusedAndSharedDataReported)
{
    std::vector<TestEntry> bomb;
    for (int i = 0; i < 1000; ++i)
        bomb.push_back({.name = QStringLiteral("copy%1.bin").arg(i), .data = "x", .uncompressedSize = INT32_MAX});
    const QString archive = write(bomb, {}, "bomb.big");
    const QString dest = tmp.filePath("dest");
    const CliRun refused = RunCli({"extract", archive, dest});
    EXPECT_EQ(refused.code, 2);
    ExpectErrorLines(refused, "2147483647000 bytes");
    ExpectErrorLines(refused, "--force");
    EXPECT_TRUE(QDir(dest).isEmpty());

    // Forced, every entry fails on its own (its data is not what it promises).
    const CliRun forced = RunCli({"extract", "-q", "--force", archive, dest});
    EXPECT_EQ(forced.code, 1);
    EXPECT_EQ(forced.errors.size(), 1000);
    EXPECT_TRUE(QDir(dest).isEmpty());

    // Entries 1 and 3 point into entry 0's data; 2 stands alone.
    std::vector<TestEntry> shared = {
        {.name = "first.bin", .data = Pattern(64)},
        {.name = "first.bin", .data = Pattern(64)},
        {.name = "alone.bin", .data = Pattern(64)},
        {.name = "first.bin", .data = Pattern(64)},
    };
    const QString probe = write(shared, {}, "shared.big");
    pelkora::cBig reader;
    ASSERT_TRUE(reader.Load(probe));
    const qint64 firstArea = reader.data_offset(0) - QByteArray("first.bin").size() - 1;
    shared[1].offset = static_cast<std::int32_t>(firstArea);
    shared[3].offset = static_cast<std::int32_t>(firstArea);
    const QString overlapping = write(shared, {}, "shared2.big");
    const CliRun test = RunCli({"test", "-q", overlapping});
    EXPECT_EQ(test.code, 1);
    const QString at = QString::number(reader.data_offset(0));
    EXPECT_EQ(test.errors,
        QStringList({"pelkora-cli: " + overlapping + ": entries 0 and 1 share data at offset " + at + ".",
            "pelkora-cli: " + overlapping + ": entries 0 and 3 share data at offset " + at + "."}));
}

TEST_F(CliTest, TestReportsEntriesThatDoNotVerify)
{
    const std::vector<TestEntry> good = {
        {.name = "fine.bin", .data = Pattern(400), .compress = true},
        {.name = "dir\\plain.txt", .data = "plain"},
        {.name = "empty.dat", .data = QByteArray()},
    };
    const CliRun clean = RunCli({"test", "-q", write(good, {}, "good.big")});
    EXPECT_EQ(clean.code, 0);
    EXPECT_EQ(clean.errors, QStringList());
    EXPECT_EQ(clean.out, "");

    std::vector<TestEntry> bad = good;
    bad.push_back({.name = "short.bin", .data = Pattern(300), .compress = true, .uncompressedSize = 301});
    bad.push_back({.name = "long.txt", .data = "longer", .uncompressedSize = 2});
    bad.push_back({.name = "rehashed.txt", .data = "x", .hash = 99});
    bad.push_back({.name = "cut.bin", .data = "x", .packedSize = 1 << 20});
    const QString archive = write(bad, {}, "bad.big");
    const CliRun run = RunCli({"test", archive});
    EXPECT_EQ(run.code, 1);
    ExpectErrorLines(run, archive);
    const QString errors = run.errors.join(u'\n');
    for (const char* name : {"\"short.bin\"", "\"long.txt\"", "\"rehashed.txt\"", "\"cut.bin\""})
        EXPECT_TRUE(errors.contains(QLatin1String(name))) << name;
    for (const char* name : {"fine.bin", "plain.txt", "empty.dat"})
        EXPECT_FALSE(errors.contains(QLatin1String(name))) << name;
    EXPECT_TRUE(errors.contains("301")) << errors.toStdString();
}

namespace {

// A stream of one literal and then copies of it: `size` bytes of 'x' from
// about size / 8 stream bytes, quickly made, slow enough to write that a run
// can be caught in the middle of it.
QByteArray LongRunStream(int size)
{
    BitWriter w;
    w.put(1, 1);
    w.put('x', 8);
    for (int done = 1; done < size;) {
        const int length = std::min(17, std::max(2, size - done));
        w.put(0, 1);
        w.put(1, 12); // window position 1: the byte just before, repeated
        w.put(static_cast<unsigned>(length - 2), 4);
        done += length;
    }
    w.put(0, 13);
    return w.finish();
}

QStringList Temporaries(const QString& folder)
{
    return QDir(folder).entryList({".pelkora-*.tmp"}, QDir::Files | QDir::Hidden);
}

} // namespace

// SIGINT and SIGTERM in the middle of a file: the temporary file is removed,
// an existing file keeps its bytes, and the tool ends by the signal (130 and
// 143 in a shell). SIGKILL cannot be caught: its temporary file stays, but no
// half file has the entry's name, and a later run writes the entry whole.
TEST_F(CliTest, InterruptedRunsLeaveNoHalfFiles)
{
    constexpr int kSize = 160 << 20;
    const QString archive = write({
        {.name = "long.bin", .data = "x", .flagByte = 1, .uncompressedSize = kSize, .storedData = LongRunStream(kSize)},
    });
    for (const int signalNumber : {SIGINT, SIGTERM, SIGKILL}) {
        for (const bool existing : {false, true}) {
            SCOPED_TRACE(std::to_string(signalNumber) + (existing ? " over an old file" : " as a new file"));
            const QString dest = tmp.filePath(QStringLiteral("dest-%1-%2").arg(signalNumber).arg(existing));
            ASSERT_TRUE(QDir().mkpath(dest));
            const QString target = dest + "/long.bin";
            if (existing) {
                QFile old(target);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.write("OLD");
            }
            QProcess process;
            process.start(QStringLiteral(PELKORA_CLI_PATH), {"extract", "-q", "-C", dest, archive});
            ASSERT_TRUE(process.waitForStarted());
            QElapsedTimer waited;
            waited.start();
            while (Temporaries(dest).isEmpty() && process.state() == QProcess::Running && waited.elapsed() < 20000)
                QThread::usleep(200);
            ASSERT_FALSE(Temporaries(dest).isEmpty()) << "the write was not caught under way";
            ::kill(static_cast<pid_t>(process.processId()), signalNumber);
            ASSERT_TRUE(process.waitForFinished(60000));
            EXPECT_EQ(process.exitStatus(), QProcess::CrashExit); // ended by the signal itself
            EXPECT_EQ(ReadAll(target), existing ? QByteArray("OLD") : QByteArray("<missing>"));
            EXPECT_EQ(Temporaries(dest).size(), signalNumber == SIGKILL ? 1 : 0);

            if (signalNumber == SIGKILL) {
                const CliRun again = RunCli({"extract", "-q", "-C", dest, archive});
                EXPECT_EQ(again.code, 0) << again.errors.join(u'\n').toStdString();
                EXPECT_EQ(QFileInfo(target).size(), kSize);
            }
        }
    }
}

// Many small files written by more than one thread: a signal at any moment
// ends the run with no temporary file left in any folder.
TEST_F(CliTest, InterruptedRunsOfManyFilesLeaveNoTemporaries)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < 30000; ++i)
        entries.push_back({.name = QStringLiteral("f%1\\e%2.txt").arg(i % 30).arg(i), .data = QByteArray(64, 'e')});
    const QString archive = write(entries);
    int caught = 0;
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        for (int round = 0; round < 8; ++round) {
            SCOPED_TRACE(std::to_string(signalNumber) + " round " + std::to_string(round));
            const QString dest = tmp.filePath(QStringLiteral("many-%1-%2").arg(signalNumber).arg(round));
            ASSERT_TRUE(QDir().mkpath(dest));
            QProcess process;
            process.start(QStringLiteral(PELKORA_CLI_PATH), {"extract", "-q", "-C", dest, archive});
            ASSERT_TRUE(process.waitForStarted());
            QThread::msleep(40 + 25 * round);
            if (process.state() != QProcess::Running)
                continue; // done before the signal: nothing to check
            ::kill(static_cast<pid_t>(process.processId()), signalNumber);
            ASSERT_TRUE(process.waitForFinished(60000));
            if (process.exitStatus() != QProcess::CrashExit)
                continue; // it ended on its own just before
            ++caught;
            QStringList left;
            for (QDirIterator it(dest, {".pelkora-*.tmp"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                 it.hasNext();)
                left << it.next();
            EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
        }
    }
    EXPECT_GT(caught, 0) << "no run was caught under way";
}

// An address-space limit too small for the listing (as `ulimit -v` or a
// container sets): every verb that reads the whole directory says so and
// fails, rather than aborting. Sanitizer builds reserve far more address
// space than any such limit, so there the limit cannot be tried.
TEST_F(CliTest, MemoryLimitTooSmallForTheListingIsReportedNotAnAbort)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit";
#else
    // Half a million names need well over the 100 MB the process is given;
    // starting it takes about half of that.
    std::vector<TestEntry> entries;
    entries.reserve(500000);
    for (int i = 0; i < 500000; ++i)
        entries.push_back({.name = QStringLiteral("d%1\\e%2.bin").arg(i % 97).arg(i)});
    const QString archive = write(entries);
    for (const QStringList& arguments : {QStringList{"list", archive}, QStringList{"list", "--json", archive},
             QStringList{"extract", "-q", "-C", tmp.filePath("dest"), archive}}) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        QProcess process;
        process.setChildProcessModifier([] {
            struct rlimit limit {
                100 << 20, 100 << 20
            };
            ::setrlimit(RLIMIT_AS, &limit);
        });
        process.start(QStringLiteral(PELKORA_CLI_PATH), arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitStatus(), QProcess::NormalExit) << "aborted";
        EXPECT_EQ(process.exitCode(), 2);
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(errors, QStringLiteral("pelkora-cli: %1: out of memory.\n").arg(archive));
    }
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("dest/d0")));
#endif
}

// A file size limit with the signal's default disposition (as a shell's
// `ulimit -f` leaves it): the entry that does not fit is reported as too
// large and left out, the run goes on, and nothing half-written stays.
TEST_F(CliTest, FileSizeLimitIsReportedAndTheRunGoesOn)
{
    const QString archive = write({
        {.name = "stored.bin", .data = Pattern(256 * 1024)},
        {.name = "packed.bin", .data = Pattern(256 * 1024), .compress = true},
        {.name = "small.txt", .data = "SMALL", .timestamp = 5000},
    });
    const QString dest = tmp.filePath("dest");
    QProcess process;
    process.setChildProcessModifier([] {
        struct rlimit limit {
            64 * 1024, 64 * 1024
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);
    });
    process.start(QStringLiteral(PELKORA_CLI_PATH), {"extract", "-q", "-C", dest, archive});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit) << "killed by SIGXFSZ";
    EXPECT_EQ(process.exitCode(), 1);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    for (const char* name : {"stored.bin", "packed.bin"})
        EXPECT_TRUE(errors.contains(QStringLiteral("\"%1\"").arg(QLatin1String(name)))) << errors.toStdString();
    EXPECT_TRUE(errors.contains("File too large")) << errors.toStdString();
    EXPECT_EQ(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList{"small.txt"});
}
