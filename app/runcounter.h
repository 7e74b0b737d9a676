#pragma once

#include <QByteArray>
#include <QString>

// The run counter kept in "sat.txt": every ninth start offers an update check.
namespace runcounter {

struct Step {
    bool askForUpdate = false;
    // The whole new content of the file, line end included; empty when no number can be
    // formed from what was read.
    QByteArray newContent;
};

// Where the counter of a copy running from `programFolder` lives: beside the program when it
// runs from where it was built, and in "$XDG_STATE_HOME/quillmark/" for an installed copy,
// whose folder belongs to the system (a user cannot write there, and a file root wrote there
// would outlive the package).
QString location(const QString& programFolder);

// Decides from the first line of the file (empty when missing) what this start does.
Step next(const QString& firstLine);

// Reads the first line of the file; empty when the file is missing, empty or unreadable.
QString readFirstLine(const QString& path);
// Replaces the file's content; false when it cannot be written (the old content stays).
bool write(const QString& path, const QByteArray& content);

} // namespace runcounter
