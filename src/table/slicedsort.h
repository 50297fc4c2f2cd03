#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

// A stable merge sort done a slice at a time, so that putting a whole large
// table in order never holds the event loop for long: runs of a few
// thousand items are sorted first, then merged pairwise, pass after pass.
// The items and what the order reads must not change while it runs.
template <typename Item>
class SlicedSort
{
public:
    using Less = std::function<bool(const Item &, const Item &)>;

    void start(std::vector<Item> items, Less less)
    {
        current = std::move(items);
        spare.assign(current.size(), Item());
        order = std::move(less);
        width = 0;
        position = 0;
        active = true;
    }
    bool running() const { return active; }
    void cancel()
    {
        active = false;
        current.clear();
        spare.clear();
    }

    // Works for about budgetMs; true once the items are in order.
    bool advance(qint64 budgetMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (active && clock.elapsed() < budgetMs) {
            if (width == 0) {
                const size_t end = std::min(current.size(), position + runLength);
                std::stable_sort(current.begin() + position, current.begin() + end, order);
                position = end;
                if (position == current.size())
                    nextPass(runLength);
                continue;
            }
            if (width >= current.size()) {
                active = false;
                return true;
            }
            const size_t middle = std::min(current.size(), position + width);
            const size_t end = std::min(current.size(), position + 2 * width);
            std::merge(current.begin() + position, current.begin() + middle, current.begin() + middle,
                       current.begin() + end, spare.begin() + position, order);
            position = end;
            if (position == current.size()) {
                current.swap(spare);
                nextPass(width * 2);
            }
        }
        if (active && width >= current.size())
            active = false;
        return !active;
    }
    std::vector<Item> take()
    {
        spare.clear();
        return std::move(current);
    }

private:
    static constexpr size_t runLength = 2048;

    void nextPass(size_t newWidth)
    {
        width = newWidth;
        position = 0;
    }

    std::vector<Item> current;
    std::vector<Item> spare;
    Less order;
    size_t width = 0; // 0 while the first runs are being sorted
    size_t position = 0;
    bool active = false;
};
