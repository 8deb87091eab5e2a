#pragma once
// Whether anybody can see what the process shows. A service in session 0, or a process started
// on a window station of its own, has a window station without WSF_VISIBLE: a window or message
// box there is never seen, and a modal one is never closed.

// True when the process's window station is interactive (also when it cannot be asked: a
// window station that cannot be asked is taken as Windows' usual, interactive one).
bool WindowStationIsInteractive();
