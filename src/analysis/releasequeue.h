#pragma once

#include <QMap>
#include <utility>

// Results that arrive in any order and leave in the order of their positions
// 0, 1, 2, ...: a result that comes early waits for those before it.
template <typename T>
class ReleaseQueue
{
public:
    void put(int position, T value) { held.insert(position, std::move(value)); }
    // The result at the next position to release has arrived.
    bool hasNext() const { return held.contains(next); }
    int nextPosition() const { return next; }
    T takeNext()
    {
        T value = held.take(next);
        ++next;
        return value;
    }
    bool isEmpty() const { return held.isEmpty(); }
    void clear()
    {
        held.clear();
        next = 0;
    }

private:
    QMap<int, T> held;
    int next = 0;
};
