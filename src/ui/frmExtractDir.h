#pragma once
// The modal "Extract To" dialog: a drive list and a folder list.

#include <QDialog>
#include <QString>

namespace pelkora {

class frmExtractDir : public QDialog {
    Q_OBJECT
public:
    explicit frmExtractDir(QWidget* parent = nullptr);

    // Shows the dialog modally; true when the user confirmed a folder with OK.
    bool Display(int aType);
    // The confirmed folder followed by the native separator.
    QString Dir() const;

private:
    QString mChosenDir;
    bool mConfirmed = false;
};

} // namespace pelkora
