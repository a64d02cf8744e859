#!/usr/bin/env python3
"""CPU fairness of the cage: a well-behaved reference bot's replies per second
in a match against a bot that spins on every core, divided by the same
against a quiet bot, in one run (target: 0.9 or more). Each pair of matches
is played caged, then with --sans-cage for comparison.

    python3 bench/equite_cpu.py [build/release] [--duree 10] [--tours 2]

The reference asks GET STATUT and waits for each reply, as fast as it can;
its rate depends on the CPU it and the referee get. On a machine shared with
other work, repeat (--tours) and read the spread.
"""
import argparse
import json
import os
import subprocess
import tempfile

REFERENCE = r'''
import socket, sys, time
port, couleur, duree = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
s = socket.create_connection(("127.0.0.1", port))
f = s.makefile("rb")
s.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % couleur)
f.readline()
n, debut = 0, time.monotonic()
try:
    while time.monotonic() - debut < duree:
        s.sendall(b"GET STATUT\r\n")
        if not f.readline():
            break
        n += 1
except OSError:
    pass
print("reponses_par_s", n / (time.monotonic() - debut), flush=True)
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


def tournoi(dossier, adversaire, duree):
    texte = (f'nom = "equite"\n[match]\nduree = "{duree + 5}s"\nattente = 10\ndelai_fin = 1\n'
             '[[bots]]\nnom = "reference"\ndossier = "bots"\n'
             f'commande = "python3 reference.py {{port}} {{couleur}} {duree}"\n'
             f'[[bots]]\nnom = "adversaire"\ndossier = "bots"\n'
             f'commande = "python3 {adversaire}.py {{port}} {{couleur}} {duree}"\n')
    chemin = os.path.join(dossier, f"{adversaire}.toml")
    with open(chemin, "w") as f:
        f.write(texte)
    return chemin


def taux(binaire, dossier, adversaire, duree, cage, tour):
    sortie = os.path.join(dossier, f"{adversaire}-{'cage' if cage else 'libre'}-{tour}")
    commande = [binaire, "lance", tournoi(dossier, adversaire, duree), "--dossier", sortie]
    subprocess.run(commande + ([] if cage else ["--sans-cage"]), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=duree + 120)
    with open(os.path.join(sortie, "resultats.jsonl")) as f:
        regime = json.loads(f.readline())["cage"]
    with open(os.path.join(sortie, "matchs", "0000", "bots", "reference.log")) as f:
        for ligne in f:
            if ligne.startswith("reponses_par_s"):
                return float(ligne.split()[1]), regime
    raise SystemExit(f"no rate in {sortie}: did the reference play?")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/release")
    parser.add_argument("--duree", type=float, default=10, help="seconds the reference measures")
    parser.add_argument("--tours", type=int, default=1)
    args = parser.parse_args()
    binaire = os.path.abspath(os.path.join(args.build, "arene-tournoi"))
    with tempfile.TemporaryDirectory(prefix="equite_") as dossier:
        os.makedirs(os.path.join(dossier, "bots"))
        for nom, code in [("reference", REFERENCE), ("toupie", TOUPIE), ("calme", CALME)]:
            with open(os.path.join(dossier, "bots", nom + ".py"), "w") as f:
                f.write(code)
        os.chmod(dossier, 0o755)
        print(f"cores: {os.cpu_count()}, reference measured for {args.duree:g} s per match")
        for tour in range(args.tours):
            for cage in (True, False):
                calme, regime = taux(binaire, dossier, "calme", args.duree, cage, tour)
                toupie, _ = taux(binaire, dossier, "toupie", args.duree, cage, tour)
                print(f"{regime:22} replies/s vs quiet {calme:8.0f}, vs spinner {toupie:8.0f}, "
                      f"ratio {toupie / calme:.2f}")


if __name__ == "__main__":
    main()
