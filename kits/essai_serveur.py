#!/usr/bin/env python3
"""Plays bots against the real server and checks that each registered, played
to the end of its time, quit cleanly (the server's trace shows its quit) and
exited 0.

    essai_serveur.py --serveur build/release/arene --duree 10 \\
        --bot "1234567 build/release/kits/cpp/viseur_cpp --port {port} --couleur 1234567 --duree 10"

Each --bot is a colour (decimal and not one of the named ones, so that the
trace shows it as a number), then the command line, where {port} stands for
the server's port.
"""

import argparse
import shlex
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "bots"))

from partie import EchecPartie, fait_jouer, journaux, serveur  # noqa: E402


def essaie(binaire: str, bots: dict[str, list[str]], duree: float) -> tuple[list[str], str]:
    """Plays the bots (colour: command line, {port} in it) against the server;
    returns what went wrong, if anything, and the logs."""
    with tempfile.TemporaryDirectory(prefix="essai-") as nom:
        dossier = Path(nom)
        trace = dossier / "arene.log"
        try:
            with serveur([binaire, "-debug"], trace) as (_, port):
                avec_port = {couleur: [mot.replace("{port}", str(port)) for mot in commande]
                             for couleur, commande in bots.items()}
                statuts = fait_jouer(avec_port, dossier, duree + 30)
        except EchecPartie as erreur:
            return [str(erreur)], journaux(dossier)
        texte = trace.read_text(errors="replace")
        fautes = [f"bot {couleur} exited with status {statut}"
                  for couleur, statut in statuts.items() if statut != 0]
        fautes += [f"the trace shows no quit of bot {couleur}" for couleur in statuts
                   if f"le Le client {couleur} s'est barre\n" not in texte]
        return fautes, journaux(dossier)


def main() -> int:
    parseur = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parseur.add_argument("--serveur", required=True, help="the arene binary")
    parseur.add_argument("--duree", type=float, required=True, help="seconds each bot plays")
    parseur.add_argument("--bot", action="append", required=True, help="'COLOUR COMMAND...'")
    args = parseur.parse_args()
    bots = {}
    for bot in args.bot:
        couleur, *commande = shlex.split(bot)
        bots[couleur] = commande
    fautes, journal = essaie(args.serveur, bots, args.duree)
    for faute in fautes:
        print(faute)
    if fautes:
        print(journal)
    print(f"{len(bots) - len(fautes)} passed, {len(fautes)} failed")
    return 1 if fautes else 0


if __name__ == "__main__":
    sys.exit(main())
