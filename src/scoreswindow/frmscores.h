#pragma once

#include <QString>

class HostDialogs;
class QWidget;
class ScoreStore;

// The Scores window: the players' table with its period, search, export and
// merges, and the past games with each one's report. store is null when
// there is no store; whyEmpty then says why, and the window says it too.
QWidget *createScoresWindow(ScoreStore *store, HostDialogs &dialogs, const QString &whyEmpty);
