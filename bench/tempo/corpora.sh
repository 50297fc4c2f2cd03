# Sourced by the tempo bench's scripts: where the lists live and how each is rendered.
#   tempo_lists              the default lists: the shared development list, fit.csv, wide.csv, Freedoom's
#   tempo_render LIST        renders LIST once (later calls reuse it) and prints its corpus folder
#   tempo_scorer LIST        prints the scorer for LIST's results
# OUT (default /tmp/velmora-tempo) holds one folder per list: OUT/<list name>/corpus, results, ...
shared=${SHARED:-$(cd "$root/../shared/bench/tempo" 2>/dev/null && pwd || echo /work/shared/bench/tempo)}
freedoom=$(cd "$shared/../tempo-freedoom" && pwd)
OUT=${OUT:-/tmp/velmora-tempo}

tempo_lists() { echo "$shared/dev.csv" "$here/fit.csv" "$here/wide.csv" "$freedoom/freedoom.csv"; }

tempo_render() {
    local list=$1 corpus=$OUT/$(basename "$1" .csv)/corpus
    if [ "$list" = "$freedoom/freedoom.csv" ]; then
        SKIP_APT=1 nice "$freedoom/make_corpus.sh" --out "$corpus" -j 2 >&2
    else
        nice python3 "$shared/make_corpus.py" "$list" "$corpus" >&2
    fi
    echo "$corpus"
}

tempo_scorer() {
    if [ "$1" = "$freedoom/freedoom.csv" ]; then echo "$freedoom/score.py"; else echo "$shared/score.py"; fi
}
