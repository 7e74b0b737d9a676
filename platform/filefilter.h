#pragma once

#include <QString>

// Turns a "Name|*.a;*.b|Other|*.c" filter into Qt's "Name (*.a *.b);;Other (*.c)". "*.*"
// becomes "*" so that files without an extension show too. A name that already ends with its
// patterns in brackets, "Name(*.a *.b)", is passed as it is.
QString qtFileFilter(const QString& pipeFilter);

inline const QString CardFilter = QStringLiteral("Card (.qmark)|*.qmark");

inline const QString ImageFilter = QStringLiteral(
    "Supported Images(*.jpg *.gif *.bmp)|*.jpg;*.gif;*.bmp|Jpeg(*.jpg)|*.jpg|Gif(*.gif)|*.gif|"
    "All Files(*.*)|*.*");
