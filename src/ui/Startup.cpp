#include "ui/Startup.h"

#include "app/ModMain.h"
#include "lzss/UnLZSS.h"
#include "support/Crc.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QUrl>
#include <utility>

namespace pelkora {

frmMain* gMainForm = nullptr;

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

std::unique_ptr<frmMain> Main(const QString& argumentText, WindowHooks hooks)
{
    BuildCrcTable();
    InitLZSS();
    auto window = std::make_unique<frmMain>();
    if (hooks.report)
        window->setErrorReporter(std::move(hooks.report));
    if (hooks.exit)
        window->setProgramExit(std::move(hooks.exit));
    gMainForm = window.get();
    gMainForm->Form_Load();
    gMainForm->show();
    if (!argumentText.isEmpty())
        gMainForm->OpenFile(argumentText);
    return window;
}

void ShutDown()
{
    // A listing or extraction loop may be running below this call: it sees
    // the window shutting down after the current entry and returns.
    frmMain* window = std::exchange(gMainForm, nullptr);
    if (!window)
        return; // already shut down
    window->setShuttingDown();
    window->exitProgram();
}

} // namespace pelkora
