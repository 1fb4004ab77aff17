#pragma once

#include "irc/ircsettings.h"

#include <QHash>

#include <QStringList>

#include <optional>

// The command line of orvella-irc, read into the client's settings.
struct IrcOptions
{
    IrcSettings settings;
    QString socketPath;
    bool verbose = false;

    // Nothing when the arguments are wrong (error says why) or when help or
    // the version was asked for (the text is in help, exit code 0).
    static std::optional<IrcOptions> parse(const QStringList &arguments,
                                           const QHash<QString, QString> &environment,
                                           QString *error, QString *help);
    // Overwrites the passwords given as options in the process's own
    // arguments, which other users can read (ps), once they are parsed.
    static void blankSecrets(int argc, char **argv);
};
