#!/usr/bin/env python3
"""A league's season against a tournament of as many matches: a class of N
bots of the five sample kinds, K per match, matches of D seconds, played by
`arene-ligue sert` for a while, then the same number of matches by
`arene-tournoi lance` (groups of K). Reports, for each, matches per hour and
how many pairs of neighbouring bots are separated (their 95 % rating
intervals apart); for the league also after how long every neighbouring pair
of different kinds was separated, and the CPU of arene-ligue itself.

    python3 bench/saison_ligue.py [build/release] [--bots 30] [--duree 60]
        [--joueurs 4] [-j 2] [--minutes 60]

Neighbours are taken in the final order of the league's ratings; two bots of
the same kind are equally strong, so only pairs of different kinds count.
"""
import argparse
import json
import math
import os
import shutil
import signal
import sqlite3
import subprocess
import tempfile
import time

KINDS = ["immobile", "tourneur", "prudent", "viseur", "esquiveur"]
SOURCES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def league(build, folder, a):
    classe = os.path.join(folder, "classe.csv")
    with open(classe, "w") as f:
        f.write("nom\n" + "".join(f"{KINDS[i % 5]}-{i}\n" for i in range(a.bots)))
    l = os.path.join(folder, "L")
    subprocess.run([os.path.join(build, "arene-ligue"), "init", l, "--classe", classe],
                   check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(l, "ligue.toml")) as f:
        text = f.read()
    text = text.replace('duree = "60s"', f'duree = "{a.duree}s"')
    text = text.replace("joueurs = 4", f"joueurs = {a.joueurs}")
    with open(os.path.join(l, "ligue.toml"), "w") as f:
        f.write(text)
    db = sqlite3.connect(os.path.join(l, "ligue.sqlite"))
    for i in range(a.bots):
        kind = KINDS[i % 5]
        os.makedirs(os.path.join(l, "versions", str(i + 1)))
        # The sample bot with the modules it shares; the kit through PYTHONPATH.
        for f in os.listdir(os.path.join(SOURCES, "bots")):
            if f.endswith(".py"):
                shutil.copy(os.path.join(SOURCES, "bots", f), os.path.join(l, "versions", str(i + 1)))
        db.execute("INSERT INTO versions (eleve, numero, langage, deposee, etat, commande) "
                   "VALUES (?, 1, 'python', datetime('now'), 'prete', ?)",
                   (i + 1, f"PYTHONPATH={SOURCES}/kits/python python3 {kind}.py --host {{host}} --port {{port}} "
                           "--couleur {couleur} --duree {duree}"))
    db.commit()
    return l


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def separated(rows):
    """rows: (name, rating, low, high) best first; neighbouring pairs of
    different kinds, and how many of them are apart."""
    pairs = [(x, y) for x, y in zip(rows, rows[1:])
             if x[0].rsplit("-", 1)[0] != y[0].rsplit("-", 1)[0]]
    return len(pairs), sum(1 for x, y in pairs if x[2] > y[3])


def run_league(build, folder, a):
    l = league(build, folder, a)
    server = subprocess.Popen([os.path.join(build, "arene-ligue"), "sert", l, "--port", "0",
                               "--adresse", "127.0.0.1", "-j", str(a.j)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    time.sleep(a.minutes * 60)
    cpu = cpu_seconds(server.pid)
    elapsed = time.monotonic() - start
    server.send_signal(signal.SIGTERM)
    server.wait(timeout=120)
    db = sqlite3.connect(os.path.join(l, "ligue.sqlite"))
    played = db.execute("SELECT COUNT(*) FROM matchs WHERE etat = 'fini'").fetchone()[0]
    first = db.execute("SELECT MIN(julianday(debut)) FROM matchs").fetchone()[0]
    # After each refit: the neighbours in the order of that refit.
    when = None
    for match, end in db.execute("SELECT id, julianday(fin) FROM matchs WHERE etat = 'fini' "
                                 "ORDER BY id").fetchall():
        rows = db.execute("SELECT e.nom, h.note, h.bas, h.haut FROM historique_notes h "
                          "JOIN versions v ON v.id = h.version JOIN eleves e ON e.id = v.eleve "
                          "WHERE h.apres_match = ? ORDER BY h.note DESC", (match,)).fetchall()
        pairs, apart = separated(rows)
        if len(rows) == a.bots and pairs and apart == pairs and when is None:
            when = (end - first) * 24
    last = db.execute("SELECT MAX(apres_match) FROM historique_notes").fetchone()[0]
    rows = db.execute("SELECT e.nom, h.note, h.bas, h.haut FROM historique_notes h "
                      "JOIN versions v ON v.id = h.version JOIN eleves e ON e.id = v.eleve "
                      "WHERE h.apres_match = ? ORDER BY h.note DESC", (last,)).fetchall()
    return played, elapsed, cpu, separated(rows), when


def run_tournament(build, folder, a, matches, seconds):
    """As many matches as the league played, or as long as it ran: with 30
    bots there are 27,405 groups of 4, so the tournament is stopped (SIGTERM)
    and its results gathered; it plays its groups in their fixed order."""
    groups = math.comb(a.bots, a.joueurs)
    repetitions = max(1, math.ceil(matches / groups))
    bots = "".join(
        f'[[bots]]\nnom = "{KINDS[i % 5]}-{i}"\ncommande = "python3 {KINDS[i % 5]}.py --host '
        f'{{host}} --port {{port}} --couleur {{couleur}} --duree {{duree}}"\n'
        f'dossier = "{SOURCES}/bots"\n\n' for i in range(a.bots))
    fichier = os.path.join(folder, "t.toml")
    with open(fichier, "w") as f:
        f.write(f'nom = "comparaison"\n[format]\ntype = "groupes"\ntaille = {a.joueurs}\n'
                f'repetitions = {repetitions}\n[match]\nduree = "{a.duree}s"\nfin = "duree"\n'
                f'[cage]\nlectures = ["{SOURCES}/kits"]\n\n{bots}')
    dossier = os.path.join(folder, "T")
    start = time.monotonic()
    t = subprocess.Popen([os.path.join(build, "arene-tournoi"), "lance", fichier, "--dossier",
                          dossier, "-j", str(a.j)],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while t.poll() is None and time.monotonic() - start < seconds and \
            finished_matches(dossier) < matches:
        time.sleep(1)
    if t.poll() is None:
        t.send_signal(signal.SIGTERM)
        t.wait(timeout=180)
    elapsed = time.monotonic() - start
    subprocess.run([os.path.join(build, "arene-tournoi"), "rassemble", dossier],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(dossier, "classement.json")) as f:
        c = json.load(f)
    rows = [(b["nom"], b["note"], *b["intervalle_note"]) for b in c["bots"]]
    return c["matchs_termines"], elapsed, separated(rows)


def finished_matches(dossier):
    """The tournament's matches that wrote their result so far."""
    root = os.path.join(dossier, "matchs")
    if not os.path.isdir(root):
        return 0
    return sum(1 for m in os.listdir(root) if os.path.exists(os.path.join(root, m, "resultat.json")))


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("build", nargs="?", default=os.path.join(SOURCES, "build", "release"))
    p.add_argument("--bots", type=int, default=30)
    p.add_argument("--duree", type=float, default=60)
    p.add_argument("--joueurs", type=int, default=4)
    p.add_argument("-j", type=int, default=2)
    p.add_argument("--minutes", type=float, default=60)
    p.add_argument("--garde", help="copy the league's database here, for bench/separation")
    a = p.parse_args()
    print(f"load average before: {os.getloadavg()}")
    with tempfile.TemporaryDirectory() as folder:
        played, elapsed, cpu, (pairs, apart), when = run_league(a.build, folder, a)
        print(f"load average after the league: {os.getloadavg()}")
        if a.garde:  # through SQLite: the results may still be in its log
            with sqlite3.connect(os.path.join(folder, "L", "ligue.sqlite")) as source, \
                    sqlite3.connect(a.garde) as copy:
                source.backup(copy)
        print(f"league: {played} matches in {elapsed:.0f} s = {played * 3600 / elapsed:.0f} "
              f"matches/hour; arene-ligue's own CPU {cpu:.1f} s ({100 * cpu / elapsed:.1f} %); "
              f"{apart} of {pairs} neighbouring pairs separated; all separated after "
              + (f"{when:.2f} h" if when is not None else "never within the run"))
        if played:
            t_played, t_elapsed, (t_pairs, t_apart) = run_tournament(a.build, folder, a, played,
                                                                     elapsed)
            print(f"load average after the tournament: {os.getloadavg()}")
            print(f"tournament: {t_played} matches in {t_elapsed:.0f} s = "
                  f"{t_played * 3600 / t_elapsed:.0f} matches/hour; {t_apart} of {t_pairs} "
                  "neighbouring pairs separated")


if __name__ == "__main__":
    main()
