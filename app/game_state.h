// The whole game state back to its start: every subsystem's own reset in one place, used by the
// quit path and by the tests.
#pragma once

// Frees what the quit path frees, in its order (database tables and fonts, pixel shader,
// capture resources, characters), then puts every other piece of game state back to its start
// values. Music and sound output stay: their shutdowns end them with the window.
void resetGameState();
