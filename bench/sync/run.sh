#!/bin/bash
# Phone sync benchmark: one session pushing SONGS songs (default 10000) into
# the running application (offscreen), then CMD_WANTBPMS, timed from connect
# to close, beside the same bytes sent to a plain loopback sink; and the
# longest stall of the window's event loop meanwhile. Then a tenth as many
# phone songs against a music-folder library of ten times SONGS: matched by
# ID, linked by title, artist and album, and found again by their links.
#
# usage: bench/sync/run.sh [SONGS]
# Environment: BUILD=build directory (default: build-bench, configured and
# built here). Runs inside a network namespace of its own (needs root).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD:-$root/build-bench}
if [ ! -x "$build/bench/bench_sync" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j2 --target bench_sync
fi
QT_QPA_PLATFORM=offscreen exec unshare --net sh -c \
    'ip link set lo up && exec "$0" "$@"' "$build/bench/bench_sync" "${1:-10000}"
