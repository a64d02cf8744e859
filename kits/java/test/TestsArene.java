import arene.Arene;
import arene.Arene.Balle;
import arene.Arene.Commande;
import arene.Arene.ConnexionFermee;
import arene.Arene.CouleurInvalide;
import arene.Arene.CouleurUtilisee;
import arene.Arene.Cube;
import arene.Arene.ErreurProtocole;
import arene.Arene.Statut;
import arene.Arene.Taille;
import arene.Arene.Vaisseau;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.util.List;
import java.util.Objects;

/** The Java kit against recorded server replies. Run: java -cp CLASSES TestsArene */
public final class TestsArene {
    private static int reussis;
    private static int rates;

    /** A client reading recorded replies; {@code envoye} collects what it writes. */
    private static final class Conversation {
        final ByteArrayOutputStream envoye = new ByteArrayOutputStream();
        final Arene arene;

        Conversation(String reponses) {
            arene = new Arene(new ByteArrayInputStream(reponses.getBytes(StandardCharsets.US_ASCII)),
                    envoye, () -> {});
        }

        String envoye() {
            return envoye.toString(StandardCharsets.US_ASCII);
        }
    }

    private interface Cas {
        void verifie() throws Exception;
    }

    private static void cas(String nom, Cas cas) {
        try {
            cas.verifie();
            reussis++;
        } catch (Throwable echec) {
            rates++;
            System.out.println("FAILED " + nom + ": " + echec);
        }
    }

    private static void egal(Object attendu, Object obtenu) {
        if (!Objects.equals(attendu, obtenu)) {
            throw new AssertionError("expected <" + attendu + ">, got <" + obtenu + ">");
        }
    }

    private interface Appel {
        Object appelle(Arene arene) throws Exception;
    }

    /** The call must throw an exception of that type, with exactly that message. */
    private static void echoue(String reponse, Appel appel, Class<?> type, String message)
            throws Exception {
        try {
            appel.appelle(new Conversation(reponse).arene);
        } catch (Exception erreur) {
            egal(type, erreur.getClass());
            egal(message, erreur.getMessage());
            return;
        }
        throw new AssertionError("no error for '" + reponse + "'");
    }

    public static void main(String[] args) throws Exception {
        cas("reals as the server writes them", () -> {
            Object[][] reels = {{"1408.", 1408.0}, {"9.", 9.0}, {"0.", 0.0}, {"-0.", -0.0},
                {"350.25", 350.25}, {"2.09439510239", 2.09439510239}, {"1e-05", 1e-05},
                {"-1.5e-07", -1.5e-07}, {"1.23456789012e+14", 1.23456789012e14}, {"-3.", -3.0}};
            for (Object[] r : reels) egal(r[1], Arene.litReel((String) r[0]));
            for (String t : List.of("", "1,5", " 1.", "1. ", "inf", "NaN", "+1.", ".5", "1e5",
                    "0x10", "1d", "1_0")) {
                echoue("", a -> Arene.litReel(t), ErreurProtocole.class,
                        "expected a real number such as '1408.' or '1e-05', got '" + t + "'");
            }
            egal(-16711680L, Arene.litEntier("-16711680"));
            for (String t : List.of("5.", "+5", "", "5 ", "1e3", "99999999999999999999")) {
                echoue("", a -> Arene.litEntier(t), ErreurProtocole.class,
                        "expected an integer, got '" + t + "'");
            }
        });
        cas("colour arguments, decimal or 0x hexadecimal", () -> {
            Object[][] bonnes = {{"16711680", 16711680L}, {"0xFF0000", 16711680L},
                {"0Xff0000", 16711680L}, {"-5", -5L}, {"017", 17L}, {"-0x10", -16L}, {"0", 0L},
                {"9223372036854775807", Long.MAX_VALUE}, {"0x7FFFFFFFFFFFFFFF", Long.MAX_VALUE},
                {"-9223372036854775808", Long.MIN_VALUE}};
            for (Object[] b : bonnes) egal(b[1], Arene.litCouleur((String) b[0]));
            for (String t : List.of("", "-", "rouge", "0xZZ", "0x", "12abc", " 5", "5 ", "+5",
                    "1e3", "0o17", "#FF0000", "\u0663", "9223372036854775808",
                    "0x8000000000000000")) {
                try {
                    Arene.litCouleur(t);
                    throw new AssertionError("accepted '" + t + "'");
                } catch (CouleurInvalide erreur) {
                    if (!erreur.getMessage().contains("'" + t + "'")) throw erreur;
                }
            }
        });
        cas("pipelined commands go in one write, replies come back in order", () -> {
            Conversation c = new Conversation("PUT VAISSEAUX 2\r\n"
                    + "660.708630095 907.331744908 3.13920054316 5 16711680\r\n"
                    + "909.576645884 111.372477479 -1e-05 4 255\r\n"
                    + "PUT BALLES 1\r\n906.416209851 127.159232816 255\r\n"
                    + "OK\r\nPUT STATUT mort\r\nPUT BALLES 0\r\n");
            c.arene.envoie(Commande.VAISSEAUX, Commande.BALLES, Commande.TIRE, Commande.STATUT,
                    Commande.BALLES);
            egal(List.of(new Vaisseau(660.708630095, 907.331744908, 3.13920054316, 5, 16711680),
                    new Vaisseau(909.576645884, 111.372477479, -1e-05, 4, 255)),
                    c.arene.litVaisseaux());
            egal(List.of(new Balle(906.416209851, 127.159232816, 255)), c.arene.litBalles());
            c.arene.litOk();
            egal(Statut.MORT, c.arene.litStatut());
            egal(List.of(), c.arene.litBalles());
            egal("GET VAISSEAUX\r\nGET BALLES\r\nPUT ACTION TIRE\r\nGET STATUT\r\nGET BALLES\r\n",
                    c.envoye());
        });
        cas("one call per command", () -> {
            egal(new Taille(1408, 704),
                    new Conversation("PUT TAILLE PLATEAU 1408. 704.\r\n").arene.taillePlateau());
            egal(9.0, new Conversation("PUT RAYON VAISSEAU 9.\r\n").arene.rayonVaisseau());
            egal(4.0, new Conversation("PUT RAYON BALLE 4.\r\n").arene.rayonBalle());
            egal(5L, new Conversation("PUT MAX PT VIE 5\r\n").arene.maxPtVie());
            egal(Statut.VIVANT, new Conversation("PUT STATUT vivant\r\n").arene.statut());
            egal(List.of(new Cube(1166, 1012, 1188, 1034)),
                    new Conversation("PUT CUBES 1\r\n1166. 1012. 1188. 1034.\r\n").arene.cubes());
        });
        cas("registration tries the next colours while one is in use", () -> {
            Conversation c = new Conversation(
                    "ERREUR COULEUR UTILISEE\r\nERREUR COULEUR UTILISEE\r\nVAISSEAU ENREGISTRE\r\n");
            egal(257L, c.arene.enregistre(255, 5));
            egal(257L, c.arene.couleur());
            egal("PUT COULEUR VAISSEAU 255\r\nPUT COULEUR VAISSEAU 256\r\n"
                    + "PUT COULEUR VAISSEAU 257\r\n", c.envoye());
            echoue("ERREUR COULEUR UTILISEE\r\n".repeat(2), a -> a.enregistre(255, 2),
                    CouleurUtilisee.class, "colours 255 to 256 are all in use");
        });
        cas("replies outside the protocol say what was expected and what came", () -> {
            String avantEnregistrement = "register first: the server answers 'ERREUR SYNTAXE' to "
                    + "every command until enregistre() has registered a ship";
            echoue("ERREUR SYNTAXE\r\n", Arene::vaisseaux, ErreurProtocole.class,
                    avantEnregistrement);
            echoue("ERREUR SYNTAXE\r\n", Arene::statut, ErreurProtocole.class, avantEnregistrement);
            echoue("ERREUR SYNTAXE\r\n", a -> { a.tire(); return null; }, ErreurProtocole.class,
                    avantEnregistrement);
            echoue("PUT VAISSEAUX 1\r\n1. 2. 5 255\r\n", Arene::vaisseaux, ErreurProtocole.class,
                    "expected a ship line 'x y angle life colour', got '1. 2. 5 255'");
            echoue("PUT BALLES 2\r\n1. 2. 3\r\n", Arene::balles, ConnexionFermee.class,
                    "connection closed by the server while waiting for element 2 of 2 after "
                            + "'PUT BALLES 2'");
            echoue("OK\n", a -> { a.tire(); return null; }, ErreurProtocole.class,
                    "expected 'OK' ending in CR LF, got 'OK'");
            echoue("PUT STATUT zombie\r\n", Arene::statut, ErreurProtocole.class,
                    "expected 'PUT STATUT vivant|mort', got 'PUT STATUT zombie'");
            echoue("ERREUR SYNTAXE\r\n", a -> a.enregistre(-1, 1), ErreurProtocole.class,
                    "expected 'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE', "
                            + "got 'ERREUR SYNTAXE'");
            echoue("", Arene::maxPtVie, ConnexionFermee.class,
                    "connection closed by the server while waiting for 'PUT MAX PT VIE n'");
        });
        cas("quitting a server that has already closed is not an error", () -> {
            Conversation c = new Conversation("");
            c.arene.quitte();
            egal("PUT ACTION QUITTE\r\n", c.envoye());
        });
        System.out.println(reussis + " passed, " + rates + " failed");
        System.exit(rates == 0 ? 0 : 1);
    }
}
