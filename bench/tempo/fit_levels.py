#!/usr/bin/python3
"""Fit beatfind's metrical-level weights and its doubt margin, and check both on
sources held out.

usage: fit_levels.py [--features all|NAME,...] [--weights W,...] [--ranges LO-HI,...] LIST.csv EVIDENCE.csv [...]

Each LIST.csv (id,...,bpm,...) with EVIDENCE.csv (level_evidence's output for
its rendered corpus) is one source. The score mirrors chooseBeatLevel() in
tools/beatfind/metricallevel.cpp; the fit is a conditional logit (each song's
true beat against its other candidates) with a light L2 penalty. For each
source: its figures when the weights and the margin are fitted on the other
sources only (held out), then the weights fitted on all sources (rounded as
the analyser's constants are) and each source's figures with them.

Figures: Acc1 (the chosen level within 4 % of the truth), Acc2 (also at 1/3,
1/2, 2 or 3 times it), and the Alternative's two rates: of the songs at a
wrong level, the share whose runner-up is within 4 % of the truth and within
the margin; of the songs at the right level, the share with any runner-up
within the margin.
"""
import csv
import math
import os
import sys

import numpy as np

PREFERRED_BPM, SPREAD_OCTAVES, FLOOR = 115.0, 0.8, 0.02
# In the order of the constants in metricallevel.cpp.
ALL = ["Prior", "Periodicity", "NextBeat", "CymbalNextBeat", "Thirds", "Bars", "HalfByOctaves",
       "SecondBeatByOctaves", "Backbeat"]
L2, ITERATIONS, STEP = 0.05, 1500, 0.5
MAX_FLAGGED_RIGHT = 0.2


def features(candidates):
    strongest = {k: max(c[k] for c in candidates) for k in ("periodicity", "nextBeat", "cymbalNextBeat")}
    rel = lambda c, k: math.log(max(c[k], FLOOR) / max(strongest[k], FLOOR))
    rows = []
    for c in candidates:
        octaves = math.log2(c["bpm"] / PREFERRED_BPM)
        rows.append({"Prior": -0.5 * (octaves / SPREAD_OCTAVES) ** 2, "Periodicity": rel(c, "periodicity"),
                     "NextBeat": rel(c, "nextBeat"), "CymbalNextBeat": rel(c, "cymbalNextBeat"),
                     "Thirds": c["thirds"], "Bars": c["bars"], "HalfByOctaves": octaves * c["half"],
                     "SecondBeatByOctaves": octaves * c["secondBeat"], "Backbeat": c["backbeat"]})
    return rows


def right(bpm, truth):
    return abs(bpm / truth - 1.0) <= 0.04


class Source:
    """Songs padded to a common candidate count: X[song, candidate, feature]."""

    def __init__(self, name, list_path, evidence_path, names):
        truth = {r["id"]: float(r["bpm"]) for r in csv.DictReader(open(list_path, newline=""))}
        songs = {}
        for r in csv.DictReader(open(evidence_path, newline="")):
            song = os.path.splitext(os.path.basename(r["file"]))[0]
            songs.setdefault(song, []).append({k: float(v) for k, v in r.items() if k != "file"})
        self.name = name
        self.ids = [s for s in sorted(songs) if s in truth]
        self.missing = len(truth) - len(self.ids)
        width = max(len(songs[s]) for s in self.ids)
        n = len(self.ids)
        self.X = np.zeros((n, width, len(names)))
        self.bpm = np.ones((n, width))
        self.valid = np.zeros((n, width), bool)
        self.truth = np.array([truth[s] for s in self.ids])
        for i, s in enumerate(self.ids):
            for j, row in enumerate(features(songs[s])):
                self.X[i, j] = [row[k] for k in names]
                self.bpm[i, j] = songs[s][j]["bpm"]
                self.valid[i, j] = True
        self.ok = self.valid & (np.abs(self.bpm / self.truth[:, None] - 1.0) <= 0.04)


def concat(sources):
    width = max(s.X.shape[1] for s in sources)
    pad = lambda a, fill: np.pad(a, [(0, 0), (0, width - a.shape[1])] + [(0, 0)] * (a.ndim - 2), constant_values=fill)
    return (np.concatenate([pad(s.X, 0) for s in sources]), np.concatenate([pad(s.valid, False) for s in sources]),
            np.concatenate([pad(s.ok, False) for s in sources]))


def fit(sources):
    X, valid, ok = concat(sources)
    use = ok.any(1)
    X, valid, ok = X[use], valid[use], ok[use]
    w = np.zeros(X.shape[2])
    for _ in range(ITERATIONS):
        s = np.where(valid, X @ w, -np.inf)
        p = np.exp(s - s.max(1, keepdims=True))
        p /= p.sum(1, keepdims=True)
        p_true = np.where(ok, p, 0).sum(1, keepdims=True)
        g = p - np.where(ok, p / p_true, 0)
        w -= STEP * (L2 * w + np.einsum("ij,ijk->k", g, X) / len(X))
    return w


def decide(w, source):
    """Chosen and runner-up candidate of each song, and the score gap between them."""
    s = np.where(source.valid, source.X @ w, -np.inf)
    order = np.argsort(-s, axis=1, kind="stable")
    best, second = order[:, 0], order[:, 1]
    rows = np.arange(len(s))
    gap = s[rows, best] - s[rows, second]
    gap[~np.isfinite(gap)] = np.inf
    return best, second, gap


def fold(bpm, low, high):
    """A tempo outside the range doubled or halved into it when that lands inside."""
    folded = bpm.copy()
    up, down = (bpm < low) & (2 * bpm <= high), (bpm > high) & (bpm / 2 >= low)
    folded[up] *= 2
    folded[down] /= 2
    return folded


def folded_acc1(w, source, low, high):
    best = decide(w, source)[0]
    chosen = fold(source.bpm[np.arange(len(best)), best], low, high)
    return (np.abs(chosen / source.truth - 1.0) <= 0.04).mean()


def figures(w, margin, source):
    best, second, gap = decide(w, source)
    rows = np.arange(len(best))
    chosen = source.bpm[rows, best]
    hit = source.ok[rows, best]
    near = np.zeros(len(best), bool)
    for f in (1 / 3, 1 / 2, 2, 3):
        near |= np.abs(chosen / (source.truth * f) - 1.0) <= 0.04
    flagged = gap < margin
    rescued = flagged & source.ok[rows, second]
    return {"acc1": hit.mean(), "acc2": (hit | near).mean(), "wrong": int((~hit).sum()),
            "rescued": int((rescued & ~hit).sum()), "right": int(hit.sum()), "flagged": int((flagged & hit).sum()),
            "misses": ["%s %g -> %.1f%s" % (source.ids[i], source.truth[i], chosen[i],
                                            " (alt %.1f)" % source.bpm[i, second[i]] if flagged[i] else "")
                       for i in np.nonzero(~hit)[0]]}


def fit_margin(w, sources):
    """The widest margin that flags at most a fifth of the right-level songs: the
    more wrong-level songs it reaches, the better."""
    gaps = []
    for s in sources:
        best, _, gap = decide(w, s)
        gaps.append(gap[s.ok[np.arange(len(best)), best]])
    return round(float(np.quantile(np.concatenate(gaps), MAX_FLAGGED_RIGHT)), 2)


def line(name, f):
    return "%-9s Acc1 %5.1f %%  Acc2 %5.1f %%  Alternative: right on %d/%d wrong-level songs, on %d/%d right-level ones" % (
        name, 100 * f["acc1"], 100 * f["acc2"], f["rescued"], f["wrong"], f["flagged"], f["right"])


def main(args):
    names, ranges, given = ALL, [], None
    while args[:1] in (["--features"], ["--ranges"], ["--weights"]):
        if args[0] == "--weights":
            given = np.array([float(v) for v in args[1].split(",")])
        elif args[0] == "--features":
            names = ALL if args[1] == "all" else args[1].split(",")
        else:
            ranges = [tuple(float(v) for v in r.split("-")) for r in args[1].split(",")]
        args = args[2:]
    if len(args) < 2 or len(args) % 2:
        sys.exit(__doc__)
    sources = [Source(os.path.basename(args[i]).rsplit(".", 1)[0], args[i], args[i + 1], names)
               for i in range(0, len(args), 2)]
    total = {"wrong": 0, "rescued": 0, "right": 0, "flagged": 0}
    if len(sources) > 1:
        print("held out (weights and margin fitted on the other sources):")
        for held in sources:
            others = [s for s in sources if s is not held]
            w = fit(others) if given is None else given
            f = figures(w, fit_margin(w, others), held)
            for k in total:
                total[k] += f[k]
            print("  " + line(held.name, f))
            for low, high in ranges:
                print("    preferred range %g-%g: Acc1 %5.1f %%" % (low, high, 100 * folded_acc1(w, held, low, high)))
            print("    misses: " + ("; ".join(f["misses"]) or "none"))
        print("  all held out: Alternative right on %d/%d (%.0f %%) wrong-level songs, on %d/%d (%.0f %%) right-level ones"
              % (total["rescued"], total["wrong"], 100 * total["rescued"] / max(1, total["wrong"]),
                 total["flagged"], total["right"], 100 * total["flagged"] / max(1, total["right"])))
    w = np.round(fit(sources), 2) if given is None else given
    margin = fit_margin(w, sources)
    print("fitted on all:")
    for s in sources:
        print("  " + line(s.name, figures(w, margin, s)))
    for n, v in zip(names, w):
        print("constexpr double kWeight%s = %.2f;" % (n, v))
    print("constexpr double kUnsureMargin = %.2f;" % margin)


if __name__ == "__main__":
    main(sys.argv[1:])
