#!/usr/bin/env python3
"""Wanders the board at a steady speed, steering clear of cubes and edges
with the board's geometry and away from any ship that comes near. It never
fires: it lasts, it does not score."""

import math
import random
import sys

from commun import Arene, Bot, joue
from geometrie import cap_degage

VITESSE = 2.0               # slower than the hunters (3): it flees, but they catch up
DISTANCE_DE_FUITE = 250.0     # a ship nearer than this is fled
REGARD = 90.0                  # room wanted ahead, in units
MARGE = 6.0                    # kept between the hull and any obstacle


class Prudent(Bot):
    def __init__(self, arene: Arene) -> None:
        super().__init__(arene)
        self.cubes = arene.cubes()
        self.taille = arene.taille_plateau()
        self.rayon = arene.rayon_vaisseau()
        self.hasard = random.Random(self.couleur)
        self.cap: float | None = None

    def tour(self) -> None:
        vaisseaux = self.arene.vaisseaux()
        moi = self.mon_vaisseau(vaisseaux)
        if moi is None:
            return
        autres = [v for v in vaisseaux if v.couleur != self.couleur]
        proche = min(autres, key=lambda v: math.hypot(v.x - moi.x, v.y - moi.y), default=None)
        if proche is not None and math.hypot(proche.x - moi.x,
                                             proche.y - moi.y) < DISTANCE_DE_FUITE:
            self.cap = math.atan2(moi.y - proche.y, moi.x - proche.x)
        elif self.cap is None:
            self.cap = moi.angle
        elif self.hasard.random() < 0.02:
            self.cap += self.hasard.uniform(-0.8, 0.8)  # a stroll, not a straight line
        self.cap = cap_degage(moi.x, moi.y, self.cap, self.cubes, self.taille,
                              self.rayon + MARGE, REGARD)
        actions = self.pilote(moi.angle, self.cap, VITESSE)
        if actions:
            self.arene.agit(*actions)


if __name__ == "__main__":
    sys.exit(joue("Wanders, avoiding cubes and edges.", 0x00FF00, Prudent))
