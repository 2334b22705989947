#include "messageboxstyle.h"

#include "platform/runtimeerror.h"

#include "host/api/application.h"

namespace Corvane::Host::MessageBoxStyle {

namespace {

// Button codes of the platform beyond the two that the header names.
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int RetryCancel = 5;

// Icon codes beyond question (32) and exclamation (48).
constexpr int Critical = 16;
constexpr int Information = 64;

constexpr int AnswerAbort = 3;
constexpr int AnswerRetry = 4;
constexpr int AnswerIgnore = 5;

} // namespace

QList<Button> buttons(int style)
{
    using MB = QMessageBox;
    namespace Code = MessageBoxCode;
    switch (style & Code::ButtonMask) {
    case Code::OkOnly:
        return {{MB::Ok, Code::AnswerOk}};
    case OkCancel:
        return {{MB::Ok, Code::AnswerOk}, {MB::Cancel, Code::AnswerCancel}};
    case AbortRetryIgnore:
        return {{MB::Abort, AnswerAbort}, {MB::Retry, AnswerRetry}, {MB::Ignore, AnswerIgnore}};
    case YesNoCancel:
        return {
            {MB::Yes, Code::AnswerYes}, {MB::No, Code::AnswerNo}, {MB::Cancel, Code::AnswerCancel}};
    case Code::YesNo:
        return {{MB::Yes, Code::AnswerYes}, {MB::No, Code::AnswerNo}};
    case RetryCancel:
        return {{MB::Retry, AnswerRetry}, {MB::Cancel, Code::AnswerCancel}};
    default:
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall,
                             QStringLiteral("MessageBox"),
                             QStringLiteral("the button code %1 of the style %2 is unknown (0 OK, "
                                            "1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No ...)")
                                 .arg(style & Code::ButtonMask)
                                 .arg(style));
    }
}

int defaultIndex(int style)
{
    const int index = (style & MessageBoxCode::DefaultButtonMask) >> 8;
    return index < buttons(style).size() ? index : 0;
}

int defaultAnswer(int style)
{
    return buttons(style).at(defaultIndex(style)).answer;
}

QMessageBox::Icon icon(int style)
{
    switch (style & MessageBoxCode::IconMask) {
    case Critical:
        return QMessageBox::Critical;
    case MessageBoxCode::Question:
        return QMessageBox::Question;
    case MessageBoxCode::Exclamation:
        return QMessageBox::Warning;
    case Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

bool isWarning(int style)
{
    const QMessageBox::Icon kind = icon(style);
    return kind == QMessageBox::Warning || kind == QMessageBox::Critical;
}

QString answerText(int answer)
{
    switch (answer) {
    case MessageBoxCode::AnswerOk:
        return QStringLiteral("OK");
    case MessageBoxCode::AnswerCancel:
        return QStringLiteral("Cancel");
    case AnswerAbort:
        return QStringLiteral("Abort");
    case AnswerRetry:
        return QStringLiteral("Retry");
    case AnswerIgnore:
        return QStringLiteral("Ignore");
    case MessageBoxCode::AnswerYes:
        return QStringLiteral("Yes");
    case MessageBoxCode::AnswerNo:
        return QStringLiteral("No");
    default:
        return QString::number(answer);
    }
}

} // namespace Corvane::Host::MessageBoxStyle
