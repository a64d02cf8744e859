"""The bots' geometry, their reading of the world between polls, and their choices."""

import math
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

import commun  # noqa: E402,F401  (puts the kit on the path)
from arene import Balle, Cube, Taille, Vaisseau  # noqa: E402
from carte import Carte  # noqa: E402
from esquiveur import Trajectoires, esquive, touches  # noqa: E402
from geometrie import (DEPART_BALLE, VITESSE_BALLE, distance_libre, ecart_angle,  # noqa: E402
                       instant_interception, ligne_degagee, pas_de_rotation, passage,
                       sur_la_trajectoire)
from viseur import Intention, Proies, Vitesses  # noqa: E402
from commun import Horloge, ticks_ecoules  # noqa: E402
from classement import ordre_tenu  # noqa: E402

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
        # Within the margin of the cube already: away from it is free, toward it is not.
        self.assertAlmostEqual(distance_libre(95, 111, math.pi, [self.CUBE], PLATEAU, 10, 50), 50)
        self.assertAlmostEqual(distance_libre(95, 111, 0, [self.CUBE], PLATEAU, 10, 50), 0)


class Chemins(unittest.TestCase):
    # A wall of cubes across the board at x = 600, with one gap near the top.
    MUR = [Cube(600.0, y, 622.0, y + 22.0) for y in range(0, 1408, 22) if not 1200 <= y < 1260]

    def test_le_chemin_passe_par_la_breche(self) -> None:
        carte = Carte(self.MUR, PLATEAU, 13.0)
        chemin = carte.chemin(300, 300, 900, 300)
        assert chemin is not None
        self.assertEqual(chemin[-1], (900, 300))
        self.assertTrue(any(y > 1190 for _, y in chemin))
        for (x0, y0), (x1, y1) in zip(chemin, chemin[1:]):
            self.assertTrue(ligne_degagee(x0, y0, x1, y1, self.MUR, 12.0), ((x0, y0), (x1, y1)))
        # Heading from the start: straight for the gap, not into the wall.
        x, y = carte.vise_sur(300, 300, chemin)
        self.assertLess(x, 600)
        self.assertTrue(ligne_degagee(300, 300, x, y, self.MUR, 13.0))

    def test_pas_de_chemin_a_travers_un_mur_plein(self) -> None:
        plein = [Cube(600.0, y, 622.0, y + 22.0) for y in range(0, 1408, 22)]
        self.assertIsNone(Carte(plein, PLATEAU, 13.0).chemin(300, 300, 900, 300))


class Tir(unittest.TestCase):
    def test_un_vaisseau_sur_la_trajectoire(self) -> None:
        for vaisseau, gene in [((100, 5, 0, 0), True), ((100, 30, 0, 0), False),
                               ((-40, 0, 0, 0), False), ((400, 0, 0, 0), False),  # target at 300
                               ((200, -90, 0, 2), True),   # crosses the line as the bullet passes
                               ((200, -90, 0, -2), False)]:  # moves away from it
            with self.subTest(vaisseau=vaisseau):
                self.assertEqual(sur_la_trajectoire(0, 0, 0.0, 300, [vaisseau]), gene)

    def test_proies_faciles_d_abord(self) -> None:
        # Whatever the distances across the board: still and harmless at the far corner,
        # before still and firing, before moving, before moving and firing, the nearest.
        moi = Vaisseau(0.0, 0.0, 0.0, 5, 1)
        proies = Proies()
        for tick in range(20):
            vaisseaux = [moi, Vaisseau(1400.0, 1400.0, 0.0, 5, 2), Vaisseau(0.0, 400.0, 0.0, 5, 3),
                         Vaisseau(1300.0 - 2 * tick, 1300.0, 0.0, 5, 4),
                         Vaisseau(60.0 + tick, 0.0, 0.0, 5, 5)]
            balles = [Balle(10.0, 400.0, 3), Balle(9.0, 9.0, 5)] if tick == 3 else []
            proies.observe(vaisseaux, balles, tick)
        couts = [proies.cout(moi, v) for v in vaisseaux[1:]]
        self.assertEqual(couts, sorted(couts))


class Esquive(unittest.TestCase):
    MOI = Vaisseau(700.0, 700.0, 0.0, 5, 1)

    def test_une_balle_de_face_est_evitee(self) -> None:
        # A bullet 60 units ahead, coming straight back: staying put is hit, the dodge is not.
        menaces = [(760.0, 700.0, -3.5, 0.0)]
        voulu = Intention(0.0, 0.0, tire=True)
        self.assertEqual(touches(self.MOI, 0.0, 0.0, menaces)[0], 1)
        choix = esquive(self.MOI, voulu, menaces, [], PLATEAU)
        self.assertEqual(touches(self.MOI, choix.cap, choix.vitesse, menaces)[0], 0)
        self.assertFalse(choix.tire and choix.vitesse == 0)

    def test_sans_danger_l_intention_reste(self) -> None:
        # The bullet passes 40 units to the side, and the ship moves away from its path.
        voulu = Intention(-math.pi / 2, 3.0, tire=True)
        self.assertIs(esquive(self.MOI, voulu, [(760.0, 740.0, -3.5, 0.0)], [], PLATEAU), voulu)


class Balles(unittest.TestCase):
    def test_passage(self) -> None:
        # A bullet 35 units off along -x, flying +x, 10 units to the side: nearest after 10 ticks.
        self.assertAlmostEqual(passage(-35, -10, 3.5, 0, 30), 10)
        # Not yet there when the horizon ends, or already gone by.
        self.assertAlmostEqual(passage(-35, -10, 3.5, 0, 5), math.hypot(17.5, 10))
        self.assertAlmostEqual(passage(35, -10, 3.5, 0, 30), math.hypot(35, 10))
        # The ship running along the bullet's path at its speed: the gap never shrinks.
        self.assertAlmostEqual(passage(-20, 0, 0, 0, 30), 20)

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


class Horloges(unittest.TestCase):
    def test_ticks_comptes_par_les_balles(self) -> None:
        # The oldest bullets end both lists; a bullet gone or a new one at the head does not matter.
        avant = [Balle(1.0, 1.0, 9), Balle(100.0, 100.0, 2), Balle(50.0, 0.0, 3),
                 Balle(0.0, 0.0, 4)]
        def vole(b: Balle, ticks: int, angle: float) -> Balle:
            return Balle(b.x + ticks * 3.5 * math.cos(angle), b.y + ticks * 3.5 * math.sin(angle),
                         b.couleur)
        cas = [([Balle(7.0, 7.0, 8)] + [vole(b, 3, 0.3 * k) for k, b in enumerate(avant[1:])], 3),
               (avant, 0),
               ([vole(b, 2, 1.0) for b in avant[:-1]], None),   # the oldest gone: no pairing holds
               ([vole(b, 1, 0.0) for b in avant[:2]], None),    # too few bullets to tell
               ([vole(b, 2, 0.5) for b in avant[:-1]] + [vole(avant[-1], 3, 0.5)], None)]
        # A stream of one colour along +x, one bullet a tick: its oldest gone after one tick,
        # every bullet sits where the one ahead of it was. That is not "no tick".
        rafale = [Balle(16.1 + 3.5 * k, 0.0, 7) for k in range(5)]
        cas = [(avant, *c) for c in cas]
        cas.append((rafale, [Balle(b.x + 3.5, 0.0, 7) for b in rafale[:-1]], None))
        for premier, apres, ticks in cas:
            with self.subTest(ticks=ticks, n=len(apres)):
                self.assertEqual(ticks_ecoules(premier, apres), ticks)

    def test_la_cadence_suit_le_serveur(self) -> None:
        # A server at 20 ticks a second: the clock learns it, then counts it with no bullet.
        horloge = Horloge()
        balles = [Balle(100.0 * k, 0.0, k) for k in range(3)]
        for n in range(1, 40):
            horloge.avance([Balle(b.x, b.y + 3.5 * n, b.couleur) for b in balles], n / 20)
        self.assertAlmostEqual(horloge.cadence, 20.0, delta=0.1)
        horloge.avance([], 2.95)
        self.assertAlmostEqual(horloge.tick, 38 + 20 * 1.0, delta=0.1)


class Classement(unittest.TestCase):
    def test_l_ordre_tient_a_trois_dixiemes_pres(self) -> None:
        noms = ["immobile", "tourneur", "prudent", "viseur", "esquiveur"]
        cas = [([5.0, 4.0, 3.0, 2.0, 1.0], []),
               ([4.9, 4.6, 2.5, 2.2, 1.9], []),                       # exactly 0.3 apart holds
               ([5.0, 3.7, 2.5, 2.5, 1.4], ["prudent 2.50 vs viseur 2.50"]),
               ([4.0, 5.0, 3.0, 1.0, 2.0], ["immobile 4.00 vs tourneur 5.00",
                                            "viseur 1.00 vs esquiveur 2.00"])]
        for moyennes, fautes in cas:
            with self.subTest(moyennes=moyennes):
                self.assertEqual(ordre_tenu(list(zip(noms, moyennes))), fautes)


class MesureDesVitesses(unittest.TestCase):
    def test_vitesse_le_long_du_cap(self) -> None:
        vitesses = Vitesses()
        cap = math.pi / 3
        for tick in range(10):  # 2 units per tick
            x, y = 500 + 2 * tick * math.cos(cap), 500 + 2 * tick * math.sin(cap)
            vitesses.mesure([Vaisseau(x, y, cap, 5, 1)], tick)
        vx, vy = vitesses.vitesse(Vaisseau(0, 0, cap, 5, 1))
        self.assertAlmostEqual(vx, 2 * math.cos(cap))
        self.assertAlmostEqual(vy, 2 * math.sin(cap))


if __name__ == "__main__":
    unittest.main()
