#pragma once

#include <QString>

// What the program starts with, taken from the raw process arguments.
struct StartupOptions {
    QString executable;  // the running program; "sat.txt" and "ic.ico" lie beside it
    QString commandLine; // the arguments after the program, joined by single spaces

    // File names are bytes: each argument is decoded so that it names the very file it named
    // on the command line, whatever its bytes. The program's path comes from
    // `applicationFilePath`, or from /proc/self/exe when Qt cannot spell it.
    static StartupOptions fromArguments(int argc, const char* const* argv,
                                        const QString& applicationFilePath);
};
