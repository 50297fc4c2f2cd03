// Writes an iTunes library file of the given number of tracks, laid out as
// iTunes writes it: about 25 keys a track, a BPM on some, a few videos and
// protected tracks, a master playlist naming every track and smaller
// playlists, and the Music Folder at the end.
//
// usage: generate_itunes_library <tracks> <output file>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const char *const words[] = {"Night",   "Blue",  "River",  "Dance",  "Fire",   "Heart", "Road",
                             "Light",   "Stone", "Rain",   "Golden", "Summer", "Dream", "Electric",
                             "Shadow",  "Wild",  "Silver", "Echo",   "Ocean",  "City",  "Love",
                             "Morning", "Storm", "Velvet", "Paper",  "Ghost",  "Sugar", "Neon"};
constexpr int wordCount = sizeof(words) / sizeof(words[0]);
const char *const genres[] = {"Rock",      "Pop",         "Electronic", "Hip-Hop/Rap", "Jazz",
                              "Classical", "Alternative", "Dance",      "Soul",        "Country"};

std::string phrase(std::mt19937_64 &random, int length)
{
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (i)
            text += ' ';
        text += words[random() % wordCount];
    }
    return text;
}

// Spaces and a few characters percent-encoded, as iTunes writes locations.
std::string urlPath(const std::string &text)
{
    std::string path;
    for (char c : text)
        path += c == ' ' ? std::string("%20") : std::string(1, c);
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <tracks> <output file>\n", argv[0]);
        return 2;
    }
    const int tracks = std::atoi(argv[1]);
    FILE *out = std::fopen(argv[2], "w");
    if (tracks <= 0 || !out) {
        std::perror(argv[2]);
        return 1;
    }
    std::mt19937_64 random(20071030);
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n<dict>\n"
               "\t<key>Major Version</key><integer>1</integer>\n\t<key>Minor Version</key><integer>1</integer>\n"
               "\t<key>Date</key><date>2023-08-12T13:35:41Z</date>\n"
               "\t<key>Application Version</key><string>12.12.9.4</string>\n"
               "\t<key>Features</key><integer>5</integer>\n\t<key>Show Content Ratings</key><true/>\n"
               "\t<key>Library Persistent ID</key><string>0C6442958291FA80</string>\n"
               "\t<key>Tracks</key>\n\t<dict>\n",
               out);
    const int albums = tracks / 11 + 1;
    for (int i = 0; i < tracks; ++i) {
        const int trackID = 1000 + 2 * i;
        const int album = int(random() % albums);
        std::mt19937_64 albumRandom(album);
        const std::string artist = phrase(albumRandom, 2);
        const std::string albumTitle = phrase(albumRandom, 3);
        const char *genre = genres[album % 10];
        // Some titles recur across albums, as "Intro" does.
        const std::string title = random() % 50 == 0 ? std::string("Intro") : phrase(random, 2 + int(random() % 3));
        const int number = i % 11 + 1;
        const unsigned roll = unsigned(random() % 100);
        const bool video = roll < 2;
        const bool isProtected = roll >= 2 && roll < 7;
        const char *kind = video ? "MPEG-4 video file" : isProtected ? "Protected AAC audio file" : "MPEG audio file";
        const char *extension = video ? "m4v" : isProtected ? "m4p" : "mp3";
        std::fprintf(out, "\t\t<key>%d</key>\n\t\t<dict>\n", trackID);
        std::fprintf(out, "\t\t\t<key>Track ID</key><integer>%d</integer>\n", trackID);
        std::fprintf(out, "\t\t\t<key>Size</key><integer>%d</integer>\n", 2000000 + int(random() % 9000000));
        std::fprintf(out, "\t\t\t<key>Total Time</key><integer>%d</integer>\n", 120000 + int(random() % 300000));
        std::fputs("\t\t\t<key>Disc Number</key><integer>1</integer>\n"
                   "\t\t\t<key>Disc Count</key><integer>1</integer>\n",
                   out);
        std::fprintf(out, "\t\t\t<key>Track Number</key><integer>%d</integer>\n", number);
        std::fputs("\t\t\t<key>Track Count</key><integer>11</integer>\n", out);
        std::fprintf(out, "\t\t\t<key>Year</key><integer>%d</integer>\n", 1960 + album % 63);
        if (random() % 10 < 3)
            std::fprintf(out, "\t\t\t<key>BPM</key><integer>%d</integer>\n", 40 + int(random() % 180));
        std::fputs("\t\t\t<key>Date Modified</key><date>2022-01-17T19:12:36Z</date>\n"
                   "\t\t\t<key>Date Added</key><date>2005-11-29T17:58:21Z</date>\n"
                   "\t\t\t<key>Bit Rate</key><integer>256</integer>\n"
                   "\t\t\t<key>Sample Rate</key><integer>44100</integer>\n",
                   out);
        std::fprintf(out, "\t\t\t<key>Play Count</key><integer>%d</integer>\n", int(random() % 60));
        std::fprintf(out, "\t\t\t<key>Persistent ID</key><string>%016" PRIX64 "</string>\n", uint64_t(random()));
        std::fputs("\t\t\t<key>Track Type</key><string>File</string>\n", out);
        if (isProtected)
            std::fputs("\t\t\t<key>Protected</key><true/>\n\t\t\t<key>Purchased</key><true/>\n", out);
        std::fprintf(out, "\t\t\t<key>Name</key><string>%s</string>\n", title.c_str());
        std::fprintf(out, "\t\t\t<key>Artist</key><string>%s</string>\n", artist.c_str());
        std::fprintf(out, "\t\t\t<key>Album Artist</key><string>%s</string>\n", artist.c_str());
        if (album % 4 == 0)
            std::fprintf(out, "\t\t\t<key>Composer</key><string>%s &#38; %s</string>\n", words[album % wordCount],
                         words[(album / 7) % wordCount]);
        std::fprintf(out, "\t\t\t<key>Album</key><string>%s</string>\n", albumTitle.c_str());
        std::fprintf(out, "\t\t\t<key>Genre</key><string>%s</string>\n", genre);
        std::fprintf(out, "\t\t\t<key>Kind</key><string>%s</string>\n", kind);
        std::fprintf(out, "\t\t\t<key>Sort Name</key><string>%s</string>\n", title.c_str());
        std::fprintf(out,
                     "\t\t\t<key>Location</key><string>file://localhost/C:/Users/Listener/Music/iTunes/"
                     "iTunes%%20Media/Music/%s/%s/%02d%%20%s.%s</string>\n",
                     urlPath(artist).c_str(), urlPath(albumTitle).c_str(), number, urlPath(title).c_str(), extension);
        std::fputs("\t\t\t<key>File Folder Count</key><integer>5</integer>\n"
                   "\t\t\t<key>Library Folder Count</key><integer>1</integer>\n\t\t</dict>\n",
                   out);
    }
    std::fputs("\t</dict>\n\t<key>Playlists</key>\n\t<array>\n", out);
    const int playlists = 20;
    for (int list = 0; list <= playlists; ++list) {
        const bool master = list == 0;
        std::fprintf(out, "\t\t<dict>\n\t\t\t<key>Name</key><string>%s</string>\n",
                     master ? "Library" : phrase(random, 2).c_str());
        if (master)
            std::fputs("\t\t\t<key>Master</key><true/>\n\t\t\t<key>Visible</key><false/>\n", out);
        std::fprintf(out, "\t\t\t<key>Playlist ID</key><integer>%d</integer>\n", 900000 + list);
        std::fprintf(out, "\t\t\t<key>Playlist Persistent ID</key><string>%016" PRIX64 "</string>\n",
                     uint64_t(random()));
        std::fputs("\t\t\t<key>All Items</key><true/>\n\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n", out);
        const int items = master ? tracks : tracks / 40;
        for (int item = 0; item < items; ++item) {
            const int trackID = 1000 + 2 * (master ? item : int(random() % tracks));
            std::fprintf(out, "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>%d</integer>\n\t\t\t\t</dict>\n",
                         trackID);
        }
        std::fputs("\t\t\t</array>\n\t\t</dict>\n", out);
    }
    std::fputs("\t</array>\n"
               "\t<key>Music Folder</key><string>file://localhost/C:/Users/Listener/Music/iTunes/iTunes%20Media/"
               "</string>\n</dict>\n</plist>\n",
               out);
    return std::fclose(out) == 0 ? 0 : 1;
}
