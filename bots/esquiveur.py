#!/usr/bin/env python3
"""The aimer, which also steps out of the path of the bullets coming at it,
and backs away from armed ships that come too near for a dodge."""

from __future__ import annotations

import math
import sys
from typing import Sequence

from commun import Arene, Balle, Cube, Taille, Vaisseau, joue
from geometrie import (DISTANCE_TOUCHE, PAS_ANGLE, RAYON_VAISSEAU, VITESSE_BALLE, VITESSE_MAX,
                       VITESSE_MIN, cap_degage, distance_libre, ecart_angle, pas_de_rotation,
                       passage)
from viseur import Intention, Viseur

HORIZON = 30.0       # ticks: bullets further off in time are not yet a threat
SURETE = 4.0         # kept between a bullet's path and the hull's reach
MARGE = 20.0         # more room than this is no better
ROOM = 30.0          # room wanted on the side a dodge goes to
DIRECTIONS = 16      # headings tried all around
PAS_MAX_ESQUIVE = 63  # turn steps a dodge may take at once: half a turn
GARDE = 100.0        # an armed ship is kept further off than this
VISE = 0.4           # radians: an armed ship whose bow points this near to us faces us

Menace = tuple[float, float, float, float]  # a bullet: x, y, and its move per tick


class Trajectoires:
    """Each bullet's direction, from where it was at the previous poll.

    Bullets carry no identity, so a bullet is paired with the nearest earlier
    one of the same colour within a tick's flight; of two such, the one whose
    direction points away from the shooter wins. A bullet too new to pair
    flies away from its shooter."""

    def __init__(self) -> None:
        self.avant: list[tuple[Balle, float, float]] = []

    def suit(self, balles: list[Balle], vaisseaux: list[Vaisseau]
             ) -> list[tuple[Balle, float, float]]:
        tireurs = {v.couleur: v for v in reversed(vaisseaux)}
        suivies = []
        for b in balles:
            direction = self.direction(b, tireurs.get(b.couleur))
            if direction is not None:
                suivies.append((b, *direction))
        self.avant = suivies
        return suivies

    def direction(self, b: Balle, tireur: Vaisseau | None) -> tuple[float, float] | None:
        candidats = []
        for a, ux, uy in self.avant:
            if a.couleur != b.couleur:
                continue
            d = math.hypot(b.x - a.x, b.y - a.y)
            if d < 0.5:
                return ux, uy  # no tick between the polls: same bullet, same way
            if d <= 2 * VITESSE_BALLE + 0.5:
                candidats.append((d, (b.x - a.x) / d, (b.y - a.y) / d))
        if tireur is not None:
            dx, dy = b.x - tireur.x, b.y - tireur.y
            # Prefer the pairings that fly away from the shooter.
            candidats.sort(key=lambda c: (c[1] * dx + c[2] * dy < 0, c[0]))
            if not candidats:
                d = math.hypot(dx, dy)
                return (dx / d, dy / d) if d > 1e-9 else None
        elif candidats:
            candidats.sort()
        return (candidats[0][1], candidats[0][2]) if candidats else None


class Esquiveur(Viseur):
    # Its dodges make a shorter watch and a closer approach safe: it is first
    # on its prey, and hits it sooner.
    OBSERVATION = 40
    PROCHE = 120.0
    CHASSE_LES_CHASSEURS = True  # last of all, once no easier prey is left

    def __init__(self, arene: Arene) -> None:
        super().__init__(arene)
        self.trajectoires = Trajectoires()

    def tour(self) -> None:
        vaisseaux, balles = self.observe()
        suivies = self.trajectoires.suit(balles, vaisseaux)
        moi = self.mon_vaisseau(vaisseaux)
        if moi is None:
            return
        voulu = self.garde_ses_distances(moi, vaisseaux, self.intention(moi, vaisseaux))
        menaces = [(b.x, b.y, ux * VITESSE_BALLE, uy * VITESSE_BALLE) for b, ux, uy in suivies
                   if b.couleur != self.couleur
                   and math.hypot(b.x - moi.x, b.y - moi.y) < VITESSE_BALLE * HORIZON + 30]
        if menaces:
            voulu = esquive(moi, voulu, menaces, self.cubes, self.taille)
        self.arene.agit(*self.commandes(moi, voulu))

    def garde_ses_distances(self, moi: Vaisseau, vaisseaux: list[Vaisseau], voulu: Intention
                            ) -> Intention:
        """`voulu`, unless an armed ship facing this one is so near that its
        bullets would arrive before they could be dodged: then back away from
        it facing it, still firing when it is the target; turn and run when
        there is no room behind. An armed ship aiming elsewhere is no threat:
        backing away from it could keep this one off its prey for good."""
        tireurs = [v for v in vaisseaux
                   if v.couleur != self.couleur and v.couleur in self.proies.armes
                   and math.hypot(v.x - moi.x, v.y - moi.y) < GARDE
                   and abs(ecart_angle(v.angle, math.atan2(moi.y - v.y, moi.x - v.x))) < VISE]
        if not tireurs:
            return voulu
        proche = min(tireurs, key=lambda v: math.hypot(v.x - moi.x, v.y - moi.y))
        face = math.atan2(proche.y - moi.y, proche.x - moi.x)
        if proche.couleur == self.cible:
            face = voulu.cap
        if distance_libre(moi.x, moi.y, face + math.pi, self.cubes, self.taille,
                          RAYON_VAISSEAU + 2, ROOM) >= ROOM:
            return Intention(face, VITESSE_MIN, voulu.tire and proche.couleur == self.cible)
        cap = cap_degage(moi.x, moi.y, face + math.pi, self.cubes, self.taille,
                         RAYON_VAISSEAU + 2, ROOM)
        return Intention(cap, VITESSE_MAX, max_pas=PAS_MAX_ESQUIVE)


def esquive(moi: Vaisseau, voulu: Intention, menaces: list[Menace], cubes: Sequence[Cube],
            taille: Taille) -> Intention:
    """`voulu` when its move keeps the ship off every bullet's path for the
    next HORIZON ticks; else the move, among headings all around and a few
    speeds, that the fewest bullets reach, then the one with the most room
    from them, then the nearest to `voulu`."""
    cap_voulu = moi.angle + PAS_ANGLE * pas_de_rotation(moi.angle, voulu.cap, voulu.max_pas)
    if touches(moi, cap_voulu, voulu.vitesse, menaces)[0] == 0:
        return voulu

    def note(option: tuple[float, float]) -> tuple[int, bool, float, float]:
        cap, vitesse = option
        sens = cap if vitesse >= 0 else cap + math.pi
        bloque = vitesse != 0 and distance_libre(moi.x, moi.y, sens, cubes, taille,
                                                 RAYON_VAISSEAU, ROOM) < ROOM
        # A ship against a cube slides rather than going on: count it as staying.
        n, marge = touches(moi, cap, 0.0 if bloque else vitesse, menaces)
        return (n, bloque, -min(marge, MARGE),
                abs(ecart_angle(cap, voulu.cap)) + 0.3 * abs(vitesse - voulu.vitesse))

    options = [(moi.angle + 2 * math.pi * k / DIRECTIONS, vitesse) for k in range(DIRECTIONS)
               for vitesse in (VITESSE_MAX, VITESSE_MAX / 2, VITESSE_MIN)]
    options.append((cap_voulu, 0.0))
    cap, vitesse = min(options, key=note)
    # Still aiming where it wanted to: it may fire as it meant to.
    return Intention(cap, vitesse, voulu.tire and cap == cap_voulu, PAS_MAX_ESQUIVE)


def touches(moi: Vaisseau, cap: float, vitesse: float, menaces: list[Menace]
            ) -> tuple[int, float]:
    """How many bullets come within reach of the hull if the ship keeps this
    heading and speed for HORIZON ticks, and how far the nearest of the others
    passes from that reach."""
    vx, vy = vitesse * math.cos(cap), vitesse * math.sin(cap)
    n, marge = 0, math.inf
    for bx, by, bvx, bvy in menaces:
        ecart = passage(bx - moi.x, by - moi.y, bvx - vx, bvy - vy, HORIZON) - DISTANCE_TOUCHE
        if ecart < SURETE:
            n += 1
        else:
            marge = min(marge, ecart)
    return n, marge


if __name__ == "__main__":
    sys.exit(joue("Aims with lead and dodges bullets.", 0x0000FF, Esquiveur))
