#!/usr/bin/env python3
"""Time from a student's upload to a ready version, for each kit's example.

Makes a league in a scratch folder, starts `arene-ligue sert` on a free port
of this machine, sends the five examples one after the other and polls the
database until each is ready. What it measures is the builder's loop (it
looks for new versions every half second) plus the build in the cage.

    ./bench/constructions_ligue.py [build/release]
"""
import pathlib
import re
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.request

RACINE = pathlib.Path(__file__).resolve().parents[1]
KITS = RACINE / "kits"
EXEMPLES = [("python", KITS / "python/exemple.py", "bot.py"),
            ("javascript", KITS / "javascript/exemple.js", "bot.js"),
            ("c", KITS / "c/exemple.c", "bot.c"),
            ("cpp", KITS / "cpp/exemple.cpp", "bot.cpp"),
            ("java", KITS / "java/src/Exemple.java", "Exemple.java")]


def main():
    ligue = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else RACINE / "build/release") / "arene-ligue"
    with tempfile.TemporaryDirectory() as ici:
        ici = pathlib.Path(ici)
        (ici / "classe.csv").write_text("Ana\n")
        liens = subprocess.run([ligue, "init", ici / "l", "--classe", ici / "classe.csv"],
                               check=True, capture_output=True, text=True).stdout
        jeton = re.search(r"/eleve/([A-Za-z0-9_-]{43})", liens).group(1)
        serveur = subprocess.Popen([ligue, "sert", ici / "l", "--port", "0", "--adresse", "127.0.0.1",
                                    "--kits", KITS], stdout=subprocess.PIPE, text=True)
        try:
            port = re.search(r"127\.0\.0\.1:(\d+)", serveur.stdout.readline()).group(1)
            base = sqlite3.connect(ici / "l/ligue.sqlite")
            for numero, (langage, source, nom) in enumerate(EXEMPLES, 1):
                debut = time.monotonic()
                requete = urllib.request.Request(
                    f"http://127.0.0.1:{port}/eleve/{jeton}/depot?langage={langage}&nom={nom}",
                    data=source.read_bytes(), headers={"Origin": f"http://127.0.0.1:{port}"})
                urllib.request.urlopen(requete, timeout=30).read()
                etat = None
                while etat not in ("prete", "echec") and time.monotonic() - debut < 600:
                    time.sleep(0.05)
                    etat = base.execute("SELECT etat FROM versions WHERE numero = ?", (numero,)).fetchone()[0]
                print(f"{langage:10} {etat:6} {time.monotonic() - debut:6.2f} s")
        finally:
            serveur.terminate()
            serveur.wait()


if __name__ == "__main__":
    main()
