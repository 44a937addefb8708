#pragma once

// The kinds of game the plug-in knows; the load accepts only
// Counter-Strike: Source. Locks and messages that differ between games ask
// currentGame.
constexpr int GAME_CSS = 0;

// The game kind found at load (GAME_CSS).
extern int currentGame;
