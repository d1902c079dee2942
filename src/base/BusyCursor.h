#pragma once

// Shows the busy (hourglass) pointer for its lifetime, also when the guarded work fails.
// Inside a guard that shows it already, a guard changes nothing; guards end in the reverse
// order of their start (scopes), so the outer one restores the pointer.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool active_ = false;
};
