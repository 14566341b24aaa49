#pragma once
// `frmPreview`: a window beside the list showing one entry (see
// PreviewContent.h). The entry is read and decoded on a pool thread from the
// archive's shared directory, so the list stays usable meanwhile; asking for
// another entry before the first is ready drops the first.

#include "ui/PreviewContent.h"

#include <QWidget>
#include <cstdint>
#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;

namespace pelkora {

class ScaledImage;

class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // Shows entry ID, named `fullName`, once it is read; `limit` bounds how
    // much of it is read.
    void preview(const std::shared_ptr<const BigDirectory>& directory, std::int32_t ID, const QString& fullName,
        qint64 limit = kPreviewReadLimit);

    bool loading() const { return mLoading; }
    const QString& entryName() const { return mName; }
    const PreviewContent& content() const { return mContent; }

signals:
    // The entry asked for last is shown.
    void shown();

private:
    void showContent(PreviewContent content);

    QLabel* mSummary;
    QCheckBox* mWrap;
    QStackedWidget* mPages;
    QPlainTextEdit* mText;
    ScaledImage* mImage;
    QString mName;
    PreviewContent mContent;
    std::uint64_t mRequest = 0; // the latest request; older results are dropped
    bool mLoading = false;
};

} // namespace pelkora
