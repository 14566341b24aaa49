#pragma once
// What the tool prints: results on stdout, errors on stderr (one line each),
// and progress on stderr only when it is a terminal and -q was not given.

#include "app/PackInputs.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

namespace pelkora::cli {

class CliOutput {
public:
    explicit CliOutput(bool quiet);

    // A result line on stdout (UTF-8).
    void Line(const QString& text);
    // Raw UTF-8 text on stdout.
    void Text(const QString& text);
    // Bytes as they are on stdout (an entry's content).
    void Bytes(const QByteArray& bytes);
    // False when stdout refuses them (a closed pipe, a full disk).
    bool Bytes(const char* data, std::size_t size);
    // The closing line of a long run, on stderr when it is a terminal and
    // -q was not given.
    void Summary(const QString& text);
    // An error line on stderr: "pelkora-cli: <what>: <reason>". Control
    // characters are shown escaped so that one error stays one line.
    void Error(const QString& what, const QString& reason);
    // "[done/total] name" on one rewritten terminal line, at most about ten
    // times a second (the last entry always shows).
    void Progress(int done, int total, const QString& name);
    void EndProgress();

    bool Quiet() const { return mQuiet; }

private:
    bool mQuiet;
    bool mShowProgress;
    bool mProgressShown = false;
    QElapsedTimer mSinceRedraw;
};

// The packing steps' messages as error lines of `out`.
PackMessage ErrorsTo(CliOutput& out);

// `text` with control characters written as \xNN.
QString EscapeControls(const QString& text);

} // namespace pelkora::cli
