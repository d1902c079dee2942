#pragma once

#include <QObject>

// What the one connection is doing, known in one place: whether it is open, whether work is
// running on it, and whether a result cursor is held (a fill in progress or suspended). The
// main window derives every command's enabled state from it; changed() tells it when to.
class ConnectionWork : public QObject {
    Q_OBJECT

public:
    enum class Kind { None, Execute, Fetch, Catalog, Columns, Transfer };

    explicit ConnectionWork(QObject* parent = nullptr) : QObject(parent) {}

    bool open() const { return open_; }
    // Work is running on the connection: commands that would use or change it must wait.
    bool busy() const { return depth_ > 0; }
    // The outermost work running (None when idle).
    Kind kind() const { return kind_; }
    bool cursorHeld() const { return cursorHeld_; }

    void setOpen(bool open);
    void setCursorHeld(bool held);

    // Marks work on the connection for its lifetime. Scopes nest; the outermost names the work.
    class Scope {
    public:
        Scope(ConnectionWork& work, Kind kind);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ConnectionWork& work_;
    };

signals:
    void changed();

private:
    bool open_ = false;
    bool cursorHeld_ = false;
    int depth_ = 0;
    Kind kind_ = Kind::None;
};
