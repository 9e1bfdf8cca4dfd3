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
  local code=$?
  ((${#demons[@]})) && kill "${demons[@]}" 2>/dev/null && wait "${demons[@]}" 2>/dev/null
  if ((code)); then
    tail -n 20 "$tmp"/*.log "$tmp"/slurm-*.out >&2 2>/dev/null
  fi
  rm -rf "$tmp"
}
trap arreter EXIT
trap 'exit 1' INT TERM

read -r port_ctld port_d < <(/usr/bin/python3 -c '
import socket
prises = [socket.socket() for _ in range(2)]
for p in prises:
    p.bind(("127.0.0.1", 0))
print(*(p.getsockname()[1] for p in prises))')
mkdir "$tmp/etat" "$tmp/spool"
head -c 1024 /dev/urandom >"$tmp/munge.key"
chmod 600 "$tmp/munge.key"
export SLURM_CONF=$tmp/slurm.conf
cat >"$SLURM_CONF" <<FIN
ClusterName=aquarium
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$port_ctld
SlurmdPort=$port_d
SlurmUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$tmp/munge.socket
StateSaveLocation=$tmp/etat
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
NodeName=aquarium NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=aquarium Nodes=aquarium Default=YES MaxTime=INFINITE State=UP
FIN
# In the foreground, so as to be this script's children; they log to files in $tmp, shown on
# failure, and their consoles repeat them.
munged -F --key-file="$tmp/munge.key" --socket="$tmp/munge.socket" --pid-file="$tmp/munged.pid" \
  --log-file="$tmp/munged.log" --seed-file="$tmp/munged.seed" &>/dev/null &
demons+=($!)
for ((i = 0; i < 100; i++)); do
  [ -S "$tmp/munge.socket" ] && break
  sleep 0.1
done
slurmctld -D -i &>/dev/null &
demons+=($!)
slurmd -D -N aquarium &>/dev/null &
demons+=($!)
for ((i = 0; i < 300; i++)); do
  [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && break
  sleep 0.1
done
[ "$(sinfo -h -o %t 2>/dev/null)" = idle ] || echouer "the node never became idle: $(sinfo 2>&1)"

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
for ((i = 0; i < 3000; i++)); do
  etat=$(scontrol -o show job "$final" | grep -o 'JobState=[A-Z_]*')
  [[ $etat =~ =(PENDING|CONFIGURING|RUNNING|COMPLETING)$ ]] || break
  sleep 0.1
done
[ "$etat" = JobState=COMPLETED ] || echouer "the final job, $etat: $(cat "$tmp/slurm-final.out")"
echo "recipe run by Slurm in $((SECONDS - debut)) s"
for tache in 0 1; do
  grep -q '10 runs in 2 groups, 0 already finished, 10 to run here, 0 running elsewhere' \
    "$tmp/slurm-${job}_$tache.out" || echouer "task $tache: $(cat "$tmp/slurm-${job}_$tache.out")"
done
grep -q '20 already finished, 0 to run here' "$tmp/slurm-final.out" ||
  echouer "the final job: $(cat "$tmp/slurm-final.out")"

# Once each: one claim per run, and one job per run across the job logs, each ended well.
revendications=$(cat "$sortie"/runs/*/*/claims.txt | wc -l)
courses=$(ls -d "$sortie"/runs/*/seed-* | wc -l)
[ "$courses" = 20 ] && [ "$revendications" = 20 ] || echouer "$revendications claims of $courses runs"
awk -F'\t' '$1 != "Seq" { match($9, /--summary [^ ]+/); print $7, substr($9, RSTART + 10, RLENGTH - 10) }' \
  "$sortie"/joblogs/*.txt >"$tmp/jobs.txt"
[ "$(wc -l <"$tmp/jobs.txt")" = 20 ] && [ "$(cut -d' ' -f2 "$tmp/jobs.txt" | sort -u | wc -l)" = 20 ] &&
  [ "$(cut -d' ' -f1 "$tmp/jobs.txt" | sort -u)" = 0 ] || echouer "the job logs: $(cat "$tmp/jobs.txt")"
echo "$(ls "$sortie/joblogs" | wc -l) job logs hold 20 jobs, all ended with status 0, for 20 distinct runs"

"$racine/scripts/sweep" --batch "$batch" --seeds 1-10 --set sterility=50,100 --ticks 1500 \
  --max-speedbricks 1000 --out "$tmp/seul" 2>/dev/null
[ "$(cut -d, -f1-26 "$sortie/runs.csv")" = "$(cut -d, -f1-26 "$tmp/seul/runs.csv")" ] ||
  echouer "the table differs from a lone sweep's: $(diff "$sortie/runs.csv" "$tmp/seul/runs.csv")"
[ "$(head -c 8 "$sortie/sweep.png" | od -An -tx1 | xargs)" = "89 50 4e 47 0d 0a 1a 0a" ] ||
  echouer "no chart"
