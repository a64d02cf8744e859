#!/usr/bin/env python3
"""The five sample bots in free-for-alls on seeds 1 to N, for each duration:
every seed's ranks, each bot's mean rank, and whether they came out in the
order of their skill, each neighbour's mean rank apart by at least ECART.

    bots/classement.py --arbitre build/release/arene-arbitre --graines 10 --duree 20 60

Exits 0 when the order held at every duration, 1 otherwise.
"""

from __future__ import annotations

import argparse
import sys
import tempfile
from pathlib import Path

from partie import BOTS, melee

ECART = 0.3  # the least gap between neighbours' mean ranks for the order to count


def moyennes(rangs: dict[int, list[int]]) -> list[tuple[str, float]]:
    """Each bot's mean rank, worst bot first (BOTS' order)."""
    return [(nom, sum(rangs[couleur]) / len(rangs[couleur])) for nom, couleur in BOTS]


def ordre_tenu(moyennes_: list[tuple[str, float]]) -> list[str]:
    """Each pair of neighbours whose mean ranks are not apart by ECART, worse minus better."""
    return [f"{pire} {rang_pire:.2f} vs {meilleur} {rang_meilleur:.2f}"
            for (pire, rang_pire), (meilleur, rang_meilleur) in zip(moyennes_, moyennes_[1:])
            if rang_pire - rang_meilleur < ECART - 1e-9]  # means of tenths: no float error


def classe(arbitre: str, graines: int, duree: float) -> bool:
    print(f"== {graines} seeds of {duree:g} s", flush=True)
    rangs: dict[int, list[int]] = {couleur: [] for _, couleur in BOTS}
    for graine in range(1, graines + 1):
        with tempfile.TemporaryDirectory(prefix="classement-") as dossier:
            resultats = melee(arbitre, graine, duree, Path(dossier))
        for joueur in resultats["joueurs"]:
            rangs[joueur["couleur"]].append(joueur["rang"])
        print(f"seed {graine}: " + ", ".join(
            f"{nom} {rangs[couleur][-1]}" for nom, couleur in BOTS)
            + f" ({resultats['cadence']:.1f} ticks/s)", flush=True)
    moyennes_ = moyennes(rangs)
    print("mean rank: " + ", ".join(f"{nom} {rang:.2f}" for nom, rang in moyennes_))
    trop_pres = ordre_tenu(moyennes_)
    print("order held" if not trop_pres else
          f"order NOT held (apart by less than {ECART}): " + "; ".join(trop_pres), flush=True)
    return not trop_pres


def main() -> int:
    parseur = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parseur.add_argument("--arbitre", required=True)
    parseur.add_argument("--graines", type=int, default=10, help="seeds 1 to N")
    parseur.add_argument("--duree", type=float, nargs="+", default=[20.0, 60.0],
                         help="seconds of each match; several durations are played in turn")
    args = parseur.parse_args()
    tenus = [classe(args.arbitre, args.graines, duree) for duree in args.duree]
    return 0 if all(tenus) else 1


if __name__ == "__main__":
    sys.exit(main())
