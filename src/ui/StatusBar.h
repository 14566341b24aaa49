#pragma once
// `sbStatus`: the status bar with numbered panels (1-based) laid left to
// right. A panel may show one picture of `ilImages`, remembered by its key so
// the state can be read back, or a line of text (the first panel says how
// much of a filtered list is shown).

#include <QLabel>
#include <QStatusBar>
#include <vector>

namespace pelkora {

class ImageList;

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    StatusBar(const ImageList& images, QWidget* parent = nullptr);

    void addPanel(int widthTwips);
    int panelCount() const { return static_cast<int>(mPanels.size()); }

    // Panel geometry in twips, the left measured within the status bar.
    int panelWidth(int index) const;
    void setPanelWidth(int index, int twips);
    int panelLeft(int index) const;

    void setPanelPicture(int index, const QString& key);
    QString panelPicture(int index) const;
    QLabel* panelWidget(int index) const;
    // A line of text in a panel without a picture (empty for none).
    void setPanelText(int index, const QString& text);
    QString panelText(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Panel {
        QLabel* label = nullptr;
        int widthTwips = 0;
        QString pictureKey;
    };
    const Panel* panel(int index) const;
    void placePanels();

    const ImageList& mImages;
    std::vector<Panel> mPanels;
};

} // namespace pelkora
