"""The kit against recorded server replies, over a socket pair."""

import socket
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

from arene import (Arene, Balle, Commande, ConnexionFermee, CouleurInvalide,  # noqa: E402
                   CouleurUtilisee, Cube, ErreurProtocole, Statut, Taille, Vaisseau, lit_couleur,
                   lit_entier, lit_reel)


class Conversation:
    """A client whose server side plays back recorded bytes."""

    def __init__(self, replies: bytes, close: bool = True) -> None:
        client, self.serveur = socket.socketpair()
        client.settimeout(5)
        self.serveur.sendall(replies)
        if close:
            self.serveur.shutdown(socket.SHUT_WR)
        self.arene = Arene(client)

    def sent(self) -> bytes:
        self.arene.ferme()
        return self.serveur.makefile("rb").read()


class Nombres(unittest.TestCase):
    def test_reels_du_serveur(self) -> None:
        for texte, valeur in [("1408.", 1408.0), ("9.", 9.0), ("0.", 0.0), ("-0.", -0.0),
                              ("350.25", 350.25), ("2.09439510239", 2.09439510239),
                              ("1e-05", 1e-05), ("-1.5e-07", -1.5e-07),
                              ("1.23456789012e+14", 1.23456789012e14), ("-3.", -3.0)]:
            with self.subTest(texte=texte):
                self.assertEqual(lit_reel(texte), valeur)

    def test_reels_hors_protocole(self) -> None:
        for texte in ["", "1,5", " 1.", "1. ", "inf", "nan", "+1.", ".5", "1e5", "0x10", "1_0"]:
            with self.subTest(texte=texte), self.assertRaises(ErreurProtocole) as erreur:
                lit_reel(texte)
            self.assertIn(repr(texte), str(erreur.exception))

    def test_entiers(self) -> None:
        for texte, valeur in [("5", 5), ("-16711680", -16711680),
                              ("9223372036854775807", 2**63 - 1)]:
            self.assertEqual(lit_entier(texte), valeur)
        for texte in ["5.", "+5", "", "5 ", "1e3"]:
            with self.subTest(texte=texte), self.assertRaises(ErreurProtocole):
                lit_entier(texte)

    def test_couleurs_en_argument(self) -> None:
        for texte, valeur in [("16711680", 16711680), ("0xFF0000", 16711680),
                              ("0Xff0000", 16711680), ("-5", -5), ("017", 17), ("0", 0),
                              ("-0x10", -16),
                              ("9223372036854775807", 2**63 - 1), ("0x7FFFFFFFFFFFFFFF", 2**63 - 1),
                              ("-9223372036854775808", -(2**63))]:
            with self.subTest(texte=texte):
                self.assertEqual(lit_couleur(texte), valeur)
        for texte in ["", "-", "rouge", "0xZZ", "0x", "12abc", " 5", "5 ", "+5", "1e3", "0o17",
                      "#FF0000", "1_000", "\u0663", "9223372036854775808", "0x8000000000000000"]:
            with self.subTest(texte=texte), self.assertRaises(CouleurInvalide) as erreur:
                lit_couleur(texte)
            self.assertIn(repr(texte), str(erreur.exception))
            self.assertIsInstance(erreur.exception, ValueError)


class Reponses(unittest.TestCase):
    def test_pipeline_une_ecriture_et_reponses_dans_l_ordre(self) -> None:
        c = Conversation(b"PUT VAISSEAUX 2\r\n"
                         b"660.708630095 907.331744908 3.13920054316 5 16711680\r\n"
                         b"909.576645884 111.372477479 -1e-05 4 255\r\n"
                         b"PUT BALLES 1\r\n906.416209851 127.159232816 255\r\n"
                         b"OK\r\nPUT STATUT mort\r\nPUT BALLES 0\r\n")
        c.arene.envoie(Commande.VAISSEAUX, Commande.BALLES, Commande.TIRE, Commande.STATUT,
                       Commande.BALLES)
        self.assertEqual(c.arene.lit_vaisseaux(), [
            Vaisseau(660.708630095, 907.331744908, 3.13920054316, 5, 16711680),
            Vaisseau(909.576645884, 111.372477479, -1e-05, 4, 255)])
        self.assertEqual(c.arene.lit_balles(), [Balle(906.416209851, 127.159232816, 255)])
        c.arene.lit_ok()
        self.assertEqual(c.arene.lit_statut(), Statut.MORT)
        self.assertEqual(c.arene.lit_balles(), [])
        self.assertEqual(c.sent(), b"GET VAISSEAUX\r\nGET BALLES\r\nPUT ACTION TIRE\r\n"
                                   b"GET STATUT\r\nGET BALLES\r\n")

    def test_une_commande_par_appel(self) -> None:
        cas = [("taille_plateau", b"PUT TAILLE PLATEAU 1408. 1408.\r\n", Taille(1408.0, 1408.0)),
               ("rayon_vaisseau", b"PUT RAYON VAISSEAU 9.\r\n", 9.0),
               ("rayon_balle", b"PUT RAYON BALLE 4.\r\n", 4.0),
               ("max_pt_vie", b"PUT MAX PT VIE 5\r\n", 5),
               ("statut", b"PUT STATUT vivant\r\n", Statut.VIVANT),
               ("cubes", b"PUT CUBES 1\r\n1166. 1012. 1188. 1034.\r\n",
                [Cube(1166.0, 1012.0, 1188.0, 1034.0)]),
               ("gauche", b"OK\r\n", None)]
        for methode, reponse, attendu in cas:
            with self.subTest(methode=methode):
                c = Conversation(reponse)
                self.assertEqual(getattr(c.arene, methode)(), attendu)

    def test_demande_rend_chaque_reponse_selon_sa_commande(self) -> None:
        c = Conversation(b"OK\r\nPUT MAX PT VIE 5\r\nPUT BALLES 0\r\n")
        self.assertEqual(c.arene.demande(Commande.DROITE, Commande.MAX_PT_VIE, Commande.BALLES),
                         [None, 5, []])


class Enregistrement(unittest.TestCase):
    def test_essaie_les_couleurs_suivantes(self) -> None:
        c = Conversation(b"ERREUR COULEUR UTILISEE\r\nERREUR COULEUR UTILISEE\r\n"
                         b"VAISSEAU ENREGISTRE\r\n")
        self.assertEqual(c.arene.enregistre(255, essais=5), 257)
        self.assertEqual(c.arene.couleur, 257)
        self.assertEqual(c.sent(), b"PUT COULEUR VAISSEAU 255\r\nPUT COULEUR VAISSEAU 256\r\n"
                                   b"PUT COULEUR VAISSEAU 257\r\n")

    def test_toutes_les_couleurs_prises(self) -> None:
        c = Conversation(b"ERREUR COULEUR UTILISEE\r\n" * 2)
        with self.assertRaisesRegex(CouleurUtilisee, "255 to 256"):
            c.arene.enregistre(255, essais=2)

    def test_erreur_syntaxe(self) -> None:
        c = Conversation(b"ERREUR SYNTAXE\r\n")
        with self.assertRaisesRegex(ErreurProtocole, "VAISSEAU ENREGISTRE.*'ERREUR SYNTAXE'"):
            c.arene.enregistre(-1)


class Erreurs(unittest.TestCase):
    def test_reponses_hors_protocole(self) -> None:
        cas = [("vaisseaux", b"ERREUR SYNTAXE\r\n", ErreurProtocole,
                "^register first: .*enregistre"),
               ("tire", b"ERREUR SYNTAXE\r\n", ErreurProtocole, "^register first"),
               ("statut", b"ERREUR SYNTAXE\r\n", ErreurProtocole, "^register first"),
               ("vaisseaux", b"PUT VAISSEAUX 1\r\n1. 2. 5 255\r\n", ErreurProtocole,
                "a ship line.*got '1. 2. 5 255'"),
               ("balles", b"PUT BALLES -1\r\n", ErreurProtocole, "n >= 0"),
               ("balles", b"PUT BALLES 2\r\n1. 2. 3\r\n", ConnexionFermee, "element 2 of 2"),
               ("tire", b"OK\n", ErreurProtocole, "ending in CR LF"),
               ("tire", b"PUT STATUT vivant\r\n", ErreurProtocole, "'OK'"),
               ("statut", b"PUT STATUT zombie\r\n", ErreurProtocole, "vivant|mort"),
               ("taille_plateau", b"PUT TAILLE PLATEAU 1408.\r\n", ErreurProtocole,
                "PUT TAILLE PLATEAU w h"),
               ("max_pt_vie", b"", ConnexionFermee, "closed by the server while waiting for "
                                                    "'PUT MAX PT VIE n'")]
        for methode, reponse, erreur, message in cas:
            with self.subTest(methode=methode, reponse=reponse):
                c = Conversation(reponse)
                with self.assertRaisesRegex(erreur, message):
                    getattr(c.arene, methode)()

    def test_quitter_un_serveur_deja_ferme(self) -> None:
        c = Conversation(b"")
        c.arene.quitte()
        self.assertEqual(c.serveur.makefile("rb").read(), b"PUT ACTION QUITTE\r\n")


if __name__ == "__main__":
    unittest.main()
