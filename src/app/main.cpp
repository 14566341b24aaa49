// The window program. `Main` does the start-up; the event loop runs until
// the main window closes.
#include "app/ModMain.h"
#include "ui/ErrorBox.h"
#include "ui/Startup.h"
#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    pelkora::InstallErrorBoxReport();
    const auto window = pelkora::Main(pelkora::ArgumentText(QCoreApplication::arguments()));
    // In a run, the first failure's box offers to gather the rest.
    window->setRunFailurePrompt([w = window.get()](const QString& title, const QString& text) {
        return pelkora::frmMain::ShowRunFailureBox(w, title, text);
    });
    // Closed while the command-line archive was still being listed.
    if (pelkora::ShutdownRequested())
        return 0;
    return app.exec();
}
