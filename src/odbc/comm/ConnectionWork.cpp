#include "odbc/comm/ConnectionWork.h"

void ConnectionWork::setOpen(bool open)
{
    if (open_ == open)
        return;
    open_ = open;
    emit changed();
}

void ConnectionWork::setCursorHeld(bool held)
{
    if (cursorHeld_ == held)
        return;
    cursorHeld_ = held;
    emit changed();
}

ConnectionWork::Scope::Scope(ConnectionWork& work, Kind kind) : work_(work)
{
    if (work_.depth_++ == 0) {
        work_.kind_ = kind;
        emit work_.changed();
    }
}

ConnectionWork::Scope::~Scope()
{
    if (--work_.depth_ == 0) {
        work_.kind_ = Kind::None;
        emit work_.changed();
    }
}
