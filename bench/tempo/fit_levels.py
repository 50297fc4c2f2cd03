#!/usr/bin/env python3
"""Fit beatfind's metrical-level weights and check them on held-out lists.

usage: fit_levels.py LIST.csv EVIDENCE.csv [LIST.csv EVIDENCE.csv ...]

EVIDENCE.csv is level_evidence's output for the list's rendered corpus. The
score mirrors chooseBeatLevel() in tools/beatfind/metricallevel.cpp; the fit
is a conditional logit (each song's true beat against its other candidates)
with a light L2 penalty. Prints, for each list, its accuracy when the weights
are fitted on the other lists only, then the weights fitted on all lists
(rounded as the analyser's constants are) and each list's accuracy with them.
"""
import csv
import math
import os
import sys

PREFERRED_BPM, SPREAD_OCTAVES, FLOOR = 115.0, 0.8, 0.02
# In the order of the constants in metricallevel.cpp.
NAMES = ["Prior", "Periodicity", "NextBeat", "CymbalNextBeat", "Thirds", "Bars", "HalfByOctaves", "SecondBeatByOctaves"]
L2, ITERATIONS, STEP = 0.05, 800, 0.5


def features(candidates):
    strongest = {k: max(c[k] for c in candidates) for k in ("periodicity", "nextBeat", "cymbalNextBeat")}
    rel = lambda c, k: math.log(max(c[k], FLOOR) / max(strongest[k], FLOOR))
    rows = []
    for c in candidates:
        octaves = math.log2(c["bpm"] / PREFERRED_BPM)
        rows.append([-0.5 * (octaves / SPREAD_OCTAVES) ** 2, rel(c, "periodicity"), rel(c, "nextBeat"),
                     rel(c, "cymbalNextBeat"), c["thirds"], c["bars"], octaves * c["half"], octaves * c["secondBeat"]])
    return rows


def load(list_path, evidence_path):
    truth = {r["id"]: float(r["bpm"]) for r in csv.DictReader(open(list_path, newline=""))}
    songs = {}
    for r in csv.DictReader(open(evidence_path, newline="")):
        song = os.path.splitext(os.path.basename(r["file"]))[0]
        songs.setdefault(song, []).append({k: float(v) for k, v in r.items() if k != "file"})
    return [(song, truth[song], [c["bpm"] for c in cands], features(cands))
            for song, cands in sorted(songs.items()) if song in truth]


def choose(w, rows):
    scores = [sum(a * b for a, b in zip(w, x)) for x in rows]
    return scores.index(max(scores))  # the first best, as chooseBeatLevel does


def right(bpm, truth):
    return abs(bpm / truth - 1.0) <= 0.04


def accuracy(w, songs):
    misses = [f"{s} {t:g} -> {b[choose(w, x)]:.1f}" for s, t, b, x in songs if not right(b[choose(w, x)], t)]
    return 1.0 - len(misses) / len(songs), misses


def fit(songs):
    w = [0.0] * len(NAMES)
    for _ in range(ITERATIONS):
        grad = [L2 * v for v in w]
        for _, truth, bpms, rows in songs:
            ok = [right(b, truth) for b in bpms]
            if not any(ok):
                continue
            scores = [sum(a * b for a, b in zip(w, x)) for x in rows]
            top = max(scores)
            e = [math.exp(s - top) for s in scores]
            p = [v / sum(e) for v in e]
            p_true = sum(pp for pp, k in zip(p, ok) if k)
            for x, pp, k in zip(rows, p, ok):
                g = pp - (pp / p_true if k else 0.0)
                for j, v in enumerate(x):
                    grad[j] += g * v / len(songs)
        w = [a - STEP * b for a, b in zip(w, grad)]
    return w


def main(args):
    if len(args) < 2 or len(args) % 2:
        sys.exit(__doc__)
    lists = {os.path.basename(args[i]).rsplit(".", 1)[0]: load(args[i], args[i + 1]) for i in range(0, len(args), 2)}
    everything = [s for songs in lists.values() for s in songs]
    if len(lists) > 1:
        for name, songs in lists.items():
            others = [s for other, ss in lists.items() if other != name for s in ss]
            print("held out %-6s %5.1f %%  (fitted on the other lists)" % (name, 100 * accuracy(fit(others), songs)[0]))
    # Scored as the analyser uses them: to two decimals.
    w = [round(v, 2) for v in fit(everything)]
    for name, songs in lists.items():
        acc, misses = accuracy(w, songs)
        print("fitted on all, %-6s %5.1f %%  misses: %s" % (name, 100 * acc, "; ".join(misses) or "none"))
    for n, v in zip(NAMES, w):
        print("constexpr double kWeight%s = %.2f;" % (n, v))


if __name__ == "__main__":
    main(sys.argv[1:])
