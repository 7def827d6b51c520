#include "services/PrivateData.h"

namespace {

bool s_logged = true;

} // namespace

bool PrivateData::logged()
{
    return s_logged;
}

void PrivateData::setLogged(bool logged)
{
    s_logged = logged;
}

QString PrivateData::shown(const QString& text)
{
    return s_logged ? text : QStringLiteral("[%1 characters]").arg(text.size());
}
