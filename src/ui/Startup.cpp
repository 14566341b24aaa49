#include "ui/Startup.h"

#include "app/ModMain.h"
#include "lzss/UnLZSS.h"
#include "support/Crc.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QUrl>

namespace pelkora {

frmMain* gMainForm = nullptr;

namespace {

ShutdownExit& exitSlot()
{
    static ShutdownExit exit = [] { QCoreApplication::exit(0); };
    return exit;
}

} // namespace

QString ArgumentText(const QStringList& arguments)
{
    return arguments.mid(1).join(u' ');
}

QString ArchivePathFromArgument(const QString& argumentText)
{
    if (!argumentText.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        return argumentText;
    QUrl url(argumentText);
    if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        url.setHost(QString()); // this machine, not a network share
    return url.isValid() && url.isLocalFile() ? url.toLocalFile() : argumentText;
}

std::unique_ptr<frmMain> Main(const QString& argumentText)
{
    BuildCrcTable();
    InitLZSS();
    auto window = std::make_unique<frmMain>();
    gMainForm = window.get();
    gMainForm->Form_Load();
    gMainForm->show();
    if (!argumentText.isEmpty())
        gMainForm->OpenFile(argumentText);
    return window;
}

ShutdownExit SetShutdownExit(ShutdownExit exit)
{
    ShutdownExit previous = std::move(exitSlot());
    exitSlot() = std::move(exit);
    return previous;
}

void ShutDown()
{
    // A listing or extraction loop may be running below this call: it sees
    // the window shutting down after the current entry and returns.
    if (gMainForm)
        gMainForm->setShuttingDown();
    gMainForm = nullptr;
    if (exitSlot())
        exitSlot()();
}

} // namespace pelkora
