#!/usr/bin/env bash
# Sweeps sharing one folder: two at once over overlapping seeds, then one killed in the middle
# of its runs and started again. Each run must have been claimed exactly as often as it was
# started, and the table must be the one a lone sweep makes.
# Usage: test_sweep.sh AQUARIUM_BATCH
set -euo pipefail
sweep=$(cd "$(dirname "$0")/../.." && pwd)/scripts/sweep
batch=$1
tmp=$(mktemp -d)
# The session of the sweep killed below, should the test fail before it does.
trap 'xargs -r -n 1 pkill -KILL -s 2>/dev/null <"$tmp/bloques"; rm -rf "$tmp"' EXIT

echouer() {
  echo "FAIL: $*" >&2
  exit 1
}
# The table but for the wall time, its last field.
tableau() { sed "s/,[^,]*$//" "$1/runs.csv"; }
# "CLAIMS FOLDER" for every run of a sweep folder.
revendications() {
  local f
  for f in "$1"/runs/*/*/claims.txt; do echo "$(wc -l <"$f") ${f%/claims.txt}"; done
}

grille=(--set sterility=50,100 --ticks 2000 --jobs 2)
"$sweep" "${grille[@]}" --batch "$batch" --seeds 1-9 --out "$tmp/seul" 2>"$tmp/seul.err" ||
  echouer "the lone sweep: $(cat "$tmp/seul.err")"

# Seeds 1-6 and 4-9 at once: the six runs of seeds 4-6 are wanted by both.
"$sweep" "${grille[@]}" --batch "$batch" --seeds 1-6 --out "$tmp/a" 2>"$tmp/a1.err" &
premier=$!
"$sweep" "${grille[@]}" --batch "$batch" --seeds 4-9 --out "$tmp/a" 2>"$tmp/a2.err" ||
  echouer "the second sweep: $(cat "$tmp/a2.err")"
wait "$premier" || echouer "the first sweep: $(cat "$tmp/a1.err")"
deux=$(revendications "$tmp/a" | grep -v '^1 ' || true)
[ -z "$deux" ] || echouer "runs claimed more than once: $deux"$'\n'"$(cat "$tmp"/a?.err)"
[ "$(revendications "$tmp/a" | wc -l)" = 18 ] || echouer "not 18 runs: $(revendications "$tmp/a")"
[ "$(tableau "$tmp/a")" = "$(tableau "$tmp/seul")" ] ||
  echouer "the shared table differs from the lone one: $(diff <(tableau "$tmp/a") <(tableau "$tmp/seul"))"
[ "$(ls "$tmp/a/joblogs" | wc -l)" = 2 ] || echouer "not one job log per sweep: $(ls "$tmp/a/joblogs")"

# A runner that hangs once started, in its own session: the sweep is then killed whole, as a
# cancelled task or a lost node is, while it holds two claims.
cat >"$tmp/bloque" <<FIN
#!/usr/bin/env bash
case " \$* " in *" --ticks 1 --quiet "*) exit 0 ;; esac
echo \$(ps -o sid= -p \$\$) >>"$tmp/bloques"
exec sleep 600
FIN
chmod +x "$tmp/bloque"
: >"$tmp/bloques"
setsid "$sweep" "${grille[@]}" --batch "$tmp/bloque" --seeds 1-2 --out "$tmp/b" 2>"$tmp/b1.err" &
disown
timeout 60 bash -c "until [ \$(wc -l <$tmp/bloques) = 2 ]; do sleep 0.1; done" ||
  echouer "the hanging runs never started: $(cat "$tmp/b1.err")"
pkill -KILL -s "$(sort -u "$tmp/bloques")"
: >"$tmp/bloques"
"$sweep" "${grille[@]}" --batch "$batch" --seeds 1-2 --out "$tmp/b" 2>"$tmp/b2.err" ||
  echouer "the sweep after the killed one: $(cat "$tmp/b2.err")"
[ "$(revendications "$tmp/b" | cut -d' ' -f1 | sort | uniq -c | xargs)" = "2 1 2 2" ] ||
  echouer "not two runs claimed twice and two once: $(revendications "$tmp/b")"
[ "$(tableau "$tmp/b")" = "$(tableau "$tmp/seul" | awk 'NR == 1 || / --seed [12] /')" ] ||
  echouer "the table after the killed sweep: $(cat "$tmp/b/runs.csv")"
echo "two sweeps at once ran each run once; a killed sweep's claims did not block the next"
