#!/usr/bin/env python3
"""Checks that the includes of the source tree point one way.

The rooms are the folders under src/ and tools/; scripts/couches.txt lists them
lowest first. A file may include from its own room and from the rooms listed
above its own line. Prints every include that goes up or sideways, and every
room missing from the list or listed but absent, then exits 1; exits 0 when
there is none. The developers' guide's source-tree table is held to the same
list: every room in it, lowest first, and no folder it names missing.
"""
import argparse
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"')
ZONES = ("src", "tools")
GUIDE = "docs/developpement.md"
DOSSIER = re.compile(r"`((?:src|tools)/[^`/]+)`")


def lit_ordre(fichier):
    """{room: level}, one level per line of the file."""
    niveaux = {}
    for niveau, ligne in enumerate(l.split("#")[0].split() for l in fichier.read_text().splitlines()):
        for salle in ligne:
            niveaux[salle] = niveau
    return niveaux


def salles_du_depot(racine):
    """The folders under src/ and tools/ that hold C++ files."""
    return {f"{zone}/{d.name}" for zone in ZONES for d in (racine / zone).iterdir()
            if d.is_dir() and any(d.rglob("*.[ch]*"))}


def problemes(racine, niveaux):
    salles = salles_du_depot(racine)
    yield from (f"{s}: a room missing from scripts/couches.txt" for s in sorted(salles - set(niveaux)))
    yield from (f"{s}: listed in scripts/couches.txt, but no such room" for s in sorted(set(niveaux) - salles))
    par_nom = {s.split("/")[1]: s for s in salles}
    for salle in sorted(salles & set(niveaux)):
        for fichier in sorted((racine / salle).rglob("*")):
            if fichier.suffix not in (".h", ".cpp"):
                continue
            for numero, ligne in enumerate(fichier.read_text().splitlines(), 1):
                m = INCLUDE.match(ligne)
                cible = par_nom.get(m.group(1)) if m else None
                if cible is None or cible == salle or cible not in niveaux:
                    continue
                if niveaux[cible] >= niveaux[salle]:
                    sens = "beside it" if niveaux[cible] == niveaux[salle] else "above it"
                    yield (f"{fichier.relative_to(racine)}:{numero}: {salle} includes "
                           f"{cible}, a room {sens}")


def dossiers_du_guide(racine):
    """The src/ and tools/ folders the guide's source-tree table names, in its order."""
    fichier = racine / GUIDE
    texte = fichier.read_text() if fichier.exists() else ""
    table = texte.partition("## Source tree")[2].partition("\n## ")[0]
    return [d for ligne in table.splitlines() if ligne.startswith("|")
            for d in DOSSIER.findall(ligne.split("|")[1])]


def problemes_du_guide(racine, niveaux):
    nommes = dossiers_du_guide(racine)
    yield from (f"{GUIDE}: {s}, a room missing from the source tree table"
                for s in sorted(set(niveaux) - set(nommes)))
    yield from (f"{GUIDE}: {d} in the source tree table, but no such folder"
                for d in nommes if not (racine / d).is_dir())
    salles = [d for d in nommes if d in niveaux]
    for avant, apres in zip(salles, salles[1:]):
        if niveaux[apres] < niveaux[avant]:
            yield f"{GUIDE}: {avant} listed before {apres}, a room below it"


def main():
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--racine", type=pathlib.Path,
                         default=pathlib.Path(__file__).resolve().parent.parent,
                         help="the source tree (default: this script's)")
    racine = options.parse_args().racine
    niveaux = lit_ordre(racine / "scripts" / "couches.txt")
    trouves = list(problemes(racine, niveaux)) + list(problemes_du_guide(racine, niveaux))
    for p in trouves:
        print(p)
    print(f"couches: {len(trouves)} problem(s)" if trouves else "couches: every include points down")
    return 1 if trouves else 0


if __name__ == "__main__":
    sys.exit(main())
