#include "statusprinter.h"

#include <algorithm>

#include <unistd.h>

namespace Corvane::Admin {

namespace {

constexpr int kCells = 20;
constexpr int kPercentPerDot = 5;

// The number of dots `status` adds to `previous`, or 0 when it is not
// `previous` followed by dots only.
qsizetype addedDots(const QString &previous, const QString &status)
{
    if (previous.isEmpty() || status.size() <= previous.size() || !status.startsWith(previous))
        return 0;
    for (qsizetype i = previous.size(); i < status.size(); ++i) {
        if (status.at(i) != QLatin1Char('.'))
            return 0;
    }
    return status.size() - previous.size();
}

} // namespace

StatusPrinter::StatusPrinter(std::FILE *out, bool terminal)
    : m_out(out)
    , m_terminal(terminal)
{
}

StatusPrinter::~StatusPrinter()
{
    finish();
}

bool StatusPrinter::isTerminal(std::FILE *stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

QString StatusPrinter::bar(int percent)
{
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * kCells / 100;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(kCells - filled, QLatin1Char('-')) + QLatin1Char(']') +
           QStringLiteral("%1%").arg(percent, 4);
}

void StatusPrinter::print(const QString &status)
{
    if (m_terminal) {
        const QString base = m_progressBase.isEmpty() ? m_last : m_progressBase;
        const qsizetype dots = addedDots(base, status);
        if (dots > 0) {
            // The bar goes on the line below its status and is redrawn in place.
            m_progressBase = base;
            m_last = status;
            write(QStringLiteral("\r  ") + bar(int(dots) * kPercentPerDot));
            return;
        }
        finish();
    }
    m_last = status;
    write(status + QLatin1Char('\n'));
}

void StatusPrinter::finish()
{
    if (m_progressBase.isEmpty())
        return;
    write(QStringLiteral("\n"));
    m_progressBase.clear();
}

void StatusPrinter::write(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), m_out);
    std::fflush(m_out);
}

} // namespace Corvane::Admin
