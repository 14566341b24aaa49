#include "ui/PreviewContent.h"

#include "app/EntryStream.h"
#include "archive/BigDirectory.h"
#include "archive/BigRuntimeError.h"
#include "support/AnsiText.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QStringDecoder>

#include <algorithm>

namespace pelkora {

namespace {

// Text has no NUL bytes and few controls besides line breaks and tabs,
// judged on its first 64 KB.
bool looksLikeText(const QByteArray& bytes)
{
    const qsizetype sample = std::min<qsizetype>(bytes.size(), kPreviewHexLimit);
    qsizetype controls = 0;
    for (qsizetype i = 0; i < sample; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0)
            return false;
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1A)
            ++controls;
    }
    return controls * 100 <= sample;
}

// A picture only from a complete entry. Formats without a signature (TGA)
// are only tried for a name with their suffix, so that other data is never
// taken for one.
QImage readImage(const QString& fullName, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray suffix = QFileInfo(QString(fullName).replace(u'\\', u'/')).suffix().toLower().toLatin1();
    // The name's suffix first: a signature can look like another format's
    // (a TGA header reads as an icon's).
    QList<QByteArray> formats;
    if (QImageReader::supportedImageFormats().contains(suffix))
        formats << suffix;
    const QByteArray detected = QImageReader::imageFormat(&buffer);
    if (!detected.isEmpty() && detected != "tga" && detected != suffix)
        formats << detected;
    for (const QByteArray& format : formats) {
        buffer.seek(0);
        QImageReader reader(&buffer, format);
        QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    return {};
}

} // namespace

QString HexView(const QByteArray& bytes)
{
    QString view;
    const qsizetype size = std::min<qsizetype>(bytes.size(), kPreviewHexLimit);
    view.reserve(size / 16 * 78 + 78);
    for (qsizetype line = 0; line < size; line += 16) {
        view += QStringLiteral("%1  ").arg(line, 8, 16, QLatin1Char('0'));
        QString shown;
        for (qsizetype i = line; i < line + 16; ++i) {
            if (i < size) {
                const auto b = static_cast<unsigned char>(bytes[i]);
                view += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0'));
                shown += b >= 0x20 && b < 0x7F ? QChar(b) : QChar(u'.');
            } else {
                view += QStringLiteral("   ");
            }
            if (i == line + 7)
                view += u' ';
        }
        view += QStringLiteral(" |") + shown + QStringLiteral("|\n");
    }
    return view;
}

PreviewContent MakePreview(const QString& fullName, const QByteArray& bytes, qint64 entrySize)
{
    PreviewContent content;
    content.entrySize = entrySize;
    content.readBytes = bytes.size();
    if (!content.partial()) {
        content.image = readImage(fullName, bytes);
        if (!content.image.isNull()) {
            content.kind = PreviewKind::Image;
            return content;
        }
    }
    if (looksLikeText(bytes)) {
        // A cut at the read limit may split the last character; a complete
        // entry must end on a whole one.
        QStringDecoder utf8(QStringConverter::Utf8,
            content.partial() ? QStringConverter::Flag::Default : QStringConverter::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError()) {
            content.text = std::move(text);
            content.encoding = QStringLiteral("UTF-8");
        } else {
            content.text = FromAnsi(bytes);
            content.encoding = QStringLiteral("Windows-1252");
        }
        content.kind = PreviewKind::Text;
        return content;
    }
    content.kind = PreviewKind::Hex;
    content.text = HexView(bytes);
    return content;
}

PreviewContent LoadPreview(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName, qint64 limit)
{
    PreviewContent failed;
    if (!directory) {
        failed.text = QStringLiteral("No archive is open.");
        return failed;
    }
    try {
        const EntrySource source = EntrySourceOf(*directory, ID);
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(std::min(source.unpacked, limit)));
        const StreamResult result = StreamEntry(
            *directory, source,
            [&bytes, limit](const char* data, std::size_t size) {
                const qsizetype room = static_cast<qsizetype>(limit) - bytes.size();
                bytes.append(data, std::min<qsizetype>(room, static_cast<qsizetype>(size)));
                return bytes.size() < limit;
            },
            true);
        if (result.end == StreamEnd::ReadFailed && result.readError) {
            failed.text = result.readError->description();
            return failed;
        }
        return MakePreview(fullName, bytes, source.unpacked);
    } catch (const BigRuntimeError& e) {
        failed.text = e.description();
    } catch (const std::bad_alloc&) {
        failed.text = QStringLiteral("Out of memory reading \"%1\".").arg(fullName);
    }
    return failed;
}

} // namespace pelkora
