#include "dialogs/listpick.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QTimer>

ListPick::ListPick(QComboBox* combo)
    : QObject(combo)
    , m_combo(combo)
{
    // The combo box's own list filter is installed when its view is first asked for; ours,
    // installed after it, sees each event first and only notes where it came from.
    QAbstractItemView* view = combo->view();
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(combo, &QComboBox::activated, this, [this](int index) {
        if (!m_fromList)
            return;
        m_fromList = false;
        emit picked(index);
    });
}

bool ListPick::eventFilter(QObject*, QEvent* event)
{
    bool fromList = false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: fromList = true; break;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        fromList = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
        break;
    }
    default: break;
    }
    if (fromList) {
        m_fromList = true;
        // The list reports its pick while this event is handled; a mark left over (a release
        // beside the entries) must not make a later Enter in the edit box count.
        QTimer::singleShot(0, this, [this] { m_fromList = false; });
    }
    return false;
}
