#pragma once

#include <QString>

#include <cstdio>

namespace Corvane::Admin {

// Prints the publish page's status texts, each new one on its own line. The
// zip step reports its progress by adding a dot to the status for every 5%;
// on a terminal those steps redraw one line below it as a progress bar:
//   Creating the archive
//     [#########-----------]  45%
// Elsewhere (a pipe, a file, a log) every status stays a line of its own.
class StatusPrinter final
{
public:
    StatusPrinter(std::FILE *out, bool terminal);
    ~StatusPrinter();
    StatusPrinter(const StatusPrinter &) = delete;
    StatusPrinter &operator=(const StatusPrinter &) = delete;

    void print(const QString &status);
    // Ends a bar's line still open, leaving the bar where the step left it;
    // called by the destructor too.
    void finish();

    // Whether `stream` writes to a terminal.
    static bool isTerminal(std::FILE *stream);
    // The bar for `percent` (clamped to 0..100): 20 cells, one per 5%.
    static QString bar(int percent);

private:
    void write(const QString &text);

    std::FILE *m_out;
    bool m_terminal;
    QString m_last;         // the last status text printed
    QString m_progressBase; // the status the dots are added to, while drawing a bar
};

} // namespace Corvane::Admin
