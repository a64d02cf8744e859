#!/usr/bin/env bash
# The same small tournament played on a single-node Slurm cluster started here
# (munged, slurmctld and slurmd as root, in a folder of their own) and locally:
# it must be submitted, gathered, and give the same seeds and report structure.
# Usage: tests/tournoi/slurm_e2e.sh [build folder]   (default: build/release)
set -euo pipefail
racine=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$racine/build/release}" && pwd)
tournoi=$build/arene-tournoi

nom_test=slurm_e2e
. "$racine/tests/commun/grappe_slurm.sh"
grappe_requise
[ -x "$tournoi" ] || { echo "slurm_e2e: $tournoi is not built"; exit 1; }
trap grappe_arrete EXIT
grappe_demarre

cat >"$ici/tournoi.toml" <<TOML
nom = "slurm"
[format]
repetitions = 4
[match]
duree = "2s"
graine_base = 70
[cage]
lectures = ["$racine/tests/tournoi"]
[[bots]]
nom = "tireur"
commande = "python3 $racine/tests/tournoi/bot_de_test.py --port {port} --couleur {couleur} --mode tireur --marque $ici/"
[[bots]]
nom = "immobile"
commande = "python3 $racine/tests/tournoi/bot_de_test.py --port {port} --couleur {couleur} --mode immobile --marque $ici/"
TOML

debut=$SECONDS
"$tournoi" lance --slurm --partition essai --dossier "$ici/grappe" "$ici/tournoi.toml" | tee "$ici/log/soumission.txt"
tache=$(cat "$ici/grappe/slurm/tache.txt")
# Submitting again while the job runs would play its matches twice at once.
if "$tournoi" lance --slurm --reprendre --dossier "$ici/grappe" >"$ici/log/double.txt" 2>&1; then
  echec "a second submission was accepted while job $tache runs"
fi
grep -q "still has tasks" "$ici/log/double.txt" || echec "no word of the running job: $(cat "$ici/log/double.txt")"
until [ -z "$(squeue -h -j "$tache" 2>/dev/null)" ]; do
  ((SECONDS - debut < 300)) || echec "job $tache still queued or running after 300 s"
  sleep 0.5
done
echo "slurm_e2e: 4-task job array done in $((SECONDS - debut)) s"
"$tournoi" rassemble "$ici/grappe" || echec "rassemble found failed or missing matches"
# Once every match is in, resuming submits nothing and ranks again.
"$tournoi" lance --slurm --reprendre --dossier "$ici/grappe" >/dev/null 2>&1 || echec "resuming a finished tournament"
[ "$(cat "$ici/grappe/slurm/tache.txt")" = "$tache" ] || echec "resuming a finished tournament submitted a job"
"$tournoi" lance -j 2 --dossier "$ici/local" "$ici/tournoi.toml" >/dev/null || echec "local run failed"

restants=$(grep -l -a -- "--marque $ici/" /proc/[0-9]*/cmdline 2>/dev/null || true)
[ -z "$restants" ] || echec "processes left: $restants"

# Same seeds per match, same files, same keys in the ranking.
python3 - "$ici/grappe" "$ici/local" <<'PY' || echec "the Slurm and local runs differ"
import json, os, sys
def structure(d):
    lignes = [json.loads(l) for l in open(os.path.join(d, "resultats.jsonl"))]
    assert all(l["statut"] == "termine" for l in lignes), lignes
    fichiers = {m: sorted(os.listdir(os.path.join(d, "matchs", m))) + sorted(os.listdir(os.path.join(d, "matchs", m, "bots")))
                for m in sorted(os.listdir(os.path.join(d, "matchs")))}
    classement = json.load(open(os.path.join(d, "classement.json")))
    racine = sorted(f for f in os.listdir(d) if f != "slurm")
    return {"graines": [l["graine"] for l in lignes], "fichiers": fichiers, "racine": racine,
            "cles": sorted(classement), "bots": sorted(b["nom"] for b in classement["bots"]),
            "cles_bot": sorted(classement["bots"][0])}
grappe, local = structure(sys.argv[1]), structure(sys.argv[2])
for cle in grappe:
    if grappe[cle] != local[cle]:
        sys.exit(f"{cle}: slurm {grappe[cle]} != local {local[cle]}")
assert grappe["graines"] == [70, 71, 72, 73], grappe["graines"]
# Every match on the node ran its bots caged, as locally.
cages = {json.loads(l)["cage"] for l in open(os.path.join(sys.argv[1], "resultats.jsonl"))}
assert all(c.startswith("bwrap") for c in cages), cages
print("slurm_e2e: same structure:", grappe["racine"], "seeds", grappe["graines"])
PY
echo "1 passed, 0 failed"
