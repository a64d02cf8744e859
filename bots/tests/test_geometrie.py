"""The bots' geometry and their reading of the world between polls."""

import math
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

import commun  # noqa: E402,F401  (puts the kit on the path)
from arene import Balle, Cube, Taille, Vaisseau  # noqa: E402
from esquiveur import Trajectoires  # noqa: E402
from geometrie import (DEPART_BALLE, VITESSE_BALLE, approche, distance_libre,  # noqa: E402
                       ecart_angle, instant_interception, ligne_degagee, pas_de_rotation)
from viseur import Vitesses  # noqa: E402

PLATEAU = Taille(1408.0, 1408.0)


class Angles(unittest.TestCase):
    def test_ecart_le_plus_court(self) -> None:
        for de, vers, ecart in [(0, 1, 1), (1, 0, -1), (0.1, 2 * math.pi - 0.1, -0.2),
                                (-7 * math.pi, 0.5, 0.5 - math.pi), (100.0, 100.0, 0.0)]:
            with self.subTest(de=de, vers=vers):
                self.assertAlmostEqual(ecart_angle(de, vers), ecart)

    def test_pas_bornes(self) -> None:
        self.assertEqual(pas_de_rotation(0, 0.26, 20), 5)
        self.assertEqual(pas_de_rotation(0, -3, 20), -20)


class Interception(unittest.TestCase):
    def test_cible_immobile(self) -> None:
        self.assertAlmostEqual(instant_interception(300, 0, 0, 0), (300 - DEPART_BALLE) / 3.5)

    def test_la_balle_rejoint_la_cible_en_mouvement(self) -> None:
        for dx, dy, vx, vy in [(300, 0, 0, 3), (-200, 150, 2, -2), (100, 400, -3, 0)]:
            t = instant_interception(dx, dy, vx, vy)
            assert t is not None
            self.assertAlmostEqual(math.hypot(dx + vx * t, dy + vy * t),
                                   DEPART_BALLE + VITESSE_BALLE * t, places=6)

    def test_cible_a_portee_immediate(self) -> None:
        self.assertEqual(instant_interception(5, 5, 1, 0), 0.0)


class Obstacles(unittest.TestCase):
    CUBE = Cube(100.0, 100.0, 122.0, 122.0)

    def test_ligne_de_vue(self) -> None:
        for x0, y0, x1, y1, libre in [(0, 111, 300, 111, False), (0, 90, 300, 90, True),
                                      (0, 97, 300, 97, False),   # grazes within a bullet's radius
                                      (111, 0, 111, 95, True), (0, 0, 300, 300, False)]:
            with self.subTest(de=(x0, y0), vers=(x1, y1)):
                self.assertEqual(ligne_degagee(x0, y0, x1, y1, [self.CUBE]), libre)

    def test_place_devant(self) -> None:
        # Up to the cube grown by the margin, to the board's edge, or the whole look-ahead.
        self.assertAlmostEqual(distance_libre(50, 111, 0, [self.CUBE], PLATEAU, 10, 200), 40)
        self.assertAlmostEqual(distance_libre(1300, 700, 0, [], PLATEAU, 10, 200), 98)
        self.assertAlmostEqual(distance_libre(700, 700, math.pi / 2, [self.CUBE], PLATEAU, 10,
                                              200), 200)


class Balles(unittest.TestCase):
    def test_approche(self) -> None:
        t, cote = approche(0, 0, 1, 0, 35, 10)
        self.assertAlmostEqual(t, 10)
        self.assertAlmostEqual(cote, 10)  # on the bullet's left
        self.assertLess(approche(0, 0, 1, 0, 35, -4)[1], 0)

    def test_trajectoire_d_une_rafale(self) -> None:
        # A stream fired one tick apart along +x: after one tick every bullet sits where the
        # one ahead of it was, so only the shooter tells the way they fly.
        tireur = Vaisseau(0.0, 0.0, 0.0, 5, 7)
        suivi = Trajectoires()
        rafale = [Balle(x, 0.0, 7) for x in (16.1, 19.6, 23.1)]
        suivi.suit(rafale, [tireur])
        apres = suivi.suit([Balle(b.x + 3.5, 0.0, 7) for b in rafale], [tireur])
        for _, ux, uy in apres:
            self.assertAlmostEqual(ux, 1.0)
            self.assertAlmostEqual(uy, 0.0)


class MesureDesVitesses(unittest.TestCase):
    def test_vitesse_le_long_du_cap(self) -> None:
        vitesses = Vitesses()
        cap = math.pi / 3
        for tick in range(10):  # 2 units per tick at 40 ticks per second
            x, y = 500 + 2 * tick * math.cos(cap), 500 + 2 * tick * math.sin(cap)
            vitesses.mesure([Vaisseau(x, y, cap, 5, 1)], tick / 40)
        vx, vy = vitesses.vitesse(Vaisseau(0, 0, cap, 5, 1))
        self.assertAlmostEqual(vx, 2 * math.cos(cap))
        self.assertAlmostEqual(vy, 2 * math.sin(cap))


if __name__ == "__main__":
    unittest.main()
