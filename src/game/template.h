#pragma once

#include <QString>

// The announcement after a check: the first "%player%" (in any letter case)
// becomes name, then the first "%word%" (lower case only) of the result
// becomes response. Further placeholders stay as they are.
QString FillTemplate(const QString &templ, const QString &name, const QString &response);
