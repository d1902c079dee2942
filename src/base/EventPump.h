#pragma once

// Lets pending window events run, so that long loops on the one UI thread stay responsive and
// their stop and suspend buttons can be clicked.
void letEventsRun();
