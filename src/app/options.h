#pragma once
// The program's own command-line options, all beginning with "--" (--help,
// --version, ...). The classic switches "/f...", "/p...", "/reass" are read by the
// main window instead; the two sets are split here so neither sees the other's.
//
// To add an option: append it in programOptions() (options.cpp) and read it from
// the parser in main().

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

namespace pk {

// Every option of the program, except --help and --version, which the parser adds.
QList<QCommandLineOption> programOptions();

// A parser that knows all the program's options.
void setUpParser(QCommandLineParser& parser);

struct SplitArguments {
    QStringList own;      // argument 0 and the "--" options with their values
    QStringList classic;  // argument 0 and everything else, for the main window
};

// Arguments beginning with "--" belong to the program; an option that takes a
// value given as "--name value" takes the following argument along.
SplitArguments splitArguments(const QStringList& arguments);

// The arguments ask only for text on the terminal (--help, --help-all, --version),
// so the program needs no display. Looks at argv before any QApplication exists.
bool onlyPrints(int argc, char** argv);

}  // namespace pk
