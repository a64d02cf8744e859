#!/usr/bin/env python3
"""CPU fairness of the cage: a well-behaved reference bot's decisions per
second in a match against a bot that spins on every core, divided by the same
against a quiet bot, in one run (target: 0.9 or more). Matches alternate:
quiet then spinner, caged then with --sans-cage, for several rounds; the
median ratio and its spread are printed for each, with the load average.

    python3 bench/equite_cpu.py [build/release] [--duree 10] [--tours 3]

Each decision of the reference costs a fixed amount of arithmetic (measured
once at the start to take about 2 ms here, then the same in every match),
then one command and its reply: its rate is the CPU it gets, not how fast the
referee wakes. On a machine shared with other work, read the spread.
"""
import argparse
import json
import os
import statistics
import subprocess
import tempfile
import time

# The reference's thinking: `tours` steps of arithmetic, the same work in every match.
CALCUL = r'''
def pense(tours):
    x = 1
    for i in range(tours):
        x = (x * 1103515245 + i) % 2147483648
    return x
'''

REFERENCE = CALCUL + r'''
import socket, sys, time
port, couleur, duree, tours = (int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]),
                               int(sys.argv[4]))
s = socket.create_connection(("127.0.0.1", port))
f = s.makefile("rb")
s.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % couleur)
f.readline()
n, debut = 0, time.monotonic()
try:
    while time.monotonic() - debut < duree:
        pense(tours)
        s.sendall(b"GET STATUT\r\n")
        if not f.readline():
            break
        n += 1
except OSError:
    pass
print("decisions_par_s", n / (time.monotonic() - debut), flush=True)
'''

# Registers, then spins a process per core (four at least) until the end.
TOUPIE = r'''
import os, socket, sys, time
port, couleur, duree = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
s = socket.create_connection(("127.0.0.1", port))
s.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % couleur)
for _ in range(max(4, os.cpu_count() or 1) - 1):
    if os.fork() == 0:
        break
fin = time.monotonic() + duree
while time.monotonic() < fin:
    pass
'''

CALME = r'''
import socket, sys, time
port, couleur, duree = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
s = socket.create_connection(("127.0.0.1", port))
s.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % couleur)
time.sleep(duree)
'''


def tournoi(dossier, adversaire, duree, tours):
    texte = (f'nom = "equite"\n[match]\nduree = "{duree + 5}s"\nattente = 10\ndelai_fin = 1\n'
             '[[bots]]\nnom = "reference"\ndossier = "bots"\n'
             f'commande = "python3 reference.py {{port}} {{couleur}} {duree} {tours}"\n'
             f'[[bots]]\nnom = "adversaire"\ndossier = "bots"\n'
             f'commande = "python3 {adversaire}.py {{port}} {{couleur}} {duree}"\n')
    chemin = os.path.join(dossier, f"{adversaire}.toml")
    with open(chemin, "w") as f:
        f.write(texte)
    return chemin


def taux(binaire, dossier, adversaire, args, cage, tour):
    sortie = os.path.join(dossier, f"{adversaire}-{'cage' if cage else 'libre'}-{tour}")
    commande = [binaire, "lance", tournoi(dossier, adversaire, args.duree, args.calcul),
                "--dossier", sortie]
    subprocess.run(commande + ([] if cage else ["--sans-cage"]), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=args.duree + 120)
    with open(os.path.join(sortie, "resultats.jsonl")) as f:
        regime = json.loads(f.readline())["cage"]
    with open(os.path.join(sortie, "matchs", "0000", "bots", "reference.log")) as f:
        for ligne in f:
            if ligne.startswith("decisions_par_s"):
                return float(ligne.split()[1]), regime
    raise SystemExit(f"no rate in {sortie}: did the reference play?")


# Steps of thinking that take about `ms` milliseconds on this machine: the
# fastest of a few tries, the others having waited for a core.
def calibre(ms):
    espace = {}
    exec(CALCUL, espace)
    essais = []
    for _ in range(7):
        debut = time.perf_counter()
        espace["pense"](50_000)
        essais.append(time.perf_counter() - debut)
    return max(1000, int(50_000 * ms / 1000 / min(essais)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/release")
    parser.add_argument("--duree", type=float, default=10, help="seconds the reference measures")
    parser.add_argument("--tours", type=int, default=3, help="rounds of the four matches")
    parser.add_argument("--ms", type=float, default=2, help="thinking per decision, about")
    args = parser.parse_args()
    args.calcul = calibre(args.ms)
    binaire = os.path.abspath(os.path.join(args.build, "arene-tournoi"))
    ratios, regimes, charges = {True: [], False: []}, {}, []
    with tempfile.TemporaryDirectory(prefix="equite_") as dossier:
        os.makedirs(os.path.join(dossier, "bots"))
        for nom, code in [("reference", REFERENCE), ("toupie", TOUPIE), ("calme", CALME)]:
            with open(os.path.join(dossier, "bots", nom + ".py"), "w") as f:
                f.write(code)
        os.chmod(dossier, 0o755)
        print(f"cores: {os.cpu_count()}, {args.calcul} steps per decision, "
              f"reference measured for {args.duree:g} s per match")
        for tour in range(args.tours):
            for cage in (True, False):
                calme, regimes[cage] = taux(binaire, dossier, "calme", args, cage, tour)
                toupie, _ = taux(binaire, dossier, "toupie", args, cage, tour)
                charges.append(os.getloadavg()[0])
                ratios[cage].append(toupie / calme)
                print(f"{regimes[cage]:22} decisions/s vs quiet {calme:7.1f}, "
                      f"vs spinner {toupie:7.1f}, ratio {toupie / calme:.2f}", flush=True)
    for cage in (True, False):
        r = ratios[cage]
        print(f"{regimes[cage]:22} ratio median {statistics.median(r):.2f}, "
              f"min {min(r):.2f}, max {max(r):.2f} over {len(r)} rounds")
    print(f"load average (1 min) after each round: {min(charges):.2f} to {max(charges):.2f}")


if __name__ == "__main__":
    main()
