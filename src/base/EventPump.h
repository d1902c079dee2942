#pragma once

#include <functional>

// Lets pending window events run once (a repaint before a box, a window shown before a
// dialog). Not for long work: that goes through runWhileEventsRun.
void letEventsRun();

// The one place where the window's events run during long work: work runs on a worker thread
// while this thread keeps painting and taking input (the stop button), and the call returns
// when work has ended. Work must not touch widgets. Without a GUI application (plain programs,
// benchmarks) or off the GUI thread, work runs here directly.
void runWhileEventsRun(const std::function<void()>& work);
