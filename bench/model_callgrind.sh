#!/usr/bin/env bash
# Machine instructions per executed statement of the model interpreter
# against Debian's bwbasic and yabasic, counted by callgrind on the same
# loop: one assignment with SQR and one NEXT per iteration. Each program is
# run for N and for 1 iteration; the difference divided by 2 (N - 1) is the
# figure per statement. modelrun comes from a tree built without sanitizers:
#
#     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
#     cmake --build build/bench --target modelrun
#     bash bench/model_callgrind.sh build/bench/modelrun
set -eu
modelrun=$(realpath "${1:-build/bench/modelrun}")
n=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

count() {  # command... -> instructions
    valgrind --tool=callgrind --callgrind-out-file=cg.out "$@" >/dev/null 2>&1 </dev/null
    callgrind_annotate cg.out 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1; exit}'
}

for k in 1 "$n"; do
    printf 'DIM I, S\r\nFOR I = 1 TO %s STEP 1\r\nS = S + 2 * SQR(I)\r\nNEXT I\r\nPRINT INT(S)\r\n' "$k" > m$k.bas
    printf 'S = 0\nFOR I = 1 TO %s STEP 1\nS = S + 2 * SQR(I)\nNEXT I\nPRINT INT(S)\nSYSTEM\n' "$k" > b$k.bas
    printf 's = 0\nfor i = 1 to %s step 1\ns = s + 2 * sqrt(i)\nnext i\nprint int(s)\n' "$k" > y$k.bas
done

per_statement() {  # name count1 countN
    echo "$1: $(( ($3 - $2) / (2 * (n - 1)) )) instructions per statement"
}
m1=$(count "$modelrun" m1.bas); mn=$(count "$modelrun" m$n.bas)
per_statement modelrun "$m1" "$mn"
if command -v yabasic >/dev/null; then
    y1=$(count yabasic y1.bas); yn=$(count yabasic y$n.bas)
    per_statement yabasic "$y1" "$yn"
fi
if command -v bwbasic >/dev/null; then
    b1=$(count bwbasic b1.bas); bn=$(count bwbasic b$n.bas)
    per_statement bwbasic "$b1" "$bn"
fi
