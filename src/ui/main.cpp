// The window program. `Main` does the start-up; the event loop runs until
// the main window closes.
#include "app/ErrorReport.h"
#include "app/ModMain.h"
#include "support/Interruption.h"
#include "support/Paths.h"
#include "ui/ErrorBox.h"
#include "ui/Startup.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QGuiApplication>

int main(int argc, char** argv)
{
    // SIGINT and SIGTERM (a logout) let a file being written be removed
    // first; a write past the file size limit is reported, not fatal.
    pelkora::InstallInterruptionHandlers();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("pelkora"));
    // A path in another encoding than UTF-8 would turn into another name and
    // be reported as missing: say what is wrong instead.
    const int undecodable = pelkora::UndecodableArgument(argc, argv);
    const auto window = pelkora::Main(undecodable
            ? QString()
            : pelkora::ArchivePathFromArgument(pelkora::ArgumentText(QCoreApplication::arguments())));
    if (undecodable)
        pelkora::ShowErrorReport(&pelkora::ShowErrorBox,
            QStringLiteral("The path \"%1\" is not valid UTF-8, so it cannot be opened. Rename the "
                           "file or a folder above it.")
                .arg(QString::fromLocal8Bit(argv[undecodable])));
    // In a run, the first failure's box offers to gather the rest.
    window->setRunFailurePrompt([w = window.get()](const QString& title, const QString& text) {
        return pelkora::frmMain::ShowRunFailureBox(w, title, text);
    });
    // Closed while the command-line archive was still being listed.
    if (window->shuttingDown())
        return 0;
    return app.exec();
}
