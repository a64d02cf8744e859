#!/usr/bin/env python3
"""Each sample bot's mean rank over free-for-alls on several seeds:

    bots/classement.py --arbitre build/release/arene-arbitre --graines 10 --duree 30
"""

import argparse
import sys
import tempfile
from pathlib import Path

from partie import BOTS, melee


def main() -> int:
    parseur = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parseur.add_argument("--arbitre", required=True)
    parseur.add_argument("--graines", type=int, default=10, help="seeds 1 to N")
    parseur.add_argument("--duree", type=float, default=30)
    args = parseur.parse_args()
    rangs: dict[int, list[int]] = {couleur: [] for _, couleur in BOTS}
    for graine in range(1, args.graines + 1):
        with tempfile.TemporaryDirectory(prefix="classement-") as dossier:
            resultats = melee(args.arbitre, graine, args.duree, Path(dossier))
        for joueur in resultats["joueurs"]:
            rangs[joueur["couleur"]].append(joueur["rang"])
        print(f"seed {graine}: " + ", ".join(
            f"{nom} {rangs[couleur][-1]}" for nom, couleur in BOTS), flush=True)
    print("mean rank over", args.graines, "seeds:")
    for nom, couleur in BOTS:
        print(f"  {nom:10} {sum(rangs[couleur]) / len(rangs[couleur]):.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
