#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class SkinButton;

// "Cards Count": how many rows of cards the sheet gets. The columns box lies beyond the
// window's edge and is reached only with the keyboard. Made once and only ever hidden, so the
// choices last as long as the program; OK is the one way out.
class CardsCountDialog : public QDialog {
    Q_OBJECT
public:
    explicit CardsCountDialog(QWidget* parent = nullptr);

    // The counts the sheet is composed with, each within 1..4.
    int rows() const;
    int columns() const;

    void reject() override; // Escape does not dismiss it

signals:
    // After OK has hidden the dialog: the preview is to be shown.
    void okClicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox* rowsBox;
    QComboBox* columnsBox;
    SkinButton* okButton;
};
