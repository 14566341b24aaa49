// Typing into the window's filter on a large archive, offscreen: each
// keystroke timed from the key to the list repainted, for a plain word typed
// letter by letter, two globs (one starting with a wildcard), and each erased
// back to nothing. Prints the median and the worst keystroke of each.
// Usage: pelkora-filter-bench [ARCHIVE] (default: 100,000 synthetic entries)

#include "SyntheticArchive.h"

#include "app/EntryFilter.h"
#include "app/ListRow.h"
#include "ui/FileGrid.h"
#include "ui/Startup.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace pelkora;

namespace {

struct Keystroke {
    QString text; // the field's text after the key
    double ms;
    int shown;
};

void report(const char* what, std::vector<Keystroke> keys)
{
    std::vector<double> times;
    for (const Keystroke& k : keys)
        times.push_back(k.ms);
    std::sort(times.begin(), times.end());
    const auto worst =
        std::max_element(keys.begin(), keys.end(), [](const Keystroke& a, const Keystroke& b) { return a.ms < b.ms; });
    std::printf("%-8s %2zu keys  median %6.2f ms  worst %6.2f ms (\"%s\", %d rows shown)\n", what, keys.size(),
        times[times.size() / 2], worst->ms, qPrintable(worst->text), worst->shown);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString archive = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (archive.isEmpty()) {
        archive = dir.filePath(QStringLiteral("filter.big"));
        const bench::SyntheticLayout layout{.entries = 100000, .folders = 1000, .meanSize = 16};
        testsupport::WriteBigArchive(archive, bench::SyntheticEntries(layout));
    }
    const std::unique_ptr<frmMain> window = Main(archive);
    window->show();
    QApplication::processEvents();
    auto* filter = window->findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    auto* grid = window->findChild<FileGrid*>(QStringLiteral("Grid1"));
    if (!filter || !grid)
        return 1;
    std::printf("%d entries\n", grid->Rows() - 1);

    // One key: a character typed, or Backspace for none.
    const auto press = [&](QChar c) {
        QElapsedTimer clock;
        clock.start();
        if (c.isNull())
            QTest::keyClick(filter, Qt::Key_Backspace);
        else
            QTest::keyClicks(filter, QString(c));
        grid->viewport()->repaint();
        QApplication::processEvents();
        return Keystroke{filter->text(), clock.nsecsElapsed() / 1e6, grid->model()->rowCount()};
    };
    const auto type = [&](const QString& text) {
        std::vector<Keystroke> keys;
        for (const QChar c : text)
            keys.push_back(press(c));
        return keys;
    };
    filter->setFocus();
    report("word", type(QStringLiteral("name01234")));
    std::vector<Keystroke> erase;
    while (!filter->text().isEmpty())
        erase.push_back(press(QChar()));
    report("glob", type(QStringLiteral("folder01*/**5.map")));
    while (!filter->text().isEmpty())
        erase.push_back(press(QChar()));
    // No plain start to rule names out before the match.
    report("glob *", type(QStringLiteral("*/*/name01*.map")));
    while (!filter->text().isEmpty())
        erase.push_back(press(QChar()));
    report("clearing", erase);

    // The matching alone, without the list's update, for the costliest texts.
    EntryFilter names;
    for (int row = 1; row < grid->Rows(); ++row) {
        const QString text = grid->gridModel().rowText(row);
        names.addEntry(CellOf(text, ColPath), CellOf(text, ColName));
    }
    for (const QString& text :
        {QStringLiteral("n"), QStringLiteral("*/*/"), QStringLiteral("*/*/name01*"), QStringLiteral("folder01*/**5")}) {
        std::vector<double> times;
        for (int i = 0; i < 9; ++i) {
            QElapsedTimer clock;
            clock.start();
            const std::size_t kept = names.matching(text).size();
            times.push_back(clock.nsecsElapsed() / 1e6);
            (void)kept;
        }
        std::sort(times.begin(), times.end());
        std::printf("matching only \"%s\": median %.2f ms\n", qPrintable(text), times[times.size() / 2]);
    }
    return 0;
}
