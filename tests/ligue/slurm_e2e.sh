#!/usr/bin/env bash
# A league served with --slurm on a single-node Slurm cluster started here:
# three students with the Python kit's example bot, 2 s matches of two. Each
# match must go out as a job and come back as a result and ratings on the
# leaderboard. A partition that does not exist is refused at once, one that
# closes mid-season holds the matches back; a job
# cancelled before it starts is a lost match; a pause takes back the jobs
# still queued; a restart after kill -9 cancels the jobs left behind; SIGTERM
# cancels ours, leaving the database whole; a restart goes on.
# Usage: tests/ligue/slurm_e2e.sh [build folder]   (default: build/release)
set -euo pipefail
racine=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$racine/build/release}" && pwd)
ligue_bin=$build/arene-ligue

nom_test=ligue_slurm_e2e
. "$racine/tests/commun/grappe_slurm.sh"
grappe_requise curl
for programme in arene-ligue arene-tournoi arene-arbitre; do
  [ -x "$build/$programme" ] || { echo "$nom_test: $build/$programme is not built"; exit 1; }
done

service=
arrete_tout() {
  [ -z "$service" ] || { kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true; }
  grappe_arrete
}
trap arrete_tout EXIT
grappe_demarre
L=$ici/L

# One number from the league's database, read beside the running service.
nombre() { python3 -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(sys.argv[2]).fetchone()[0])' "$L/ligue.sqlite" "$1"; }
au_moins() { [ "$(nombre "$2")" -ge "$1" ]; }
# Our jobs still on Slurm in the given states (all by default): match jobs are named arene-match-ID.
nos_taches() { squeue -h -o '%i %j' "$@" 2>/dev/null | grep ' arene-match-' || true; }
aucune_tache() { [ -z "$(nos_taches)" ]; }
taches_en_attente() { [ "$(nos_taches -t PENDING | wc -l)" -ge "$1" ]; }
aucune_en_attente() { [ -z "$(nos_taches -t PENDING)" ]; }
restes() {
  local f
  for f in $(grep -l -a -- "$L" /proc/[0-9]*/cmdline 2>/dev/null); do
    tr '\0' ' ' <"$f" 2>/dev/null && echo
  done
}
aucun_reste() { [ -z "$(restes)" ]; }

sert() {
  "$ligue_bin" sert "$L" --port 0 --adresse 127.0.0.1 -j 2 --slurm --partition "${1:-essai}" \
    --kits "$racine/kits" >"$ici/log/ligue.out" 2>"$ici/log/ligue.err" &
  service=$!
  attend_que 30 "arene-ligue never served" grep -q "serving at" "$ici/log/ligue.out"
  port=$(sed -n 's|.*:\([0-9]*\)/$|\1|p' "$ici/log/ligue.out" | head -n 1)
}

# SIGTERM, then what must hold after any stop: nothing left running here or on
# Slurm, no match counted twice or by halves, a rating line after each result.
arrete_service() {
  kill -TERM "$service"
  local debut=$SECONDS statut=0
  wait "$service" || statut=$?
  service=
  ((SECONDS - debut < 90)) || echec "arene-ligue took $((SECONDS - debut)) s to stop"
  [ "$statut" -eq 0 ] || echec "arene-ligue ended with $statut"
  attend_que 60 "jobs of ours still on Slurm: $(nos_taches)" aucune_tache
  attend_que 30 "processes left: $(restes)" aucun_reste
  for requete in \
    "SELECT COUNT(*) FROM matchs WHERE etat = 'en_cours'" \
    "SELECT COUNT(*) FROM matchs m WHERE etat = 'fini' AND (SELECT COUNT(*) FROM participations p WHERE p.match = m.id AND rang IS NOT NULL) <> 2" \
    "SELECT COUNT(*) FROM participations p JOIN matchs m ON m.id = p.match WHERE m.etat <> 'fini' AND rang IS NOT NULL" \
    "SELECT COUNT(*) FROM (SELECT 1 FROM historique_notes GROUP BY version, apres_match HAVING COUNT(*) > 1)" \
    "SELECT COUNT(*) FROM matchs WHERE etat = 'fini' AND id NOT IN (SELECT apres_match FROM historique_notes)"; do
    [ "$(nombre "$requete")" -eq 0 ] || echec "after the stop, not 0: $requete"
  done
}

# The league: three students, each with the kit's example as a ready version.
printf 'nom\nAda\nBasile\nCamille\n' >"$ici/classe.csv"
"$ligue_bin" init "$L" --classe "$ici/classe.csv" >"$ici/liens.txt"
admin=$(sed -n 's|.*/admin/\([^ ]*\) .*|\1|p' "$ici/liens.txt")
sed -i -e 's/^joueurs = .*/joueurs = 2/' -e 's/"60s"/"2s"/' "$L/ligue.toml"
python3 - "$L" "$racine/kits" <<'PY'
import shutil, sqlite3, sys, os
ligue, kits = sys.argv[1:]
base = sqlite3.connect(os.path.join(ligue, "ligue.sqlite"))
for eleve in (1, 2, 3):
    dossier = os.path.join(ligue, "versions", str(eleve))
    os.makedirs(dossier)
    shutil.copy(os.path.join(kits, "python", "exemple.py"), dossier)
    base.execute("INSERT INTO versions (eleve, numero, langage, deposee, etat, commande) "
                 "VALUES (?, 1, 'python', datetime('now'), 'prete', ?)",
                 (eleve, f"PYTHONPATH={kits}/python python3 exemple.py {{host}} {{port}} {{couleur}} {{duree}}"))
base.commit()
PY

# A partition Slurm does not have: refused before serving, naming it.
debut=$SECONDS
statut=0
timeout 60 "$ligue_bin" sert "$L" --port 0 --adresse 127.0.0.1 --slurm --partition nulle \
  >"$ici/log/nulle.out" 2>&1 || statut=$?
[ "$statut" -eq 1 ] || echec "a missing partition gave $statut after $((SECONDS - debut)) s: $(cat "$ici/log/nulle.out")"
grep -q "nulle" "$ici/log/nulle.out" || echec "no word of the partition: $(cat "$ici/log/nulle.out")"
[ "$(nombre "SELECT COUNT(*) FROM matchs")" -eq 0 ] || echec "matches were planned for a missing partition"

# Matches go out as jobs and come back as results and ratings.
debut=$SECONDS
sert
attend_que 180 "fewer than 3 matches played" au_moins 3 "SELECT COUNT(*) FROM matchs WHERE etat = 'fini'"
echo "$nom_test: 3 matches played through Slurm in $((SECONDS - debut)) s;" \
  "from start to counted: $(nombre "SELECT printf('%.1f s on average, %.0f s at most', AVG(d), MAX(d)) FROM (SELECT (julianday(fin) - julianday(debut)) * 86400 d FROM matchs WHERE etat = 'fini')") for 2 s matches"
for id in $(nombre "SELECT group_concat(id, ' ') FROM matchs WHERE etat = 'fini'"); do
  grep -qx '[0-9][0-9]*' "$L/matchs/$id/slurm/tache.txt" || echec "match $id has no job id"
  grep -q '"statut":"termine"' "$L/matchs/$id/matchs/0000/resultat.json" || echec "match $id did not end well"
done
page=$(curl -sf "http://127.0.0.1:$port/") || echec "no leaderboard"
for eleve in Ada Basile Camille; do
  grep -q "$eleve" <<<"$page" || echec "$eleve is not on the leaderboard"
done
grep -q "<polyline" <<<"$page" || echec "no rating drawn on the leaderboard"

# The partition closed mid-season: Slurm refuses the jobs. Their matches wait
# for it rather than failing one after another, and go out once it reopens.
scontrol update PartitionName=essai State=INACTIVE
avant=$(nombre "SELECT COUNT(*) FROM matchs")
sleep 10
apres=$(nombre "SELECT COUNT(*) FROM matchs")
((apres - avant <= 2)) || echec "$((apres - avant)) matches planned in 10 s while Slurm refused jobs"
scontrol update PartitionName=essai State=UP
joues=$(nombre "SELECT COUNT(*) FROM matchs WHERE etat = 'fini'")
attend_que 90 "no match played once the partition reopened" \
  au_moins $((joues + 1)) "SELECT COUNT(*) FROM matchs WHERE etat = 'fini'"

# The node drained: jobs queue. One cancelled from outside before it starts
# is a lost match, not a wait for ever, and another takes its place.
scontrol update NodeName="$hote" State=DRAIN Reason=essai
attend_que 120 "no two jobs of ours queued" taches_en_attente 2
annulee=$(nos_taches -t PENDING | head -n 1 | cut -d' ' -f2)
annulee=${annulee#arene-match-}
scancel --name="arene-match-$annulee"
attend_que 60 "match $annulee still running once its job was cancelled" \
  au_moins 1 "SELECT COUNT(*) FROM matchs WHERE id = $annulee AND etat <> 'en_cours'"
attend_que 60 "no job in place of the cancelled one" taches_en_attente 2

# Paused while jobs queue: those not started are taken back, none starts.
curl -sf -o /dev/null -H 'Sec-Fetch-Site: same-origin' -d pause=1 \
  "http://127.0.0.1:$port/admin/$admin/pause" || echec "the pause was refused"
attend_que 60 "jobs still queued in pause: $(nos_taches)" aucune_en_attente
[ "$(nombre "SELECT COUNT(*) FROM matchs WHERE etat = 'en_cours'")" -eq 0 ] ||
  echec "matches still running in pause with no job"
curl -sf -o /dev/null -H 'Sec-Fetch-Site: same-origin' -d pause=0 \
  "http://127.0.0.1:$port/admin/$admin/pause" || echec "the resumption was refused"
attend_que 60 "no job queued after resuming" taches_en_attente 1

# kill -9 with jobs queued: the restart cancels them before their matches go out again.
orphelines=$(nos_taches | cut -d_ -f1 | sort -u)
kill -KILL "$service"
wait "$service" 2>/dev/null || true
sert
attend_que 60 "no job queued after the restart" taches_en_attente 1
for tache in $orphelines; do
  ! nos_taches | grep -q "^${tache}_" || echec "job $tache of the killed service still queued"
done

# SIGTERM with jobs queued: each cancelled, nothing counted twice.
arrete_service
joues=$(nombre "SELECT COUNT(*) FROM matchs WHERE etat = 'fini'")

# The node back: a restart goes on from there.
scontrol update NodeName="$hote" State=RESUME
debut=$SECONDS
sert
attend_que 180 "no match played after the restart" \
  au_moins $((joues + 2)) "SELECT COUNT(*) FROM matchs WHERE etat = 'fini'"
echo "$nom_test: 2 more matches after the restart in $((SECONDS - debut)) s"
arrete_service
echo "1 passed, 0 failed"
