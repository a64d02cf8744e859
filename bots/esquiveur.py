#!/usr/bin/env python3
"""The aimer, which also steps out of the path of the bullets coming at it."""

from __future__ import annotations

import math
import sys

from commun import Arene, Balle, Commande, Vaisseau, joue
from geometrie import DISTANCE_TOUCHE, VITESSE_BALLE, approche, distance_libre, ecart_angle
from viseur import Viseur

HORIZON = 30.0       # ticks: bullets further off in time are not yet a threat
MARGE = 8.0          # kept between a bullet's path and the hull's reach
ROOM = 30.0          # room wanted on the side a dodge goes to


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
    def __init__(self, arene: Arene) -> None:
        super().__init__(arene)
        self.trajectoires = Trajectoires()

    def tour(self) -> None:
        vaisseaux, balles = self.observe()
        suivies = self.trajectoires.suit(balles, vaisseaux)
        moi = self.mon_vaisseau(vaisseaux)
        if moi is None:
            return
        esquive = self.esquive(moi, suivies)
        if esquive is None:
            actions = self.vise(moi, vaisseaux)
        else:
            cap, vitesse = esquive
            actions = self.pilote(moi.angle, cap, vitesse, 63)
        if actions:
            self.arene.agit(*actions)

    def esquive(self, moi: Vaisseau, suivies: list[tuple[Balle, float, float]]
                ) -> tuple[float, float] | None:
        """Heading and speed that take the ship off the path of the most urgent
        bullet coming at it, or None when none is."""
        menaces = []
        for b, ux, uy in suivies:
            if b.couleur == self.couleur:
                continue
            t, cote = approche(b.x, b.y, ux, uy, moi.x, moi.y)
            if 0 <= t <= HORIZON and abs(cote) < DISTANCE_TOUCHE + MARGE:
                menaces.append((t, cote, ux, uy))
        if not menaces:
            return None
        _, cote, ux, uy = min(menaces)
        # Step to the side of the path the ship is already on, unless it is blocked.
        signe = 1.0 if cote >= 0 else -1.0
        options = []
        for s in (signe, -signe):
            fuite = math.atan2(s * ux, -s * uy)  # perpendicular to the path
            for cap, vitesse in ((fuite, 3.0), (fuite + math.pi, -2.0)):
                place = distance_libre(moi.x, moi.y, fuite, self.cubes, self.taille, 9.0, ROOM)
                options.append((place < ROOM, s != signe, abs(ecart_angle(moi.angle, cap)),
                                cap, vitesse))
        options.sort()
        return options[0][3], options[0][4]


if __name__ == "__main__":
    sys.exit(joue("Aims with lead and dodges bullets.", 0x0000FF, Esquiveur))
