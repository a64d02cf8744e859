#!/usr/bin/env python3
"""Runs a server binary and bots against it on 127.0.0.1, and checks how it
went: the free-for-all of the five sample bots in arene-arbitre, and the
helpers the kits' tests share. Every process started here is killed and
reaped, whatever happens.

    partie.py --arbitre build/release/arene-arbitre --graine 7 --duree 30
"""

from __future__ import annotations

import argparse
import contextlib
import json
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Iterator, Optional, Sequence

ICI = Path(__file__).resolve().parent
# The five bots by rising skill, with their colours (decimal: the trace names them).
BOTS = [("immobile", 8421504), ("tourneur", 16776960), ("prudent", 65280),
        ("viseur", 16711680), ("esquiveur", 255)]
# prudent never fires.
TIREURS = {"tourneur", "viseur", "esquiveur"}


class EchecPartie(Exception):
    """The match did not go as it should; the message says what happened."""


def port_libre() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _arrete(processus: subprocess.Popen) -> None:  # type: ignore[type-arg]
    if processus.poll() is None:
        processus.kill()
    processus.wait()


@contextlib.contextmanager
def serveur(commande: Sequence[str], journal: Path, delai: float = 10.0
            ) -> Iterator[tuple[subprocess.Popen, int]]:  # type: ignore[type-arg]
    """Starts `commande` + ["--port", P] or [P] on a free port (see `avec_port`)
    until it accepts connections; yields the process and its port."""
    for _ in range(5):  # another program may take the free port first
        port = port_libre()
        with open(journal, "wb") as sortie:
            processus = subprocess.Popen(avec_port(commande, port), stdout=sortie,
                                         stderr=subprocess.STDOUT)
        try:
            if _attend_ecoute(processus, port, delai):
                yield processus, port
                return
        finally:
            _arrete(processus)
    raise EchecPartie(f"{commande[0]} never listened (see {journal})")


def avec_port(commande: Sequence[str], port: int) -> list[str]:
    # arene takes its port as a plain argument, arene-arbitre as an option.
    if Path(commande[0]).name == "arene":
        return [*commande, str(port)]
    return [*commande, "--port", str(port)]


def _attend_ecoute(processus: subprocess.Popen, port: int,  # type: ignore[type-arg]
                   delai: float) -> bool:
    fin = time.monotonic() + delai
    while time.monotonic() < fin and processus.poll() is None:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def fait_jouer(commandes: dict[str, list[str]], dossier: Path, delai: float) -> dict[str, int]:
    """Runs the bots at once (name: command line) and returns their exit
    statuses; a bot still running after `delai` seconds is killed and fails."""
    processus = {}
    try:
        for nom, commande in commandes.items():
            with open(dossier / f"{nom}.log", "wb") as sortie:
                processus[nom] = subprocess.Popen(commande, stdout=sortie,
                                                  stderr=subprocess.STDOUT)
        fin = time.monotonic() + delai
        statuts = {}
        for nom, p in processus.items():
            try:
                statuts[nom] = p.wait(timeout=max(0.1, fin - time.monotonic()))
            except subprocess.TimeoutExpired:
                statuts[nom] = -9
        return statuts
    finally:
        for p in processus.values():
            _arrete(p)


def journaux(dossier: Path) -> str:
    """Every log of the folder, for a failure's message."""
    return "\n".join(f"--- {f.name}\n{f.read_text(errors='replace')[-3000:]}"
                     for f in sorted(dossier.glob("*.log")))


def melee(arbitre: str, graine: int, duree: float, dossier: Path,
          bots: Sequence[tuple[str, int]] = BOTS) -> dict:  # type: ignore[type-arg]
    """A free-for-all of the bots in arene-arbitre; returns its results."""
    resultats = dossier / "resultats.json"
    commande = [arbitre, "--graine", str(graine), "--joueurs", str(len(bots)),
                "--duree", str(duree), "--attente", "60", "--resultats", str(resultats)]
    with serveur(commande, dossier / "arbitre.log") as (processus, port):
        # The bots would play on past the end: the server's closing ends them.
        statuts = fait_jouer({nom: [sys.executable, str(ICI / f"{nom}.py"), "--port", str(port),
                                    "--couleur", str(couleur), "--duree", str(duree + 60)]
                              for nom, couleur in bots}, dossier, duree + 90)
        try:
            fin = processus.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise EchecPartie("arene-arbitre did not end after the match") from None
    echecs = {nom: s for nom, s in statuts.items() if s != 0}
    if echecs or fin != 0:
        raise EchecPartie(f"exit statuses: bots {echecs}, arene-arbitre {fin}\n"
                          + journaux(dossier))
    return json.loads(resultats.read_text())


# A ship destroyed within its first seconds may not have had a shot yet: the
# spawns are random, and an aimer can start right next to another.
TICKS_AVANT_PREMIER_TIR = 200


def detruit_tot(joueur: dict) -> bool:  # type: ignore[type-arg]
    """Whether the ship was destroyed before a bot could be expected to fire."""
    tick = joueur.get("tick_destruction")
    return tick is not None and tick < TICKS_AVANT_PREMIER_TIR


def verifie_melee(resultats: dict) -> list[str]:  # type: ignore[type-arg]
    """What is wrong with a free-for-all's results, if anything."""
    joueurs = {j["couleur"]: j for j in resultats["joueurs"]}
    fautes = []
    for nom, couleur in BOTS:
        joueur = joueurs.get(couleur)
        if joueur is None:
            fautes.append(f"{nom} ({couleur}) never registered")
        elif nom in TIREURS and joueur["balles_tirees"] == 0 and not detruit_tot(joueur):
            fautes.append(f"{nom} ({couleur}) never fired")
    return fautes


def main(argv: Optional[list[str]] = None) -> int:
    parseur = argparse.ArgumentParser(description="The five bots' free-for-all, checked.")
    parseur.add_argument("--arbitre", required=True, help="the arene-arbitre binary")
    parseur.add_argument("--graine", type=int, default=7)
    parseur.add_argument("--duree", type=float, default=30)
    args = parseur.parse_args(argv)
    with tempfile.TemporaryDirectory(prefix="melee-") as dossier:
        try:
            resultats = melee(args.arbitre, args.graine, args.duree, Path(dossier))
        except EchecPartie as erreur:
            print(erreur)
            return 1
        print(json.dumps(resultats, indent=1))
        fautes = verifie_melee(resultats)
        for faute in fautes:
            print(faute)
        print(f"{len(BOTS) - len(fautes)} passed, {len(fautes)} failed")
        return 1 if fautes else 0


if __name__ == "__main__":
    sys.exit(main())
