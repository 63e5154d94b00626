#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The programs' command line, read before their QApplication exists: --help
// and --version answer without a display and before the window reads or
// writes any file, and a mistyped option is refused instead of ignored.
namespace commandline {

enum class Program { Quillon, Tarvex };

// A command line that ends the program at once: what to print on standard
// output and on standard error, and the exit status.
struct Answer {
    int status = 0;
    QString out;
    QString err;
};

// The answer to the arguments after the program's name, or none when the
// program is to start. Qt's own options (-platform, -style, -session, ...)
// start it: QApplication reads them.
std::optional<Answer> answer(Program program, const QStringList& arguments);

// Reads argv, prints the answer and returns its exit status; none when the
// program is to start.
std::optional<int> handle(Program program, int argc, char** argv);

} // namespace commandline
