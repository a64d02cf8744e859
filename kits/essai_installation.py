#!/usr/bin/env python3
"""Installs one kit as its README tells a bot author to, into a temporary
folder, builds the kit's first bot in a folder of its own, and checks that
bot there: it refuses a malformed colour by name, says why when no server
answers, turns toward the nearest ship, and plays the real server under a
colour written in hexadecimal.

    essai_installation.py --kit c --construction build/release --serveur build/release/arene

Exits 77 (skipped) when a tool the kit needs is missing.
"""

from __future__ import annotations

import argparse
import os
import re
import shlex
import shutil
import socket
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import Callable

from essai_serveur import essaie

KITS = Path(__file__).resolve().parent
DELAI = 120  # seconds any one step may take
COULEUR_HEXA, COULEUR = "0x74CBB1", "7654321"


class Echec(Exception):
    """A step went wrong; the message says which and what it printed."""


@dataclass
class Poste:
    """A bot author's machine in miniature: where kits are installed, the
    author's own folder, and the environment both see."""

    args: argparse.Namespace
    prefixe: Path
    moi: Path
    env: dict[str, str]

    def lance(self, commande: list[str], dossier: Path | None = None) -> str:
        fini = subprocess.run(commande, cwd=dossier or self.moi, env=self.env, timeout=DELAI,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if fini.returncode != 0:
            raise Echec(f"{shlex.join(commande)} exited {fini.returncode}:\n{fini.stdout}")
        return fini.stdout

    def copie_exemple(self, exemple: str, nom: str) -> None:
        shutil.copyfile(KITS / exemple, self.moi / nom)

    def installe_composant(self) -> None:
        """What the README says after a build: cmake --install ... --component kits."""
        self.lance([self.args.cmake, "--install", self.args.construction, "--prefix",
                    str(self.prefixe), "--component", "kits"])

    def drapeaux(self) -> list[str]:
        dossiers = self.prefixe.glob("lib*/**/pkgconfig")
        self.env["PKG_CONFIG_PATH"] = ":".join(str(d) for d in dossiers)
        return shlex.split(self.lance(["pkg-config", "--cflags", "--libs", "arene"]))


def fichiers(dossier: Path) -> set[Path]:
    return {p for p in dossier.rglob("*") if "__pycache__" not in p.parts}


def python(p: Poste) -> list[str]:
    kit = KITS / "python"
    avant = fichiers(kit)
    p.env["PYTHONUSERBASE"] = str(p.prefixe)
    p.env["PIP_BREAK_SYSTEM_PACKAGES"] = "1"  # a --user install, which Debian's pip guards
    # No index at all: the build must need nothing from a network.
    p.lance([sys.executable, "-m", "pip", "install", "--user", "--no-index", "--no-cache-dir",
             "--disable-pip-version-check", "--quiet", str(kit)])
    if fichiers(kit) != avant:
        raise Echec(f"pip wrote into the kit's folder: {sorted(map(str, fichiers(kit) - avant))}")
    p.copie_exemple("python/exemple.py", "mon_bot.py")
    return [sys.executable, "mon_bot.py"]


def exemple_d_entete(entete: Path, marque: str) -> str:
    """The usage example at the top of a kit's header, without its comment marks."""
    lignes = entete.read_text().splitlines()
    code = [ligne[len(marque):] for ligne in lignes[:40] if ligne.startswith(marque)]
    if not code:
        raise Echec(f"{entete} has no example")
    return "\n".join(code)


def c(p: Poste) -> list[str]:
    p.installe_composant()
    drapeaux = p.drapeaux()
    exemple = exemple_d_entete(p.prefixe / "include" / "arene" / "arene.h", " *   ")
    (p.moi / "entete.c").write_text(
        f'#include <stdio.h>\n#include "arene.h"\nint main(void) {{\n{exemple}\n  return 0;\n}}\n')
    p.lance([p.args.cc, "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", "-o", "entete",
             "entete.c", *drapeaux])
    p.copie_exemple("c/exemple.c", "mon_bot.c")
    p.lance([p.args.cc, "-std=c99", "-Wall", "-Werror", "-o", "mon_bot", "mon_bot.c", *drapeaux])
    return ["./mon_bot"]


def cpp(p: Poste) -> list[str]:
    p.installe_composant()
    drapeaux = p.drapeaux()
    exemple = exemple_d_entete(p.prefixe / "include" / "arene" / "arene.hpp", "//   ")
    (p.moi / "entete.cpp").write_text(
        f'#include "arene.hpp"\nint main() {{\n{exemple}\n}}\n')
    p.lance([p.args.cxx, "-std=c++17", "-Wall", "-Wextra", "-Werror", "-o", "entete",
             "entete.cpp", *drapeaux])
    p.copie_exemple("cpp/exemple.cpp", "mon_bot.cpp")
    p.lance([p.args.cxx, "-std=c++17", "-Wall", "-Werror", "-o", "mon_bot", "mon_bot.cpp",
             *drapeaux])
    return ["./mon_bot"]


def java(p: Poste) -> list[str]:
    p.installe_composant()
    jar = p.prefixe / "share" / "java" / "arene.jar"
    p.copie_exemple("java/src/Exemple.java", "Exemple.java")
    p.lance(["javac", "-cp", str(jar), "Exemple.java"])
    return ["java", "-cp", f"{jar}:.", "Exemple"]


def javascript(p: Poste) -> list[str]:
    # Offline, and no update check: nothing leaves this machine.
    npm = ["npm", "--offline", "--no-audit", "--no-fund", "--no-update-notifier", "--cache",
           str(p.prefixe / "npm")]
    p.lance([*npm, "init", "--yes"])
    p.lance([*npm, "pkg", "set", "type=module"])
    p.lance([*npm, "install", str(KITS / "javascript")])
    p.copie_exemple("javascript/exemple.js", "mon_bot.js")
    return ["node", "mon_bot.js"]


KITS_ESSAYES: dict[str, tuple[Callable[[Poste], list[str]], list[str]]] = {
    "python": (python, []),
    "c": (c, ["pkg-config"]),
    "cpp": (cpp, ["pkg-config"]),
    "java": (java, ["javac", "java", "jar"]),
    "javascript": (javascript, ["node", "npm"]),
}


def port_ferme() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def sortie(commande: list[str], dossier: Path, env: dict[str, str]) -> tuple[int, str]:
    fini = subprocess.run(commande, cwd=dossier, env=env, timeout=DELAI, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    return fini.returncode, fini.stdout


def refuse_la_couleur(p: Poste, bot: list[str]) -> list[str]:
    statut, texte = sortie([*bot, "127.0.0.1", str(port_ferme()), "0xZZ", "5"], p.moi, p.env)
    if statut == 0 or "'0xZZ'" not in texte or re.search(r"Traceback|Exception|refused", texte):
        return [f"the colour 0xZZ was not refused by name (status {statut}):\n{texte}"]
    return []


def dit_pourquoi(p: Poste, bot: list[str]) -> list[str]:
    statut, texte = sortie([*bot, "127.0.0.1", str(port_ferme()), COULEUR, "5"], p.moi, p.env)
    if statut == 0 or "refused" not in texte.lower():
        return [f"with no server, status {statut} and no reason given:\n{texte}"]
    return []


# A recorded world: this bot's ship (255) at the centre facing +x, a ship just
# above it (to its left), and two far ships to its right, first and last of
# the others: turning toward the first or the last other ship goes right.
MONDE = ("PUT VAISSEAUX 4\r\n700. 100. 0. 5 1\r\n700. 700. 0. 5 255\r\n"
         "700. 780. 0. 5 2\r\n1300. 600. 0. 5 3\r\n")


def vise_le_plus_proche(p: Poste, bot: list[str]) -> list[str]:
    with socket.create_server(("127.0.0.1", 0)) as ecoute:
        ecoute.settimeout(DELAI)
        commande = [*bot, "127.0.0.1", str(ecoute.getsockname()[1]), "255", "20"]
        processus = subprocess.Popen(commande, cwd=p.moi, env=p.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)
        try:
            connexion, _ = ecoute.accept()
            with connexion, connexion.makefile("rwb", buffering=0) as flux:
                connexion.settimeout(DELAI)
                lignes = [flux.readline()]
                flux.write(b"VAISSEAU ENREGISTRE\r\n")
                while (ligne := flux.readline()) == b"GET VAISSEAUX\r\n":
                    flux.write(MONDE.encode())
                lignes.append(ligne)
            statut = processus.wait(timeout=DELAI)
        finally:
            if processus.poll() is None:
                processus.kill()
            texte = processus.communicate()[0]
    if lignes != [b"PUT COULEUR VAISSEAU 255\r\n", b"PUT ACTION GAUCHE\r\n"] or statut != 0:
        return [f"facing ships right and left, the bot sent {lignes} and exited {statut} "
                f"(a left turn toward the nearest ship was due, then a quiet exit):\n{texte}"]
    return []


def joue_en_hexadecimal(p: Poste, bot: list[str]) -> list[str]:
    os.chdir(p.moi)  # the bot starts from the author's folder, with the author's environment
    os.environ.clear()
    os.environ.update(p.env)
    fautes, journal = essaie(p.args.serveur, {COULEUR: [*bot, "127.0.0.1", "{port}",
                                                         COULEUR_HEXA, "3"]}, 3)
    return [f"{faute} (registered as {COULEUR_HEXA})" for faute in fautes] + (
        [journal] if fautes else [])


def main() -> int:
    parseur = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parseur.add_argument("--kit", required=True, choices=KITS_ESSAYES)
    parseur.add_argument("--construction", required=True, help="the build folder")
    parseur.add_argument("--serveur", required=True, help="the arene binary")
    parseur.add_argument("--cmake", default="cmake")
    parseur.add_argument("--cc", default="cc")
    parseur.add_argument("--cxx", default="c++")
    args = parseur.parse_args()
    args.construction, args.serveur = (str(Path(a).resolve()) for a in (args.construction,
                                                                        args.serveur))
    prepare, outils = KITS_ESSAYES[args.kit]
    manquants = [o for o in outils if shutil.which(o) is None]
    if args.kit == "python" and subprocess.run([sys.executable, "-m", "pip", "--version"],
                                               capture_output=True).returncode != 0:
        manquants.append("pip")
    if manquants:
        print(f"kit {args.kit}: {', '.join(manquants)} missing, skipped")
        return 77
    with tempfile.TemporaryDirectory(prefix=f"kit-{args.kit}-") as nom:
        racine = Path(nom)
        (racine / "mon_bot").mkdir()
        env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "NODE_PATH")}
        env["HOME"] = str(racine)  # nothing lands in the real home
        poste = Poste(args, racine / "prefixe", racine / "mon_bot", env)
        try:
            bot = prepare(poste)
        except (Echec, subprocess.TimeoutExpired) as erreur:
            print(f"installing and building: {erreur}")
            print("0 passed, 1 failed")
            return 1
        verifications = [refuse_la_couleur, dit_pourquoi, vise_le_plus_proche, joue_en_hexadecimal]
        echecs = 0
        for verifie in verifications:
            fautes = verifie(poste, bot)
            echecs += bool(fautes)
            for faute in fautes:
                print(f"{verifie.__name__}: {faute}")
        print(f"{len(verifications) - echecs} passed, {echecs} failed")
        return 1 if echecs else 0


if __name__ == "__main__":
    sys.exit(main())
