#!/usr/bin/env bash
# The README's Slurm recipe, scaled down (2 array tasks of 5 seeds x 2 sterilities, then the
# dependent job over all 10 seeds), on a private single-node Slurm started here: munged,
# slurmctld and slurmd as plain processes, configured in a temporary folder, on loopback only.
# Every run must have run once across the tasks, the table must be a lone sweep's and the chart
# made. Without root or Slurm the test is skipped (status 77), except on CI, where it fails.
# Usage: test_sweep_slurm.sh AQUARIUM_BATCH
set -euo pipefail
racine=$(cd "$(dirname "$0")/../.." && pwd)
batch=$1
PATH=$PATH:/usr/sbin

echouer() {
  echo "FAIL: $*" >&2
  exit 1
}
impossible() {
  [ "${CI:-}" != true ] || echouer "$* (CI must run this test)"
  echo "SKIPPED: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || impossible "slurmd runs jobs as their users only when started by root"
for p in munged slurmctld slurmd sbatch sinfo; do
  command -v "$p" >/dev/null || impossible "$p is missing (scripts/setup installs it)"
done

# munged wants a socket folder that everyone may enter.
tmp=$(mktemp -d)
chmod 755 "$tmp"
demons=()
arreter() {
  (($? == 0)) || tail -n 20 "$tmp"/*.log "$tmp"/slurm-*.out >&2 2>/dev/null
  kill "${demons[@]}" 2>/dev/null
  wait
  rm -rf "$tmp"
}
trap arreter EXIT
trap 'exit 1' INT TERM
# Waits up to $1 s for the shell condition $2.
attendre() { timeout "$1" bash -c "until $2; do sleep 0.1; done"; }

read -r port_ctld port_d < <(/usr/bin/python3 -c 'import socket; s = [socket.socket() for _ in "ab"]
[x.bind(("127.0.0.1", 0)) for x in s]; print(*(x.getsockname()[1] for x in s))')
mkdir "$tmp/etat" "$tmp/spool"
head -c 1024 /dev/urandom >"$tmp/munge.key"
chmod 600 "$tmp/munge.key"
export SLURM_CONF=$tmp/slurm.conf
cat >"$SLURM_CONF" <<FIN
ClusterName=aquarium
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$port_ctld
SlurmdPort=$port_d
AuthInfo=socket=$tmp/munge.socket
StateSaveLocation=$tmp/etat
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
NodeName=aquarium NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=aquarium Nodes=aquarium Default=YES MaxTime=INFINITE State=UP
FIN
# In the foreground, so as to be this script's children; they log to files in $tmp, shown on
# failure, and their consoles repeat them.
munged -F --key-file="$tmp/munge.key" --socket="$tmp/munge.socket" --pid-file="$tmp/munged.pid" \
  --log-file="$tmp/munged.log" --seed-file="$tmp/munged.seed" &>/dev/null &
demons+=($!)
attendre 10 "[ -S $tmp/munge.socket ]" || echouer "munged did not start"
slurmctld -D -i &>/dev/null &
demons+=($!)
slurmd -D -N aquarium &>/dev/null &
demons+=($!)
attendre 30 '[ "$(sinfo -h -o %t 2>/dev/null)" = idle ]' || echouer "the node is not idle: $(sinfo 2>&1)"

# The recipe, from the working tree, each task on one core, 1,500 ticks instead of 9,000.
sortie=$tmp/sweep
debut=$SECONDS
cd "$racine"
cat >"$tmp/sweep.sbatch" <<FIN
#!/bin/bash
#SBATCH --array=0-1 --cpus-per-task=1 --time=0:10:00 --output=$tmp/slurm-%A_%a.out
lo=\$((SLURM_ARRAY_TASK_ID * 5 + 1))
scripts/sweep --batch $batch --jobs "\$SLURM_CPUS_PER_TASK" \\
    --seeds "\$lo-\$((lo + 4))" --set sterility=50,100 --ticks 1500 --max-speedbricks 1000 \\
    --out $sortie
FIN
job=$(sbatch --parsable "$tmp/sweep.sbatch")
final=$(sbatch --parsable --output="$tmp/slurm-final.out" --dependency=afterany:"$job" \
  --wrap "scripts/sweep --seeds 1-10 --batch $batch --set sterility=50,100 --ticks 1500 \
    --max-speedbricks 1000 --out $sortie")
# sbatch --wait polls ever more slowly: asking every tenth of a second saves half a minute.
attendre 240 "! scontrol -o show job $final | grep -qE 'JobState=(PENDING|CONFIGURING|RUNNING|COMPLETING) '"
scontrol -o show job "$final" | grep -q 'JobState=COMPLETED ' ||
  echouer "the final job: $(scontrol -o show job "$final") $(cat "$tmp/slurm-final.out")"
echo "recipe run by Slurm in $((SECONDS - debut)) s"
for tache in 0 1; do
  grep -q '10 runs in 2 groups, 0 already finished, 10 to run here, 0 running elsewhere' \
    "$tmp/slurm-${job}_$tache.out" || echouer "task $tache: $(cat "$tmp/slurm-${job}_$tache.out")"
done
grep -q '20 already finished, 0 to run here' "$tmp/slurm-final.out" ||
  echouer "the final job: $(cat "$tmp/slurm-final.out")"

# Once each: one claim per run, and across the job logs one job per run, each ended well.
[ "$(ls -d "$sortie"/runs/*/seed-* | wc -l) $(cat "$sortie"/runs/*/*/claims.txt | wc -l)" = "20 20" ] ||
  echouer "the claims: $(wc -l "$sortie"/runs/*/*/claims.txt)"
awk -F'\t' '$1 != "Seq" { match($9, /--summary [^ ]+/); print $7, substr($9, RSTART + 10) }' \
  "$sortie"/joblogs/*.txt | sort -u -k2,2 >"$tmp/jobs.txt"
[ "$(grep -c '^0 ' "$tmp/jobs.txt") $(cat "$sortie"/joblogs/*.txt | grep -vc '^Seq')" = "20 20" ] ||
  echouer "the job logs: $(cat "$sortie"/joblogs/*.txt)"
echo "$(ls "$sortie/joblogs" | wc -l) job logs hold 20 jobs, ended with status 0, for 20 distinct runs"

"$racine/scripts/sweep" --batch "$batch" --seeds 1-10 --set sterility=50,100 --ticks 1500 \
  --max-speedbricks 1000 --out "$tmp/seul" 2>/dev/null
[ "$(sed "s/,[^,]*$//" "$sortie/runs.csv")" = "$(sed "s/,[^,]*$//" "$tmp/seul/runs.csv")" ] ||
  echouer "the table differs from a lone sweep's: $(diff "$sortie/runs.csv" "$tmp/seul/runs.csv")"
[ "$(head -c 8 "$sortie/sweep.png" | od -An -tx1 | xargs)" = "89 50 4e 47 0d 0a 1a 0a" ] ||
  echouer "no chart"
