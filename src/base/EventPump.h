#pragma once

// Lets pending window events run once (a repaint before a box, a window shown before a
// dialog). Not for long work: that runs as a job on the connection (ConnectionWork::run).
void letEventsRun();
