#include "services/MessageBoxes.h"

#include "services/ProcessState.h"
#include "services/Trace.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

MessageBoxes::Handler& installedHandler()
{
    static MessageBoxes::Handler handler;
    return handler;
}

QString answerText(MessageBoxes::Answer answer)
{
    switch (answer) {
    case MessageBoxes::Answer::Yes:
        return QStringLiteral("Yes");
    case MessageBoxes::Answer::No:
        return QStringLiteral("No");
    case MessageBoxes::Answer::Ok:
        break;
    }
    return QStringLiteral("OK");
}

} // namespace

MessageBoxes::Answer MessageBoxes::show(const Request& request)
{
    if (const Handler& handler = installedHandler())
        return handler(request);
    if (unattended()) {
        Trace::write(unattendedLogLine(request), Trace::WarningSeverity);
        return request.defaultAnswer;
    }
    return showDialog(request);
}

void MessageBoxes::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

bool MessageBoxes::unattended()
{
    if (ProcessState::instance().startedByAutomation)
        return true;
    const QString platform = QGuiApplication::platformName();
    return !qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || platform == u"offscreen"
           || platform == u"minimal";
}

QString MessageBoxes::unattendedLogLine(const Request& request)
{
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return QStringLiteral("MESSAGE: ") + text + QStringLiteral(" --> ") + answerText(request.defaultAnswer)
           + QStringLiteral(" (nobody to answer)");
}

MessageBoxes::Answer MessageBoxes::showDialog(const Request& request)
{
    QMessageBox box;
    box.setWindowTitle(request.title);
    box.setText(request.text);
    if (request.buttons == Buttons::YesNo) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultAnswer == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setIcon(QMessageBox::Information);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}
