#include "app/frmmain.h"

// Loading the words, opening the game, registrations and draws.
void frmMain::wireRoundSteps() {}
