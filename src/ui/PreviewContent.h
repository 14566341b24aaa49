#pragma once
// What the preview window shows of an entry, worked out away from the window:
// text (UTF-8 when the bytes are valid UTF-8, else Windows-1252), a picture
// that Qt's image readers take, or else a hex view of the first 64 KB. Only
// the start of a large entry is read.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

namespace pelkora {

class BigDirectory;

enum class PreviewKind { Text, Image, Hex, Failed };

inline constexpr qint64 kPreviewReadLimit = qint64(64) << 20;
inline constexpr qint64 kPreviewHexLimit = qint64(64) << 10;

struct PreviewContent {
    PreviewKind kind = PreviewKind::Failed;
    QString text;     // the text, the hex view, or why the entry could not be read
    QString encoding; // of the text: "UTF-8" or "Windows-1252"
    QImage image;
    qint64 entrySize = 0; // the entry's unpacked size
    qint64 readBytes = 0; // how much of it was read
    bool partial() const { return readBytes < entrySize; }
};

// Chooses and builds the view of `bytes`, the start (or all) of an entry
// named `fullName` whose unpacked size is `entrySize`.
PreviewContent MakePreview(const QString& fullName, const QByteArray& bytes, qint64 entrySize);

// Reads at most `limit` bytes of entry ID from the shared directory and
// builds its view. Touches only the directory, so any thread may call it.
PreviewContent LoadPreview(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName, qint64 limit = kPreviewReadLimit);

// "00000010  41 42 ...  |AB..|", sixteen bytes a line.
QString HexView(const QByteArray& bytes);

} // namespace pelkora
