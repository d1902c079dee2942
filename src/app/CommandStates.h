#pragma once

#include <QString>

#include <utility>
#include <vector>

// What the enabled state of the main window's commands depends on.
struct CommandInputs {
    bool open = false;         // the connection is open
    bool busy = false;         // work is running on it (a run, a fetch, a catalog read, ...)
    bool canReconnect = false; // a connection was made before and can be made again
    bool canUndo = false;      // the last statement's savepoint still lives
    bool restOpen = false;     // the grid's result goes on in its open cursor
    bool edits = false;        // the grid holds edits not applied yet
};

// The enabled state of every command that depends on the connection, by command name (menu
// item or toolbar action), and the pressed state of the two connection keys. Exit and the
// commands that do not touch the connection are always available and not listed.
struct CommandStates {
    std::vector<std::pair<QString, bool>> enabled;
    bool treeEnabled = true;
    // The run commands of windows other than the main window (the history window's).
    bool runEnabled = false;
    bool connectPressed = false;
    bool disconPressed = true;
};

CommandStates deriveCommandStates(const CommandInputs& in);
