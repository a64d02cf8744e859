"""Plane geometry for the sample bots: headings, aiming with lead, line of
sight through the cubes, room ahead, and bullets on a collision course.

Units are the server's: board units, radians, ticks. Pure functions, no I/O.
"""

from __future__ import annotations

import math
from typing import TYPE_CHECKING, Iterable, Optional, Sequence

if TYPE_CHECKING:
    from arene import Cube, Taille

RAYON_VAISSEAU = 9.0
RAYON_BALLE = 4.0
VITESSE_BALLE = 3.5          # units per tick
DEPART_BALLE = 0.9 * (RAYON_VAISSEAU + RAYON_BALLE + 1)  # a new bullet's distance ahead
DISTANCE_TOUCHE = RAYON_VAISSEAU + RAYON_BALLE  # a bullet hits a centre closer than this
PAS_ANGLE = 0.05
PAS_VITESSE = 0.05
VITESSE_MAX = 3.0
VITESSE_MIN = -2.0


def ecart_angle(de: float, vers: float) -> float:
    """The turn from heading `de` to heading `vers`, in (-pi, pi]; positive is left."""
    ecart = math.fmod(vers - de, 2 * math.pi)
    if ecart > math.pi:
        ecart -= 2 * math.pi
    elif ecart <= -math.pi:
        ecart += 2 * math.pi
    return ecart


def pas_de_rotation(cap: float, voulu: float, max_pas: int) -> int:
    """Turn steps (positive: left, negative: right) that bring `cap` nearest to
    `voulu`, at most `max_pas` of them."""
    pas = round(ecart_angle(cap, voulu) / PAS_ANGLE)
    return max(-max_pas, min(max_pas, pas))


def instant_interception(dx: float, dy: float, vx: float, vy: float) -> Optional[float]:
    """Ticks until a bullet fired now meets a target at (dx, dy) from the shooter
    moving (vx, vy) per tick: the bullet leaves DEPART_BALLE ahead and covers
    VITESSE_BALLE a tick. None when it never catches the target."""
    a = vx * vx + vy * vy - VITESSE_BALLE ** 2
    b = 2 * (dx * vx + dy * vy - DEPART_BALLE * VITESSE_BALLE)
    c = dx * dx + dy * dy - DEPART_BALLE ** 2
    if c <= 0:
        return 0.0
    if abs(a) < 1e-12:
        return -c / b if b < 0 else None
    discriminant = b * b - 4 * a * c
    if discriminant < 0:
        return None
    racines = [(-b - math.sqrt(discriminant)) / (2 * a), (-b + math.sqrt(discriminant)) / (2 * a)]
    positives = [t for t in racines if t >= 0]
    return min(positives) if positives else None


def segment_coupe_cube(x0: float, y0: float, x1: float, y1: float, cube: "Cube",
                       marge: float) -> bool:
    """Whether the segment crosses the cube grown by `marge` on every side (slab test)."""
    entree, sortie = 0.0, 1.0
    for debut, pas, bas, haut in ((x0, x1 - x0, cube.x_min - marge, cube.x_max + marge),
                                  (y0, y1 - y0, cube.y_min - marge, cube.y_max + marge)):
        if abs(pas) < 1e-12:
            if debut < bas or debut > haut:
                return False
            continue
        t_bas, t_haut = (bas - debut) / pas, (haut - debut) / pas
        entree = max(entree, min(t_bas, t_haut))
        sortie = min(sortie, max(t_bas, t_haut))
        if entree > sortie:
            return False
    return True


def ligne_degagee(x0: float, y0: float, x1: float, y1: float, cubes: Iterable["Cube"],
                  marge: float = RAYON_BALLE) -> bool:
    """Whether a body of radius `marge` can travel straight between the points."""
    return not any(segment_coupe_cube(x0, y0, x1, y1, cube, marge) for cube in cubes)


def distance_libre(x: float, y: float, angle: float, cubes: Sequence["Cube"], taille: "Taille",
                   marge: float, portee: float) -> float:
    """How far a body of radius `marge` can go from (x, y) along `angle` before
    it meets a cube or the board's edge, up to `portee`."""
    ux, uy = math.cos(angle), math.sin(angle)
    libre = portee
    # The edges: the body must stay inside [marge, size - marge] on both axes.
    for position, pas, limite in ((x, ux, taille.largeur), (y, uy, taille.hauteur)):
        if pas > 1e-12:
            libre = min(libre, (limite - marge - position) / pas)
        elif pas < -1e-12:
            libre = min(libre, (marge - position) / pas)
    libre = max(0.0, libre)
    fin_x, fin_y = x + ux * libre, y + uy * libre
    for cube in cubes:
        if segment_coupe_cube(x, y, fin_x, fin_y, cube, marge):
            # Already within the margin of a cube: only going nearer to it is blocked.
            px = min(max(x, cube.x_min), cube.x_max)
            py = min(max(y, cube.y_min), cube.y_max)
            dedans = (cube.x_min - marge <= x <= cube.x_max + marge
                      and cube.y_min - marge <= y <= cube.y_max + marge)
            if dedans and (x - px) * ux + (y - py) * uy >= 0:
                continue
            libre = min(libre, _entree_dans_cube(x, y, ux, uy, cube, marge))
    return max(0.0, libre)


def _entree_dans_cube(x: float, y: float, ux: float, uy: float, cube: "Cube",
                      marge: float) -> float:
    entree = 0.0
    for debut, pas, bas, haut in ((x, ux, cube.x_min - marge, cube.x_max + marge),
                                  (y, uy, cube.y_min - marge, cube.y_max + marge)):
        if abs(pas) > 1e-12:
            entree = max(entree, min((bas - debut) / pas, (haut - debut) / pas))
    return entree


def passage(px: float, py: float, wx: float, wy: float, horizon: float) -> float:
    """How near to the origin a point at (px, py) moving (wx, wy) per tick comes
    within `horizon` ticks: with positions and speeds taken relative to a ship,
    how close a bullet passes to its centre."""
    w2 = wx * wx + wy * wy
    t = 0.0 if w2 < 1e-12 else max(0.0, min(horizon, -(px * wx + py * wy) / w2))
    return math.hypot(px + wx * t, py + wy * t)


def sur_la_trajectoire(x: float, y: float, cap: float, portee: float,
                       vaisseaux: Iterable[tuple[float, float, float, float]]) -> bool:
    """Whether a bullet fired now from a ship at (x, y) along `cap` would pass
    within reach of one of the ships, each (x, y, vx, vy) going on at its
    speed, before the bullet has flown `portee`."""
    ux, uy = math.cos(cap), math.sin(cap)
    bx, by = x + DEPART_BALLE * ux, y + DEPART_BALLE * uy
    duree = max(0.0, portee - DEPART_BALLE) / VITESSE_BALLE
    return any(passage(bx - cx, by - cy, VITESSE_BALLE * ux - vx, VITESSE_BALLE * uy - vy, duree)
               < DISTANCE_TOUCHE + 2 for cx, cy, vx, vy in vaisseaux)


def cap_degage(x: float, y: float, cap: float, cubes: Sequence["Cube"], taille: "Taille",
               marge: float, regard: float) -> float:
    """`cap` when a body of radius `marge` has `regard` units of room along it,
    else the heading with the most room, the nearest to `cap` among equals."""
    def libre(angle: float) -> float:
        return distance_libre(x, y, angle, cubes, taille, marge, regard)
    if libre(cap) >= regard:
        return cap
    candidats = [cap + signe * k * math.pi / 12 for k in range(1, 13) for signe in (1, -1)]
    return max(candidats, key=lambda angle: (libre(angle), -abs(ecart_angle(cap, angle))))
