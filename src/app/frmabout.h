#pragma once

class QWidget;

// The About window: the program's name and version.
QWidget *createAboutWindow();
