#include "app/frmmain.h"

// Asking, reading and checking answers, countdowns, boxes and resuming.
void frmMain::wireTurnSteps() {}
