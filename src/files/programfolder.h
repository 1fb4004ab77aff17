#pragma once

#include <QString>

// The per-user folder that holds orvella.ini and Orvella.log. Paths are
// joined with '/'.
QString programFolder();
// The executable's base name, the name under which the chat client knows us.
QString appName();
// "3.0.0", from the build.
QString versionText();
