#!/usr/bin/env bash
# Draws a statistics file of aquarium-batch (--stats) as a PNG: speedbricks by kind and in all,
# and their rings, over ticks.
#   scripts/chart.sh STATS.csv OUT.png
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 STATS.csv OUT.png" >&2
  exit 2
fi
stats=$1
image=$2
entete="tick,speedbricks,normal,gentil,aga,male,female,undecided,rings,cutits,births,splits,deaths"
if [ ! -r "$stats" ]; then
  echo "$0: cannot read '$stats'" >&2
  exit 2
fi
if [ "$(head -n 1 "$stats")" != "$entete" ]; then
  echo "$0: '$stats' is not a statistics file of aquarium-batch (its header differs)" >&2
  exit 2
fi
if ! command -v gnuplot >/dev/null; then
  echo "$0: gnuplot is missing (scripts/setup installs it)" >&2
  exit 2
fi
exec gnuplot -c "$(dirname "$0")/chart.gp" "$stats" "$image"
