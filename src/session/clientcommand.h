#pragma once

#include <QString>

// How the host starts the chat client name as printed in a message: by its
// name where the shell finds the one beside the program (an installed
// program), else by that one's path, shell-quoted (a build tree, where
// neither is on the PATH); by its name when there is none beside it.
QString clientCommand(const QString &programFolder, const QString &name);
