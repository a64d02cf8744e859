"""The board as a grid of cells, for finding a way around the cubes.

A cell is free when a body of the given radius, centred on the cell's centre,
touches neither a cube nor the board's edge. Ways are searched with A* over
the eight neighbours of a cell; a diagonal step is allowed only when both
cells it passes between are free, so a way never cuts a cube's corner.
"""

from __future__ import annotations

import heapq
import math
from typing import TYPE_CHECKING, Optional, Sequence

from geometrie import ligne_degagee

if TYPE_CHECKING:
    from arene import Cube, Taille

CELLULE = 16.0  # the side of a cell, in units: narrower than the gaps a ship fits through
VOISINS = [(1, 0, 1.0), (-1, 0, 1.0), (0, 1, 1.0), (0, -1, 1.0),
           (1, 1, math.sqrt(2)), (1, -1, math.sqrt(2)), (-1, 1, math.sqrt(2)),
           (-1, -1, math.sqrt(2))]


class Carte:
    def __init__(self, cubes: Sequence["Cube"], taille: "Taille", marge: float) -> None:
        self.cubes = cubes
        self.marge = marge
        self.colonnes = max(1, int(taille.largeur // CELLULE))
        self.lignes = max(1, int(taille.hauteur // CELLULE))
        self.libre = bytearray(self.colonnes * self.lignes)
        for j in range(self.lignes):
            y = (j + 0.5) * CELLULE
            for i in range(self.colonnes):
                x = (i + 0.5) * CELLULE
                if marge <= x <= taille.largeur - marge and marge <= y <= taille.hauteur - marge:
                    self.libre[j * self.colonnes + i] = 1
        for cube in cubes:
            for j in self._indices(cube.y_min - marge, cube.y_max + marge, self.lignes):
                for i in self._indices(cube.x_min - marge, cube.x_max + marge, self.colonnes):
                    self.libre[j * self.colonnes + i] = 0

    @staticmethod
    def _indices(bas: float, haut: float, n: int) -> range:
        """The cells whose centre lies in [bas, haut] along one axis."""
        return range(max(0, math.ceil(bas / CELLULE - 0.5)),
                     min(n, math.floor(haut / CELLULE - 0.5) + 1))

    def cellule(self, x: float, y: float) -> tuple[int, int]:
        return (min(self.colonnes - 1, max(0, int(x // CELLULE))),
                min(self.lignes - 1, max(0, int(y // CELLULE))))

    def centre(self, i: int, j: int) -> tuple[float, float]:
        return (i + 0.5) * CELLULE, (j + 0.5) * CELLULE

    def est_libre(self, i: int, j: int) -> bool:
        return (0 <= i < self.colonnes and 0 <= j < self.lignes
                and self.libre[j * self.colonnes + i] == 1)

    def libre_proche(self, x: float, y: float) -> Optional[tuple[int, int]]:
        """The free cell nearest to the point, searched in growing squares."""
        ci, cj = self.cellule(x, y)
        for rayon in range(0, 6):
            candidats = [(i, j) for i in range(ci - rayon, ci + rayon + 1)
                         for j in range(cj - rayon, cj + rayon + 1)
                         if max(abs(i - ci), abs(j - cj)) == rayon and self.est_libre(i, j)]
            if candidats:
                return min(candidats, key=lambda c: math.hypot(self.centre(*c)[0] - x,
                                                               self.centre(*c)[1] - y))
        return None

    def chemin(self, x0: float, y0: float, x1: float, y1: float
               ) -> Optional[list[tuple[float, float]]]:
        """Cell centres leading from (x0, y0) to (x1, y1), the end point last;
        None when no way exists."""
        depart, arrivee = self.libre_proche(x0, y0), self.libre_proche(x1, y1)
        if depart is None or arrivee is None:
            return None
        n = self.colonnes
        but = arrivee[1] * n + arrivee[0]

        def estime(i: int, j: int) -> float:
            dx, dy = abs(i - arrivee[0]), abs(j - arrivee[1])
            return max(dx, dy) + (math.sqrt(2) - 1) * min(dx, dy)

        debut = depart[1] * n + depart[0]
        couts = {debut: 0.0}
        parents: dict[int, int] = {}
        file = [(estime(*depart), 0.0, debut)]
        while file:
            _, cout, k = heapq.heappop(file)
            if k == but:
                break
            if cout > couts[k]:
                continue
            i, j = k % n, k // n
            for di, dj, pas in VOISINS:
                ni, nj = i + di, j + dj
                if not self.est_libre(ni, nj):
                    continue
                if di and dj and not (self.est_libre(i + di, j) and self.est_libre(i, j + dj)):
                    continue
                nk, nouveau = nj * n + ni, cout + pas
                if nouveau < couts.get(nk, math.inf):
                    couts[nk] = nouveau
                    parents[nk] = k
                    heapq.heappush(file, (nouveau + estime(ni, nj), nouveau, nk))
        if but not in couts:
            return None
        cellules = [but]
        while cellules[-1] != debut:
            cellules.append(parents[cellules[-1]])
        points = [self.centre(k % n, k // n) for k in reversed(cellules)]
        points[-1] = (x1, y1)
        return points

    def vise_sur(self, x: float, y: float, chemin: Sequence[tuple[float, float]],
                 regard: int = 24) -> tuple[float, float]:
        """Where to head for along the way: of the `regard` points from the one
        nearest to (x, y), the furthest that a body of the map's radius reaches
        in a straight line; the nearest when none is."""
        proche = min(range(min(len(chemin), regard)),
                     key=lambda k: math.hypot(chemin[k][0] - x, chemin[k][1] - y))
        points = chemin[proche:proche + regard]
        bas_x = min(x, *(p[0] for p in points)) - self.marge
        haut_x = max(x, *(p[0] for p in points)) + self.marge
        bas_y = min(y, *(p[1] for p in points)) - self.marge
        haut_y = max(y, *(p[1] for p in points)) + self.marge
        pres = [c for c in self.cubes if c.x_max >= bas_x and c.x_min <= haut_x
                and c.y_max >= bas_y and c.y_min <= haut_y]
        for point in reversed(points):
            if ligne_degagee(x, y, point[0], point[1], pres, self.marge):
                return point
        return points[0]
