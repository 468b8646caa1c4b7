#pragma once

#include <QObject>

// The write side of a plain property: stores the value and emits the notify signal only when
// the value changes. Returns whether it changed.
template <typename Owner, typename T, typename V>
bool assignNotify(Owner *owner, T &member, const V &value, void (Owner::*changed)())
{
    if (member == value)
        return false;
    member = value;
    emit(owner->*changed)();
    return true;
}
