"""What every sample bot shares: its command line, its connection, its game
loop paced on the tick, and a clean end (quit at the end of its time, or exit
quietly when the server ends the match by closing the connection)."""

from __future__ import annotations

import argparse
import math
import sys
import time
from pathlib import Path
from typing import Callable, Optional

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "kits" / "python"))

# The bots reach the kit through this module, which puts it on the path.
from arene import (Arene, Balle, Commande, ConnexionFermee,  # noqa: E402, F401
                   CouleurInvalide, Cube, Taille, Vaisseau, lit_couleur)

from geometrie import PAS_VITESSE, VITESSE_BALLE, VITESSE_MIN, pas_de_rotation  # noqa: E402

PERIODE = 1 / 40  # the world moves at most this often: polling faster sees nothing new
TICKS_PAR_SECONDE = 40.0  # the nominal rate, until the bullets tell the real one


class Horloge:
    """The world's ticks, counted from what the polls show rather than from
    the wall clock: a loaded machine slows the server's ticks and this
    process's polls, and speeds and delays in ticks stay right.

    Bullets fly exactly VITESSE_BALLE a tick, and the server lists them newest
    first, removals keeping the order: the oldest few of one poll, when they
    are still there, end the list of the next, each moved by the same whole
    number of ticks. Between such measures the last rate seen carries on."""

    def __init__(self) -> None:
        self.tick = 0.0
        self.cadence = TICKS_PAR_SECONDE
        self.avant: tuple[list[Balle], float] | None = None

    def avance(self, balles: list[Balle], temps: float) -> float:
        """Counts the ticks since the previous poll, seen at `temps` seconds."""
        if self.avant is not None:
            anciennes, t0 = self.avant
            ticks = ticks_ecoules(anciennes, balles)
            if ticks is None:
                ticks = (temps - t0) * self.cadence
            elif ticks > 0 and temps > t0:
                self.cadence += 0.2 * (min(80.0, max(5.0, ticks / (temps - t0))) - self.cadence)
            self.tick += ticks
        self.avant = (balles, temps)
        return self.tick


def ticks_ecoules(avant: list[Balle], apres: list[Balle], temoins: int = 3) -> int | None:
    """Ticks between two polls, if the oldest `temoins` bullets of the first
    are still the last of the second: each then moved the same whole number of
    flights. None when it cannot be told, and so when the witnesses are all of
    one colour: a stream fired along one line from one place sits on a
    lattice, and when its oldest bullets are gone the next ones take their
    places, fewer ticks off."""
    if len(avant) < temoins or len(apres) < temoins:
        return None
    if len({b.couleur for b in avant[-temoins:]}) < 2:
        return None
    mesures = set()
    for a, b in zip(avant[-temoins:], apres[-temoins:]):
        if a.couleur != b.couleur:
            return None
        vols = math.hypot(b.x - a.x, b.y - a.y) / VITESSE_BALLE
        if abs(vols - round(vols)) > 1e-6 * max(1.0, vols):
            return None
        mesures.add(round(vols))
    return mesures.pop() if len(mesures) == 1 else None


class Bot:
    """A registered bot; `tour` runs once per tick until the time is up."""

    def __init__(self, arene: Arene) -> None:
        self.arene = arene
        self.couleur = arene.couleur
        self.vitesse = 0.0  # never reported by the server: we remember what we asked
        self.vitesse_sure_jusqua = 0.0

    def tour(self) -> None:
        raise NotImplementedError

    def mon_vaisseau(self, vaisseaux: list[Vaisseau]) -> Optional[Vaisseau]:
        return next((v for v in vaisseaux if v.couleur == self.couleur), None)

    def pilote(self, cap: float, voulu: float, vitesse: float, max_pas: int = 20
               ) -> list[Commande]:
        """The actions that turn toward `voulu` and bring the speed to `vitesse`;
        all of them apply at once, before the next tick."""
        tours = pas_de_rotation(cap, voulu, max_pas)
        return ([Commande.GAUCHE if tours > 0 else Commande.DROITE] * abs(tours)
                + self.regle_vitesse(vitesse))

    def regle_vitesse(self, vitesse: float) -> list[Commande]:
        """Actions that set the speed to `vitesse` whatever it was: from any
        speed, enough decelerations end at exactly the minimum. Actions sent
        before a match starts do nothing, so the speed is set again every
        second rather than trusted."""
        maintenant = time.monotonic()
        if vitesse == self.vitesse and maintenant < self.vitesse_sure_jusqua:
            return []
        self.vitesse, self.vitesse_sure_jusqua = vitesse, maintenant + 1.0
        return ([Commande.DECELERE] * 110
                + [Commande.ACCELERE] * round((vitesse - VITESSE_MIN) / PAS_VITESSE))


def couleur_en_argument(texte: str) -> int:
    """The kit's reading of a colour, its message shown as argparse's."""
    try:
        return lit_couleur(texte)
    except CouleurInvalide as erreur:
        raise argparse.ArgumentTypeError(str(erreur)) from None


def options(description: str, couleur: int) -> argparse.Namespace:
    parseur = argparse.ArgumentParser(description=description)
    parseur.add_argument("--host", default="127.0.0.1", help="server address")
    parseur.add_argument("--port", type=int, default=12345, help="server port")
    parseur.add_argument("--couleur", type=couleur_en_argument, default=couleur,
                         help="colour number, decimal or 0xRRGGBB (the next free one if taken)")
    parseur.add_argument("--duree", type=float, default=60.0, help="seconds to play, then quit")
    return parseur.parse_args()


def joue(description: str, couleur: int, fabrique: Callable[[Arene], Bot]) -> int:
    """Runs a bot from its command line; returns the exit status."""
    args = options(description, couleur)
    try:
        with Arene.connecte(args.host, args.port) as arene:
            arene.enregistre(args.couleur, essais=100)
            bot = fabrique(arene)
            fin = time.monotonic() + args.duree
            prochain = time.monotonic()
            while prochain < fin:
                bot.tour()
                prochain += PERIODE
                time.sleep(max(0.0, prochain - time.monotonic()))
                prochain = max(prochain, time.monotonic() - PERIODE)
            arene.quitte()
    except ConnexionFermee:
        pass  # the match is over: the server closes every connection
    return 0
