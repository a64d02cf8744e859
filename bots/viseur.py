#!/usr/bin/env python3
"""Goes after a ship, around the cubes, until it is in range and in sight,
then turns to where that ship will be (from the speed it measures between its
polls), fires, and closes in. Easy prey first: a still, harmless ship is
worth a longer trip than one that fires, and that one than a ship that moves."""

from __future__ import annotations

import math
import sys
import time
from dataclasses import dataclass

from commun import Arene, Balle, Bot, Commande, Horloge, Vaisseau, joue
from carte import Carte
from geometrie import (DISTANCE_TOUCHE, PAS_ANGLE, RAYON_VAISSEAU, cap_degage, distance_libre,
                       ecart_angle, instant_interception, ligne_degagee, pas_de_rotation,
                       sur_la_trajectoire)

# Times are in ticks of the world, as the bullets count them (commun.Horloge).
FENETRE = 6               # ticks of positions a speed is measured over
MAX_PAS = 20              # turn steps per tick: all apply at once
VITESSE_CHASSE = 3.0      # on the way to a target out of range or out of sight
VITESSE_GUET = 1.0        # while watching: slow, but plainly not a sitting ship
REGARD = 40.0             # room wanted ahead on the way
PORTEE = 380.0            # further off, a shot is not tried: the ship goes nearer first
TOLERANCE = 0.6 * DISTANCE_TOUCHE  # how far off the aim may pass the target's centre
RECALCUL = 20             # ticks a way is followed before it is searched again
# Easy prey first, in a strict order whatever the distances on the board
# (its diagonal is under 2000): still ships, then still ones that fire, then
# moving ones, then those that move and fire, hunters like this one. A ship
# once seen moving, or with a bullet in flight, counts so for good: a hunter
# standing still to shoot stays a hunter.
DETOUR_TIR = 2500.0
DETOUR_MOUVEMENT = 6000.0
CONSTANCE = 150.0         # how much cheaper another target must be to change


@dataclass
class Releve:
    temps: float
    x: float
    y: float


class Vitesses:
    """Each ship's speed along its heading, measured from its positions over
    the last FENETRE ticks (the server never reports speeds)."""

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
            ticks = temps - ancien.temps
            if ticks >= 2:
                avance = ((v.x - ancien.x) * math.cos(v.angle)
                          + (v.y - ancien.y) * math.sin(v.angle)) / ticks
                self.vitesses[v.couleur] = max(-2.0, min(3.0, avance))

    def vitesse(self, v: Vaisseau) -> tuple[float, float]:
        s = self.vitesses.get(v.couleur, 0.0)
        return s * math.cos(v.angle), s * math.sin(v.angle)


class Proies:
    """What the aimer remembers of every ship: its speed, and whether it was
    ever seen moving or firing; from that, what going after it costs."""

    def __init__(self) -> None:
        self.vitesses = Vitesses()
        self.vu_bouger: set[int] = set()  # colours ever seen moving
        self.armes: set[int] = set()      # colours ever seen with a bullet in flight
        self.avant: dict[int, Vaisseau] = {}
        self.debut: float | None = None        # when the world was first seen to change

    def observe(self, vaisseaux: list[Vaisseau], balles: list[Balle], temps: float) -> None:
        self.vitesses.mesure(vaisseaux, temps)
        for v in vaisseaux:
            if abs(self.vitesses.vitesses.get(v.couleur, 0.0)) > 0.3:
                self.vu_bouger.add(v.couleur)
        self.armes.update(b.couleur for b in balles)
        if self.debut is None and (balles or any(
                v.couleur in self.avant and v != self.avant[v.couleur] for v in vaisseaux)):
            self.debut = temps
        self.avant = {v.couleur: v for v in vaisseaux}

    def connues(self, temps: float, observation: float) -> bool:
        """Whether the ships have been watched for `observation` ticks since
        the world started moving, long enough to tell which move and which fire."""
        return self.debut is not None and temps - self.debut >= observation

    def chasseur(self, couleur: int) -> bool:
        return couleur in self.vu_bouger and couleur in self.armes

    def cout(self, moi: Vaisseau, v: Vaisseau) -> float:
        """How far a target is, counting how hard it is to hit and how
        dangerous to chase."""
        return (math.hypot(v.x - moi.x, v.y - moi.y)
                + DETOUR_MOUVEMENT * (v.couleur in self.vu_bouger)
                + DETOUR_TIR * (v.couleur in self.armes))


@dataclass
class Intention:
    """What the bot wants this tick: a heading, a speed, and whether to fire."""
    cap: float
    vitesse: float
    tire: bool = False
    max_pas: int = MAX_PAS


class Viseur(Bot):
    # Ticks of watching before the first choice of a target: the dodger, a
    # better hunter, chooses sooner. Both move while they watch, so that
    # neither takes the other for a sitting ship.
    OBSERVATION = 80
    PROCHE = 200.0  # a target in range is closed in on down to this distance
    CHASSE_LES_CHASSEURS = False  # this one leaves alone the ships that fire back

    def __init__(self, arene: Arene) -> None:
        super().__init__(arene)
        self.cubes = arene.cubes()
        self.taille = arene.taille_plateau()
        self.carte = Carte(self.cubes, self.taille, RAYON_VAISSEAU + 4)
        self.proies = Proies()
        self.cible: int | None = None
        self.chemin: list[tuple[float, float]] | None = None
        self.chemin_vers: tuple[int, float] = (0, 0.0)  # target and tick of the way
        self.horloge = Horloge()

    @property
    def tick(self) -> float:
        return self.horloge.tick

    def observe(self) -> tuple[list[Vaisseau], list[Balle]]:
        self.arene.envoie(Commande.VAISSEAUX, Commande.BALLES)  # one write, one round trip
        vaisseaux, balles = self.arene.lit_vaisseaux(), self.arene.lit_balles()
        self.horloge.avance(balles, time.monotonic())
        self.proies.observe(vaisseaux, balles, self.tick)
        return vaisseaux, balles

    def cout(self, moi: Vaisseau, v: Vaisseau) -> float:
        return self.proies.cout(moi, v)

    def tour(self) -> None:
        vaisseaux, _ = self.observe()
        moi = self.mon_vaisseau(vaisseaux)
        if moi is not None:
            self.arene.agit(*self.commandes(moi, self.intention(moi, vaisseaux)))

    def commandes(self, moi: Vaisseau, voulu: Intention) -> list[Commande]:
        return (self.pilote(moi.angle, voulu.cap, voulu.vitesse, voulu.max_pas)
                + [Commande.TIRE] * voulu.tire)

    def choisit(self, moi: Vaisseau, vaisseaux: list[Vaisseau]) -> Vaisseau | None:
        """The cheapest ship; the current target stays unless another is
        clearly cheaper. Hunters, ships that move and fire, only for a bot
        that takes them on."""
        autres = [v for v in vaisseaux if v.couleur != self.couleur
                  and (self.CHASSE_LES_CHASSEURS or not self.proies.chasseur(v.couleur))]
        if not autres:
            return None
        meilleure = min(autres, key=lambda v: self.cout(moi, v))
        actuelle = next((v for v in autres if v.couleur == self.cible), None)
        if (actuelle is not None
                and self.cout(moi, actuelle) < self.cout(moi, meilleure) + CONSTANCE):
            return actuelle
        self.cible = meilleure.couleur
        return meilleure

    def intention(self, moi: Vaisseau, vaisseaux: list[Vaisseau]) -> Intention:
        """No shot at first: watch the ships for a while. Then with the target in
        range and in sight: turn toward where it will be, fire when that lines
        up, and close in on it while there is room. Otherwise go to it around
        the cubes."""
        if not self.proies.connues(self.tick, self.OBSERVATION):
            # Facing the nearest ship meanwhile, slowly on the way where there
            # is room: turning is also how a running world shows itself.
            autres = [v for v in vaisseaux if v.couleur != self.couleur]
            if not autres:
                return Intention(moi.angle, 0.0)
            proche = min(autres, key=lambda v: math.hypot(v.x - moi.x, v.y - moi.y))
            cap = math.atan2(proche.y - moi.y, proche.x - moi.x)
            libre = distance_libre(moi.x, moi.y, moi.angle, self.cubes, self.taille,
                                   RAYON_VAISSEAU + 2, REGARD) >= REGARD
            return Intention(cap, VITESSE_GUET if libre else 0.0)
        cible = self.choisit(moi, vaisseaux)
        if cible is None:
            return Intention(moi.angle, 0.0)
        tir = self.tir(moi, cible)
        if tir is None:
            return self.chasse(moi, cible)
        angle, distance = tir
        cap = moi.angle + PAS_ANGLE * pas_de_rotation(moi.angle, angle, MAX_PAS)
        aligne = abs(ecart_angle(cap, angle)) < math.atan2(TOLERANCE, distance)
        # Another ship in the way, or crossing it, would take the bullet instead.
        genes = [(v.x, v.y, *self.proies.vitesses.vitesse(v)) for v in vaisseaux
                 if v.couleur not in (self.couleur, cible.couleur)]
        aligne = aligne and not sur_la_trajectoire(moi.x, moi.y, cap, distance, genes)
        if math.hypot(cible.x - moi.x, cible.y - moi.y) <= self.PROCHE:
            return Intention(angle, 0.0, aligne)
        if distance_libre(moi.x, moi.y, cap, self.cubes, self.taille, RAYON_VAISSEAU + 2,
                          REGARD) >= REGARD:
            return Intention(angle, VITESSE_CHASSE, aligne)
        if aligne:
            return Intention(angle, 0.0, True)
        # Turns come in steps of PAS_ANGLE: from afar, none may line up, and
        # only getting nearer widens the target. Around whatever is in the way.
        return self.chasse(moi, cible)

    def chasse(self, moi: Vaisseau, cible: Vaisseau) -> Intention:
        maintenant = self.tick
        if (self.chemin is None or self.chemin_vers[0] != cible.couleur
                or maintenant - self.chemin_vers[1] > RECALCUL
                or math.hypot(self.chemin[-1][0] - cible.x, self.chemin[-1][1] - cible.y) > 40):
            self.chemin = self.carte.chemin(moi.x, moi.y, cible.x, cible.y)
            self.chemin_vers = (cible.couleur, maintenant)
        if self.chemin:
            x, y = self.carte.vise_sur(moi.x, moi.y, self.chemin)
        else:
            x, y = cible.x, cible.y
        cap = cap_degage(moi.x, moi.y, math.atan2(y - moi.y, x - moi.x), self.cubes, self.taille,
                         RAYON_VAISSEAU + 2, min(REGARD, math.hypot(x - moi.x, y - moi.y)))
        return Intention(cap, VITESSE_CHASSE)

    def tir(self, moi: Vaisseau, v: Vaisseau) -> tuple[float, float] | None:
        """Heading and distance of a shot at `v`, within range, that a bullet
        can reach without meeting a cube; None when there is none. A ship that
        flees is met far beyond where it is: twice the range is allowed there."""
        if math.hypot(v.x - moi.x, v.y - moi.y) > PORTEE:
            return None
        vx, vy = self.proies.vitesses.vitesse(v)
        t = instant_interception(v.x - moi.x, v.y - moi.y, vx, vy)
        if t is None:
            return None
        x, y = v.x + vx * t, v.y + vy * t
        distance = math.hypot(x - moi.x, y - moi.y)
        if distance > 2 * PORTEE or not ligne_degagee(moi.x, moi.y, x, y, self.cubes):
            return None
        return math.atan2(y - moi.y, x - moi.x), distance


if __name__ == "__main__":
    sys.exit(joue("Aims at the nearest ship, with lead.", 0xFF0000, Viseur))
