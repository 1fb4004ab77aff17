#include "demo/demodialogs.h"

void DemoDialogs::message(const QString &text, const QString &title)
{
    if (tell)
        tell(QStringLiteral("[%1] %2").arg(title, text));
}

HostDialogs::Answer DemoDialogs::ask(const QString &text, const QString &title, bool withCancel)
{
    const QString did = QStringLiteral("Did ");
    const QString inTime = QStringLiteral(" respond in time??");
    Answer a = withCancel ? Answer::Cancel : Answer::No;
    if (text.startsWith(did) && text.endsWith(inTime) && answeredInTime &&
        answeredInTime(text.mid(did.size()).chopped(inTime.size())))
        a = Answer::Yes;
    if (tell)
        tell(QStringLiteral("[%1] %2 %3").arg(title, text, a == Answer::Yes ? u"Yes" : u"No"));
    return a;
}
