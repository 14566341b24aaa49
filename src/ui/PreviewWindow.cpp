#include "ui/PreviewWindow.h"

#include "app/ListRow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>
#include <memory>

namespace pelkora {

// A picture scaled down (never up) to fit, keeping its proportions.
class ScaledImage : public QWidget {
public:
    explicit ScaledImage(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("imgPreview"));
    }
    void setImage(QImage image)
    {
        mImage = std::move(image);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (mImage.isNull())
            return;
        QPainter painter(this);
        const bool fits = mImage.width() <= width() && mImage.height() <= height();
        const QSize fitted = fits ? mImage.size() : mImage.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, mImage);
    }

private:
    QImage mImage;
};

namespace {
enum Page { TextPage, ImagePage };
} // namespace

PreviewWindow::PreviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , mSummary(new QLabel(this))
    , mWrap(new QCheckBox(QStringLiteral("&Wrap lines"), this))
    , mPages(new QStackedWidget(this))
    , mText(new QPlainTextEdit(this))
    , mImage(new ScaledImage(this))
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Preview"));
    mSummary->setObjectName(QStringLiteral("lblPreviewSummary"));
    mSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mWrap->setObjectName(QStringLiteral("chkWrap"));
    mText->setObjectName(QStringLiteral("txtPreview"));
    mText->setReadOnly(true);
    mText->setLineWrapMode(QPlainTextEdit::NoWrap);
    mPages->addWidget(mText);
    mPages->addWidget(mImage);

    auto* top = new QHBoxLayout;
    top->addWidget(mSummary, 1);
    top->addWidget(mWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(mPages, 1);

    connect(mWrap, &QCheckBox::toggled, this,
        [this](bool on) { mText->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap); });
    resize(640, 480);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::preview(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID,
    const QString& fullName, qint64 limit)
{
    const std::uint64_t request = ++mRequest;
    mName = fullName;
    mLoading = true;
    setWindowTitle(QStringLiteral("Preview - ") + fullName);
    mSummary->setText(fullName + QStringLiteral(": reading..."));
    mText->clear();
    mImage->setImage({});
    // The result comes back through the event loop to this window if it
    // still exists and still wants this entry.
    const QPointer<PreviewWindow> self(this);
    QThreadPool::globalInstance()->start([self, directory, ID, fullName, limit, request] {
        auto content = std::make_shared<PreviewContent>(LoadPreview(directory, ID, fullName, limit));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, request, content] {
                if (self && request == self->mRequest)
                    self->showContent(std::move(*content));
            },
            Qt::QueuedConnection);
    });
}

void PreviewWindow::showContent(PreviewContent content)
{
    mContent = std::move(content);
    mLoading = false;
    QString summary = mName + QStringLiteral(" - ") + FormatCount(mContent.entrySize) + QStringLiteral(" bytes");
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    switch (mContent.kind) {
    case PreviewKind::Image:
        summary += QStringLiteral(", %1 x %2 pixels").arg(mContent.image.width()).arg(mContent.image.height());
        mImage->setImage(mContent.image);
        mPages->setCurrentIndex(ImagePage);
        break;
    case PreviewKind::Text:
        summary += QStringLiteral(", text (") + mContent.encoding + u')';
        mText->setFont(font());
        mText->setPlainText(mContent.text);
        mPages->setCurrentIndex(TextPage);
        break;
    case PreviewKind::Hex:
        summary += mContent.readBytes > kPreviewHexLimit
            ? QStringLiteral(", the first %1 bytes in hex").arg(FormatCount(kPreviewHexLimit))
            : QStringLiteral(", in hex");
        mText->setFont(fixed);
        mText->setPlainText(mContent.text);
        mPages->setCurrentIndex(TextPage);
        break;
    case PreviewKind::Failed:
        summary += QStringLiteral(": cannot be read");
        mText->setPlainText(mContent.text);
        mPages->setCurrentIndex(TextPage);
        break;
    }
    if (mContent.partial() && mContent.kind != PreviewKind::Failed)
        summary += QStringLiteral(" (the first %1 bytes read)").arg(FormatCount(mContent.readBytes));
    mSummary->setText(summary);
    mWrap->setVisible(mContent.kind == PreviewKind::Text);
    emit shown();
}

} // namespace pelkora
