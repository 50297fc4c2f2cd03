#!/usr/bin/env python3
"""Writes <library>.expected.tsv beside each iTunes library file given: what
importing it must give, read independently with Python's plistlib. One line
per audio track: key, title, artist, albumTitle, genre, albumArtist, composer,
location, protected. The location is the URL's path, percent-decoded, behind
"//host" when the URL names a host (as QUrl::toLocalFile gives it)."""
import plistlib
import sys
from urllib.parse import unquote, urlsplit


def signed_decimal(hex_id):
    value = int(hex_id, 16)
    return str(value - (1 << 64) if value >= (1 << 63) else value)


def local_path(url):
    parts = urlsplit(url)
    path = unquote(parts.path)
    return "//" + parts.netloc + path if parts.netloc else path


for name in sys.argv[1:]:
    with open(name, "rb") as f:
        library = plistlib.load(f)
    rows = []
    for track in library["Tracks"].values():
        if "audio file" not in track.get("Kind", "").lower():
            continue
        rows.append([signed_decimal(track["Persistent ID"]), track.get("Name", ""), track.get("Artist", ""),
                     track.get("Album", ""), track.get("Genre", ""), track.get("Album Artist", ""),
                     track.get("Composer", ""), local_path(track.get("Location", "")),
                     "true" if "protected" in track.get("Kind", "").lower() else "false"])
    with open(name.rsplit(".", 1)[0] + ".expected.tsv", "w", encoding="utf-8", newline="\n") as out:
        for row in rows:
            assert not any("\t" in field or "\n" in field for field in row)
            out.write("\t".join(row) + "\n")
