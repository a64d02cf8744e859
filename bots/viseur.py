#!/usr/bin/env python3
"""Turns to the nearest ship it can see and fires where that ship will be,
from the speed it measures between its polls. Easy prey first: of two ships,
one still and harmless is worth a longer trip than one that moves or fires."""

from __future__ import annotations

import math
import sys
import time
from dataclasses import dataclass

from commun import Arene, Balle, Bot, Commande, Vaisseau, joue
from geometrie import (DISTANCE_TOUCHE, PAS_ANGLE, RAYON_VAISSEAU, cap_degage, ecart_angle,
                       instant_interception, ligne_degagee, pas_de_rotation)

TICKS_PAR_SECONDE = 40.0  # the server's nominal rate; speeds are per tick
FENETRE = 0.15            # seconds of positions a speed is measured over
MAX_PAS = 20              # turn steps per tick: all apply at once
VITESSE_CHASSE = 2.0      # while no ship is in sight
REGARD = 60.0             # room wanted ahead while hunting
DETOUR = 300.0            # units a target is taken as further off for moving, and for firing


@dataclass
class Releve:
    temps: float
    x: float
    y: float


class Vitesses:
    """Each ship's speed along its heading, measured from its positions over
    the last FENETRE seconds (the server never reports speeds)."""

    def __init__(self) -> None:
        self.releves: dict[int, list[Releve]] = {}
        self.vitesses: dict[int, float] = {}

    def mesure(self, vaisseaux: list[Vaisseau], temps: float) -> None:
        vus = {v.couleur for v in vaisseaux}
        for couleur in list(self.releves):
            if couleur not in vus:
                del self.releves[couleur]
                self.vitesses.pop(couleur, None)
        for v in vaisseaux:
            releves = self.releves.setdefault(v.couleur, [])
            releves.append(Releve(temps, v.x, v.y))
            while len(releves) > 2 and temps - releves[1].temps >= FENETRE:
                releves.pop(0)
            ancien = releves[0]
            ticks = (temps - ancien.temps) * TICKS_PAR_SECONDE
            if ticks >= 2:
                avance = ((v.x - ancien.x) * math.cos(v.angle)
                          + (v.y - ancien.y) * math.sin(v.angle)) / ticks
                self.vitesses[v.couleur] = max(-2.0, min(3.0, avance))

    def vitesse(self, v: Vaisseau) -> tuple[float, float]:
        s = self.vitesses.get(v.couleur, 0.0)
        return s * math.cos(v.angle), s * math.sin(v.angle)


class Viseur(Bot):
    def __init__(self, arene: Arene) -> None:
        super().__init__(arene)
        self.cubes = arene.cubes()
        self.taille = arene.taille_plateau()
        self.vitesses = Vitesses()
        self.tireurs: set[int] = set()  # colours with bullets in flight

    def observe(self) -> tuple[list[Vaisseau], list[Balle]]:
        self.arene.envoie(Commande.VAISSEAUX, Commande.BALLES)  # one write, one round trip
        vaisseaux, balles = self.arene.lit_vaisseaux(), self.arene.lit_balles()
        self.vitesses.mesure(vaisseaux, time.monotonic())
        self.tireurs = {b.couleur for b in balles}
        return vaisseaux, balles

    def cout(self, moi: Vaisseau, v: Vaisseau) -> float:
        """How far a target is, counting the danger of going after it."""
        bouge = abs(self.vitesses.vitesses.get(v.couleur, 0.0)) > 0.3
        return (math.hypot(v.x - moi.x, v.y - moi.y) + DETOUR * bouge
                + DETOUR * (v.couleur in self.tireurs))

    def tour(self) -> None:
        vaisseaux, _ = self.observe()
        moi = self.mon_vaisseau(vaisseaux)
        if moi is not None:
            actions = self.vise(moi, vaisseaux)
            if actions:
                self.arene.agit(*actions)

    def vise(self, moi: Vaisseau, vaisseaux: list[Vaisseau]) -> list[Commande]:
        """Stop, turn toward the best shot and fire when it lines up; with no
        shot, drive toward the nearest ship around the cubes."""
        tir = self.meilleur_tir(moi, vaisseaux)
        if tir is None:
            return self.chasse(moi, vaisseaux)
        angle, distance = tir
        actions = self.pilote(moi.angle, angle, 0.0, MAX_PAS)
        cap = moi.angle + PAS_ANGLE * pas_de_rotation(moi.angle, angle, MAX_PAS)
        if abs(ecart_angle(cap, angle)) < math.atan2(DISTANCE_TOUCHE / 2, distance):
            actions.append(Commande.TIRE)
        return actions

    def chasse(self, moi: Vaisseau, vaisseaux: list[Vaisseau]) -> list[Commande]:
        autres = [v for v in vaisseaux if v.couleur != self.couleur]
        if not autres:
            return self.pilote(moi.angle, moi.angle, 0.0)
        proche = min(autres, key=lambda v: self.cout(moi, v))
        cap = cap_degage(moi.x, moi.y, math.atan2(proche.y - moi.y, proche.x - moi.x), self.cubes,
                         self.taille, RAYON_VAISSEAU + 4, REGARD)
        return self.pilote(moi.angle, cap, VITESSE_CHASSE, MAX_PAS)

    def meilleur_tir(self, moi: Vaisseau, vaisseaux: list[Vaisseau]
                     ) -> tuple[float, float] | None:
        """Heading and distance of a shot at the cheapest ship that a bullet
        can reach without meeting a cube."""
        tirs = []
        for v in vaisseaux:
            if v.couleur == self.couleur:
                continue
            vx, vy = self.vitesses.vitesse(v)
            t = instant_interception(v.x - moi.x, v.y - moi.y, vx, vy)
            if t is None:
                continue
            x, y = v.x + vx * t, v.y + vy * t
            if ligne_degagee(moi.x, moi.y, x, y, self.cubes):
                tirs.append((self.cout(moi, v), math.hypot(x - moi.x, y - moi.y),
                             math.atan2(y - moi.y, x - moi.x)))
        if not tirs:
            return None
        _, distance, angle = min(tirs)
        return angle, distance


if __name__ == "__main__":
    sys.exit(joue("Aims at the nearest ship, with lead.", 0xFF0000, Viseur))
