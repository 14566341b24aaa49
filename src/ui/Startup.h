#pragma once
// Start and end of the window program: `Main`, `gMainForm` and `ShutDown`.

#include "app/ErrorReport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace pelkora {

class frmMain;

// The one main window, from `Main` until `ShutDown`.
extern frmMain* gMainForm;

// The argument text: the program's arguments after its own path, joined
// with single blanks (the shell has already split and unquoted them).
QString ArgumentText(const QStringList& arguments);

// The archive path the argument text names: a file:// URI, as a file manager
// passes it for %u, becomes its local path; anything else stays as it is.
QString ArchivePathFromArgument(const QString& argumentText);

// What the caller gives the window before it loads: where its failures are
// shown and how the program ends (each left at the window's default when
// unset).
struct WindowHooks {
    ErrorReporter report;
    std::function<void()> exit;
};

// Builds the shared tables, creates, loads and shows the main window, and
// hands a non-empty argument text, whole, to its `OpenFile`. The caller owns
// the window and runs the event loop unless `ShutDown` already ran.
std::unique_ptr<frmMain> Main(const QString& argumentText, WindowHooks hooks = {});

// Ends the program: stops running loops between two entries and leaves the
// event loop through the window's exit hook.
void ShutDown();

} // namespace pelkora
