#include "library/storestep.h"

size_t StoreStep::bytes() const
{
    size_t total = sizeof(StoreStep);
    for (const Image &image : images) {
        total += sizeof(Image);
        // A key longer than the string's own room lives on the heap.
        if (image.key.capacity() > std::string().capacity())
            total += image.key.capacity() + 1;
        if (image.record)
            total += sizeof(DBelement);
    }
    return total;
}

void StoreStep::keep(const std::string &key, const DBelement *before, const DBelement *live)
{
    const auto found = kept.find(key);
    if (found != kept.end()) {
        found->second->live = live;
        return;
    }
    images.push_back({key, before ? std::make_unique<DBelement>(*before) : nullptr, live});
    kept.emplace(images.back().key, &images.back());
}

void StoreStep::forget()
{
    kept.clear();
    images.clear();
}

bool StoreStep::finish(const std::function<bool()> &goOn)
{
    const auto unchanged = [](const Image &image) {
        if (!image.live)
            return !image.record;
        return image.record && image.record->isShown() == image.live->isShown()
            && image.record->sameValues(*image.live);
    };
    std::deque<Image> changed;
    int sinceAsked = 0;
    for (Image &image : images) {
        if (++sinceAsked == askEvery) {
            sinceAsked = 0;
            if (!goOn())
                return false;
        }
        // Emptied as it goes: freed all at once, a large one holds the window.
        kept.erase(image.key);
        if (unchanged(image)) {
            image.record.reset();
            continue;
        }
        image.live = nullptr;
        changed.push_back(std::move(image));
    }
    images = std::move(changed);
    return true;
}
