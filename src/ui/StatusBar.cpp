#include "ui/StatusBar.h"

#include "ui/ImageList.h"
#include "ui/Twips.h"

namespace pelkora {

namespace {
// Room before each panel, so the sunken frames stand apart.
constexpr int kPanelGapTwips = 30;
} // namespace

StatusBar::StatusBar(const ImageList& images, QWidget* parent)
    : QStatusBar(parent)
    , mImages(images)
{
}

void StatusBar::addPanel(int widthTwips)
{
    Panel p;
    p.label = new QLabel(this);
    p.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p.label->setAlignment(Qt::AlignCenter);
    p.label->show();
    p.widthTwips = widthTwips;
    mPanels.push_back(p);
    placePanels();
}

const StatusBar::Panel* StatusBar::panel(int index) const
{
    if (index < 1 || index > panelCount())
        return nullptr;
    return &mPanels[static_cast<std::size_t>(index - 1)];
}

int StatusBar::panelWidth(int index) const
{
    const Panel* p = panel(index);
    return p ? p->widthTwips : 0;
}

void StatusBar::setPanelWidth(int index, int twips)
{
    if (!panel(index) || twips < 0)
        return;
    mPanels[static_cast<std::size_t>(index - 1)].widthTwips = twips;
    placePanels();
}

int StatusBar::panelLeft(int index) const
{
    int left = 0;
    for (int i = 1; i <= panelCount(); ++i) {
        left += kPanelGapTwips;
        if (i == index)
            return left;
        left += panelWidth(i);
    }
    return 0;
}

void StatusBar::setPanelPicture(int index, const QString& key)
{
    if (!panel(index))
        return;
    Panel& p = mPanels[static_cast<std::size_t>(index - 1)];
    p.pictureKey = key;
    p.label->setPixmap(mImages.picture(key));
}

QString StatusBar::panelPicture(int index) const
{
    const Panel* p = panel(index);
    return p ? p->pictureKey : QString();
}

QLabel* StatusBar::panelWidget(int index) const
{
    const Panel* p = panel(index);
    return p ? p->label : nullptr;
}

void StatusBar::setPanelText(int index, const QString& text)
{
    if (QLabel* label = panelWidget(index)) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setIndent(4);
        label->setText(text);
    }
}

QString StatusBar::panelText(int index) const
{
    const QLabel* label = panelWidget(index);
    return label ? label->text() : QString();
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    placePanels();
}

void StatusBar::placePanels()
{
    for (int i = 1; i <= panelCount(); ++i) {
        QLabel* label = mPanels[static_cast<std::size_t>(i - 1)].label;
        label->setGeometry(TwipsToPixels(panelLeft(i)), 1, TwipsToPixels(panelWidth(i)), std::max(height() - 2, 0));
    }
}

} // namespace pelkora
