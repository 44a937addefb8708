#include "core/GameKind.h"

int currentGame = GAME_CSS;
