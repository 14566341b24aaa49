#include "cli/CliOutput.h"

#include "support/AnsiText.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define PELKORA_ISATTY _isatty
#define PELKORA_FILENO _fileno
#else
#include <unistd.h>
#define PELKORA_ISATTY isatty
#define PELKORA_FILENO fileno
#endif

namespace pelkora::cli {
namespace {

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

} // namespace

QString EscapeControls(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!IsControlCharacter(c))
            out += c;
        else if (c.unicode() < 0x80)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else // C1: a terminal would act on these too
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

CliOutput::CliOutput(bool quiet)
    : mQuiet(quiet)
    , mShowProgress(!quiet && PELKORA_ISATTY(PELKORA_FILENO(stderr)))
{
}

void CliOutput::Line(const QString& text)
{
    write(stdout, text + u'\n');
}

void CliOutput::Text(const QString& text)
{
    write(stdout, text);
}

void CliOutput::Bytes(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

bool CliOutput::Bytes(const char* data, std::size_t size)
{
    return std::fwrite(data, 1, size, stdout) == size;
}

void CliOutput::Summary(const QString& text)
{
    if (!mShowProgress)
        return;
    EndProgress();
    write(stderr, text + u'\n');
    std::fflush(stderr);
}

void CliOutput::Error(const QString& what, const QString& reason)
{
    EndProgress();
    std::fflush(stdout);
    write(stderr,
        QStringLiteral("pelkora-cli: ") + EscapeControls(what) + QStringLiteral(": ") + EscapeControls(reason) + u'\n');
    std::fflush(stderr);
}

void CliOutput::Progress(int done, int total, const QString& name)
{
    // A terminal redraw costs more than a small entry: ten a second is plenty.
    if (!mShowProgress || (mProgressShown && done < total && mSinceRedraw.elapsed() < 100))
        return;
    mSinceRedraw.start();
    QString line = QStringLiteral("[%1/%2] %3").arg(done).arg(total).arg(EscapeControls(name));
    if (line.size() > 78)
        line = line.first(75) + QStringLiteral("...");
    write(stderr, QStringLiteral("\r\x1b[K") + line);
    std::fflush(stderr);
    mProgressShown = true;
}

void CliOutput::EndProgress()
{
    if (!mProgressShown)
        return;
    write(stderr, QStringLiteral("\r\x1b[K"));
    std::fflush(stderr);
    mProgressShown = false;
}

PackMessage ErrorsTo(CliOutput& out)
{
    return [&out](const QString& what, const QString& reason) { out.Error(what, reason); };
}

} // namespace pelkora::cli
