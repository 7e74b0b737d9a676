#pragma once

#include <QObject>
#include <QTest>

// A window's control found by its object name, as a user finds it on screen rather than
// through the window's insides. When the window has no control of that name and type, or more
// than one, the running test fails at the caller's line naming the control, and the result is
// null. (The compiler's own builtins name the caller: the clang the sanitizer build uses has
// no std::source_location yet.)
template <typename T>
T* control(const QObject* parent, const char* name, const char* file = __builtin_FILE(),
           int line = __builtin_LINE())
{
    const QList<T*> found = parent ? parent->findChildren<T*>(name) : QList<T*>();
    if (found.size() == 1)
        return found.front();
    const QString what = QStringLiteral("%1 \"%2\" in %3")
                             .arg(T::staticMetaObject.className(), name,
                                  parent ? parent->objectName() : QStringLiteral("no window"));
    const QString message = found.isEmpty() ? QStringLiteral("no ") + what
                                            : QStringLiteral("%1 of ").arg(found.size()) + what;
    QTest::qFail(qPrintable(message), file, line);
    return nullptr;
}
