#pragma once

#include "library/dbelement.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// One step of the library's history: every song the step touched, as it was
// before the step. Undoing puts them back and keeps the songs they replace in
// their stead, so that redoing is the same exchange again (see
// SongStore::exchange).
class StoreStep
{
public:
    bool isEmpty() const { return images.empty(); }
    size_t songCount() const { return images.size(); }
    // The memory the step holds, roughly, in bytes.
    size_t bytes() const;
    // Ends the recording, which the library's next change would outdate: a
    // song that ended as it began is no change. Asks goOn every thousand
    // songs or so, and stops (false) when it says no.
    bool finish(const std::function<bool()> &goOn);
    static constexpr int askEvery = 1024;

private:
    friend class SongStore;

    struct Image
    {
        std::string key;
        // Null when the library had no song under the key.
        std::unique_ptr<DBelement> record;
        // While recording: the library's song under the key, null when there
        // is none. It lets the end of the step compare without a lookup.
        const DBelement *live = nullptr;
    };

    // Keeps the song under key as it is before a change (null for none),
    // unless the step holds it already; live is the song under key after the
    // change (null when the change removes it).
    void keep(const std::string &key, const DBelement *before, const DBelement *live);
    // Forgets every song kept so far: the library they belong to is gone.
    void forget();
    // A deque never moves its elements, so the keys can be looked up by view.
    std::deque<Image> images;
    std::unordered_map<std::string_view, Image *> kept;
};
