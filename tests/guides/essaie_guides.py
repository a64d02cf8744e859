#!/usr/bin/env python3
"""Runs every shell block (```sh) of the guides given, so that no guide goes
stale. Each block is a script run by bash in network, PID and mount
namespaces of its own: the ports a guide names are free, and nothing the
block starts outlives it. It runs from a scratch folder that is also HOME,
where the tree's folders are at hand and build/release is the build under
test; the build's programs are on PATH, as once installed. A line that starts
a server in the background is followed by a wait until it listens. A block
passes when each of its commands succeeds, within its time bound.

  essaie_guides.py --construction BUILD GUIDE.md...

The blocks that cannot run in a test, and the long ones run shortened, are
listed below with why. An entry that matches no block fails, so that the
lists are reviewed whenever a guide changes."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

RACINE = Path(__file__).resolve().parents[2]
BORNE_S = 240

# (guide, first line of the block): why it cannot run in a test.
NON_EXECUTES = {
    ("README.md", "make run      # builds build/release/arene and runs it on port 12345"):
        "installs packages and serves forever; tests/installation/debian_neuve.sh runs both "
        "commands on a fresh Debian, and .ci/run its make run part",
    ("deploiement.md", "make deb                                                # build/release/arene_1.0.0_amd64.deb"):
        "installs a package and enables systemd units as root; tests/paquet/verifie_paquet.sh "
        "does all of it in CI",
    ("deploiement.md", "sudo systemctl start arene-arbitre@4101     # a match on port 4101, recorded"):
        "needs systemd and root; tests/paquet/verifie_paquet.sh runs the unit's command",
    ("organiser.md", "make run &                               # the server on port 12345"):
        "arene-pilote needs a terminal; tests/pilote/tmux_e2e_test.cpp plays it in tmux",
    ("organiser.md", "build/release/arene-arbitre --joueurs 2 --duree 90 --enregistre match.gz"):
        "the match waits for two players and the replay needs a terminal; "
        "tests/pilote/rejoue_e2e_test.cpp replays a recorded match in tmux",
    ("organiser.md", "T=build/release/arene-tournoi", "$T lance --slurm"):
        "needs a Slurm cluster; tests/tournoi/slurm_e2e.sh starts one in CI",
    ("organiser.md", "arene-ligue sert /partage/ligue-l2 --slurm --partition court --port 8090"):
        "needs a Slurm cluster; tests/ligue/slurm_e2e.sh starts one in CI",
    ("developpement.md", "sudo tests/installation/debian_neuve.sh tout"):
        "makes a Debian root and builds everything twice: half an hour and more; "
        ".ci/run runs its make run part",
}

# A tournament of 2 matches of 4 s instead of 8 of 20 s, beside the original
# so that its bots' folder stays the same.
TOURNOI_COURT = ("sed -e 's/^repetitions = 8/repetitions = 2/' -e 's/^duree = \"20s\"/duree = \"4s\"/' "
                 "tournois/exemple.toml > tournois/court.toml\n"
                 "grep -q '^repetitions = 2' tournois/court.toml  # else exemple.toml changed: see TOURNOI_COURT")

# (guide, text, replacement, why): what the test changes in a long block.
RACCOURCIS = [
    ("README.md", "--duree 60", "--duree 5", "a minute of play proves no more than five seconds"),
    ("protocole.md", "--duree 30", "--duree 5", "a shorter match"),
    ("protocole.md", "--duree 60", "--duree 10", "the bots outlive the shorter match"),
    ("organiser.md", "--duree 20 \\", "--duree 4 \\", "a shorter match"),
    ("organiser.md", "--seconds 25", "--seconds 6", "the load tool's bots outlive the shorter match"),
    ("organiser.md", "--clients 20 --seconds 60", "--clients 4 --seconds 3",
     "three seconds of 4 bots playing: the tests running beside it keep their share of the machine"),
    ("organiser.md", "--clients 50 --pipeline 16", "--clients 5 --pipeline 16 --seconds 2",
     "two seconds of a light load, for the same reason"),
    ("organiser.md", "T=build/release/arene-tournoi\n", f"T=build/release/arene-tournoi\n{TOURNOI_COURT}\n",
     "a short copy of the example tournament"),
    ("organiser.md", "$T verifie tournois/exemple.toml", "$T verifie tournois/court.toml", "the short copy"),
    ("organiser.md", "$T lance tournois/exemple.toml", "$T lance tournois/court.toml", "the short copy"),
    ("organiser.md", "$T match d 3", "$T match d 1", "the short copy has two matches"),
    ("organiser.md", "arene-tournoi lance tournois/exemple.toml --dossier m",
     f"arene-tournoi lance tournois/court.toml --dossier m", "the short copy"),
    ("organiser.md", "build/release/arene-tournoi lance", f"{TOURNOI_COURT}\nbuild/release/arene-tournoi lance",
     "the short copy"),
]

# Servers: a background line starting one of these waits until it listens.
SERVEURS = re.compile(r"^(\S*/)?arene(-arbitre|-tournoi sert|-ligue sert)?\s")

# Every command of a block must succeed, not only its last.
PRELUDE = r"""
set -e
ip link set lo up
ecoutes() { cat /proc/net/tcp /proc/net/tcp6 2>/dev/null | awk '$4 == "0A"' | wc -l; }
# Until the listening sockets have grown, then have stayed the same for 0.5 s.
attends_ecoute() {
  local avant=$1 n i=0
  until [ "$(ecoutes)" -gt "$avant" ]; do
    i=$((i + 1)); [ $i -lt 300 ] || { echo "nothing listened within 30 s" >&2; return 1; }
    sleep 0.1
  done
  n=$(ecoutes); sleep 0.5
  while [ "$(ecoutes)" -ne "$n" ]; do n=$(ecoutes); sleep 0.5; done
}
"""


def blocs(texte):
    """The fenced blocks of a guide: (line number, language, text)."""
    trouves, langue, debut, lignes = [], None, 0, []
    for numero, ligne in enumerate(texte.split("\n"), 1):
        if ligne.startswith("```"):
            if langue is None:
                langue, debut, lignes = ligne[3:].strip(), numero, []
            else:
                trouves.append((debut, langue, "\n".join(lignes) + "\n"))
                langue = None
        elif langue is not None:
            lignes.append(ligne)
    return trouves


def script(bloc):
    """The block with a wait after each command that starts a server in the
    background (a command may go on over lines ending in a backslash)."""
    sortie, commande = [], []
    for ligne in bloc.split("\n"):
        commande.append(ligne)
        if ligne.endswith("\\"):
            continue
        fin = re.sub(r"\s+#.*$", "", ligne).rstrip()
        if fin.endswith("&") and not fin.endswith("&&") and SERVEURS.match(commande[0]):
            sortie += ["__avant=$(ecoutes)", *commande, "attends_ecoute $__avant"]
        else:
            sortie += commande
        commande = []
    return PRELUDE + "\n".join(sortie + commande)


def espace_de_noms():
    """The unshare command that gives a block its own namespaces, or None."""
    commande = ["unshare", "--net", "--pid", "--fork", "--kill-child", "--mount", "--mount-proc"]
    if os.geteuid() != 0:
        commande[1:1] = ["--user", "--map-root-user"]
    essai = subprocess.run(commande + ["ip", "link", "set", "lo", "up"], capture_output=True)
    return commande if essai.returncode == 0 else None


def dossier_de_travail(construction):
    """A scratch folder holding the tree's entries and build/release."""
    ici = Path(tempfile.mkdtemp(prefix="guides_"))
    for entree in RACINE.iterdir():
        if entree.name not in ("build", ".git", "tournois"):
            (ici / entree.name).symlink_to(entree)
    # A folder of its own, so that a block may write a tournament file there.
    shutil.copytree(RACINE / "tournois", ici / "tournois")
    (ici / "build").mkdir()
    (ici / "build" / "release").symlink_to(Path(construction).resolve())
    return ici


def execute(bloc, unshare, construction):
    ici = dossier_de_travail(construction)
    env = dict(os.environ, HOME=str(ici),
               PATH=f"{Path(construction).resolve()}:{os.environ['PATH']}")
    try:
        processus = subprocess.Popen(unshare + ["bash", "-s"], cwd=ici, env=env, text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        try:
            sortie, _ = processus.communicate(script(bloc), timeout=BORNE_S)
        except subprocess.TimeoutExpired:
            processus.kill()
            sortie, _ = processus.communicate()
            return f"still running after {BORNE_S} s", sortie
        return (None if processus.returncode == 0 else f"exit status {processus.returncode}"), sortie
    finally:
        shutil.rmtree(ici, ignore_errors=True)


def non_execute(guide, bloc):
    premiere = bloc.split("\n")[0]
    for cle, raison in NON_EXECUTES.items():
        if cle[0] == guide and cle[1] == premiere and all(t in bloc for t in cle[2:]):
            return cle, raison
    return None, None


def verifie_guide(chemin, unshare, construction):
    guide = chemin.name
    fautes, passes, sautes, utilises = [], 0, 0, set()
    for ligne, langue, bloc in blocs(chemin.read_text()):
        if langue in ("bash", "shell", "console", "shell-session", "zsh"):
            fautes.append(f"{guide}:{ligne}: a shell block is marked '{langue}': mark it 'sh'")
            continue
        if langue != "sh":
            continue
        cle, raison = non_execute(guide, bloc)
        if cle:
            utilises.add(cle)
            sautes += 1
            print(f"not run: {guide}:{ligne}: {raison}")
            continue
        for g, avant, apres, _ in RACCOURCIS:
            if g == guide and avant in bloc:
                bloc = bloc.replace(avant, apres)
                utilises.add((g, avant))
        probleme, sortie = execute(bloc, unshare, construction)
        if probleme:
            fautes.append(f"{guide}:{ligne}: {probleme}\n{bloc}--- output:\n{sortie[-4000:]}")
        else:
            passes += 1
            print(f"ok: {guide}:{ligne}: {bloc.split(chr(10))[0]}")
    if guide == "developpement.md":
        fautes += [f"{guide}: the source tree does not name {d}/" for d in arbre_non_documente(chemin.read_text())]
    for cle in NON_EXECUTES:
        if cle[0] == guide and cle not in utilises:
            fautes.append(f"{guide}: no block begins with {cle[1]!r}: review the list of blocks not run")
    for g, avant, _, _ in RACCOURCIS:
        if g == guide and (g, avant) not in utilises:
            fautes.append(f"{guide}: no block holds {avant!r}: review the shortened blocks")
    return passes, sautes, fautes


def arbre_non_documente(texte):
    """The folders holding the tree's files (top level, src/, tools/) that the
    "Source tree" section of the contributors' guide does not name."""
    section = texte.split("## Source tree", 1)[-1].split("\n## ", 1)[0]
    fichiers = subprocess.run(["git", "-C", str(RACINE), "ls-files"], capture_output=True,
                              text=True, check=True).stdout.split()
    dossiers = set()
    for fichier in fichiers:
        parties = fichier.split("/")
        if len(parties) > 1:
            dossiers.add(parties[0])
        if len(parties) > 2 and parties[0] in ("src", "tools"):
            dossiers.add("/".join(parties[:2]))
    return sorted(d for d in dossiers if not re.search(rf"`{re.escape(d)}[/`]", section))


def main():
    options = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    options.add_argument("--construction", required=True, help="the build folder under test")
    options.add_argument("guides", nargs="+", type=Path)
    args = options.parse_args()
    unshare = espace_de_noms()
    if unshare is None:
        print("guides: SKIPPED: no network namespace can be made here (unshare, ip)")
        return 77
    passes, sautes, fautes = 0, 0, []
    for guide in args.guides:
        p, s, f = verifie_guide(guide, unshare, args.construction)
        passes, sautes, fautes = passes + p, sautes + s, fautes + f
    for faute in fautes:
        print(f"FAILED: {faute}")
    print(f"{passes} passed, {len(fautes)} failed, {sautes} skipped")
    return 1 if fautes else 0


if __name__ == "__main__":
    sys.exit(main())
