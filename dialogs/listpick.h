#pragma once

#include <QObject>

class QComboBox;

// Reports an entry picked from a combo box's drop-down list: a click in the open list or
// Enter inside it. An editable combo box also reports "activated" when Enter is pressed on
// typed text that matches an entry, and again when it loses focus with such text; those
// are not picks and are not reported.
class ListPick : public QObject {
    Q_OBJECT
public:
    explicit ListPick(QComboBox* combo);

signals:
    void picked(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_combo;
    bool m_fromList = false;
};
