#pragma once

#include <QObject>
#include <QTest>

#include <source_location>

// A window's control found by its object name, as a user finds it on screen rather than
// through the window's insides. When the window has no control of that name and type, or more
// than one, the running test fails at the caller's line naming the control, and the result is
// null.
template <typename T>
T* control(const QObject* parent, const char* name,
           std::source_location where = std::source_location::current())
{
    const QList<T*> found = parent ? parent->findChildren<T*>(name) : QList<T*>();
    if (found.size() == 1)
        return found.front();
    const QString what = QStringLiteral("%1 \"%2\" in %3")
                             .arg(T::staticMetaObject.className(), name,
                                  parent ? parent->objectName() : QStringLiteral("no window"));
    const QString message = found.isEmpty() ? QStringLiteral("no ") + what
                                            : QStringLiteral("%1 of ").arg(found.size()) + what;
    QTest::qFail(qPrintable(message), where.file_name(), int(where.line()));
    return nullptr;
}
