#pragma once

// The busy marker of execute-and-save, in twips: once per written row the counter goes up;
// past the free width of the picture it starts again from 0, and every tenth call puts the
// marker's left edge at the counter minus the marker's width, so it creeps to the right.
struct BusyMarkerMotion {
    int counter = 0;
    int left = 0;

    void advance(int pictureWidth, int counterWidth, int markerWidth)
    {
        ++counter;
        if (pictureWidth - counterWidth < left)
            counter = 0;
        if (counter % 10 == 0)
            left = counter - markerWidth;
    }
};
