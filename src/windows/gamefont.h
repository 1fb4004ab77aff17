#pragma once

#include <QFont>

// The windows' font: the chat world's when it is installed, the platform's
// otherwise, always bold. A point size of -1 keeps the default size.
QFont gameFont(int pointSize = -1);
