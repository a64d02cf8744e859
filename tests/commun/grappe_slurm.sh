# A single-node Slurm cluster for the end-to-end scripts, started here as
# root: munged, slurmctld and slurmd with their keys, state, spool and logs in
# a temporary folder, one partition `essai` holding this machine.
# Source it after setting $nom_test, then:
#   grappe_requise OUTIL...   exits 0 with a SKIPPED line where it cannot run
#   grappe_demarre            sets $ici, $hote and SLURM_CONF, waits for the node
#   grappe_arrete             cancels every job, stops the daemons, removes $ici
# The sourcing script calls grappe_arrete from its EXIT trap.

saute() { echo "$nom_test: SKIPPED: $*"; exit 0; }

echec() {
  echo "$nom_test: FAILED: $*"
  for f in "$ici"/log/*; do echo "== $f"; tail -n 20 "$f"; done
  exit 1
}

port_libre() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Waits until the command succeeds, at most $1 seconds, then fails with $2.
attend_que() {
  local delai=$1 raison=$2 debut=$SECONDS
  shift 2
  until "$@"; do
    ((SECONDS - debut < delai)) || echec "$raison after $delai s"
    sleep 0.5
  done
}

grappe_requise() {
  [ "$(id -u)" -eq 0 ] || saute "the daemons need root"
  local outil
  for outil in munged slurmctld slurmd sbatch squeue sinfo scancel scontrol python3 "$@"; do
    command -v "$outil" >/dev/null || saute "$outil is missing (apt-get install slurm-wlm munge)"
  done
}

grappe_pids=()
ici=

grappe_arrete() {
  [ -n "$ici" ] || return 0
  # Jobs first, while the daemons can still end their steps: a step outlives slurmd.
  if [ ${#grappe_pids[@]} -gt 0 ]; then
    scancel --full --user=root >/dev/null 2>&1 || true
    local debut=$SECONDS
    while [ -n "$(squeue -h 2>/dev/null)" ] && ((SECONDS - debut < 20)); do sleep 0.5; done
  fi
  local pid
  for pid in "${grappe_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${grappe_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$ici"
  ici=
}

noeud_libre() { sinfo -h -o %T 2>/dev/null | grep -qx idle; }

grappe_demarre() {
  ici=$(mktemp -d "/tmp/${nom_test}_XXXXXX")
  chmod 755 "$ici"
  mkdir -p "$ici/munge" "$ici/etat" "$ici/spool" "$ici/log"
  chmod 700 "$ici/munge"
  head -c 128 /dev/urandom >"$ici/munge/munge.key"
  chmod 600 "$ici/munge/munge.key"
  munged -F -f --socket="$ici/munge/socket" --key-file="$ici/munge/munge.key" \
    --pid-file="$ici/munge/pid" --seed-file="$ici/munge/seed" --log-file="$ici/log/munged.log" \
    >"$ici/log/munged.out" 2>&1 &
  grappe_pids+=($!)

  hote=$(hostname -s)
  export SLURM_CONF=$ici/slurm.conf
  cat >"$SLURM_CONF" <<CONF
ClusterName=arene
SlurmctldHost=$hote
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$ici/munge/socket
StateSaveLocation=$ici/etat
SlurmdSpoolDir=$ici/spool
SlurmctldPidFile=$ici/slurmctld.pid
SlurmdPidFile=$ici/slurmd.pid
SlurmctldPort=$(port_libre)
SlurmdPort=$(port_libre)
SlurmctldLogFile=$ici/log/slurmctld.log
SlurmdLogFile=$ici/log/slurmd.log
ProctrackType=proctrack/pgid
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
NodeName=$hote CPUs=$(nproc) State=UNKNOWN
PartitionName=essai Nodes=$hote Default=YES MaxTime=INFINITE State=UP
CONF
  sleep 0.5
  slurmctld -D -i >"$ici/log/slurmctld.out" 2>&1 &
  grappe_pids+=($!)
  slurmd -D >"$ici/log/slurmd.out" 2>&1 &
  grappe_pids+=($!)

  local debut=$SECONDS
  attend_que 60 "the node never became idle" noeud_libre
  echo "$nom_test: cluster up in $((SECONDS - debut)) s"
}
