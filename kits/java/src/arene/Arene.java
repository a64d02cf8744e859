package arene;

import java.io.BufferedInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Pattern;

/**
 * Starter kit for arena bots in Java 17: one bot's connection to the server.
 *
 * <pre>{@code
 * try (Arene arene = Arene.connecte("127.0.0.1", 12345)) {
 *     arene.enregistre(0xFF0000, 10);                        // or the next free colour
 *     arene.envoie(Arene.Commande.VAISSEAUX, Arene.Commande.BALLES);  // one write
 *     List<Arene.Vaisseau> vaisseaux = arene.litVaisseaux();
 *     List<Arene.Balle> balles = arene.litBalles();
 * }
 * }</pre>
 *
 * <p>A reply outside the protocol throws {@link ErreurProtocole}, whose message says what was
 * expected and what came; a closed connection throws {@link ConnexionFermee}. Both are {@link
 * IOException}s. Not thread-safe: one conversation at a time.
 */
public final class Arene implements AutoCloseable {

    /** A ship as GET VAISSEAUX lists it. Its speed is never sent. */
    public record Vaisseau(double x, double y, double angle, long ptVie, long couleur) {}

    /** A bullet in flight; {@code couleur} is its shooter's. */
    public record Balle(double x, double y, long couleur) {}

    /** An obstacle, by its lower and upper corners. */
    public record Cube(double xMin, double yMin, double xMax, double yMax) {}

    /** The board's size. */
    public record Taille(double largeur, double hauteur) {}

    /** Whether a ship of the connection's colour is in play. */
    public enum Statut { VIVANT, MORT }

    /** Every command once registered. */
    public enum Commande {
        BALLES("GET BALLES"), CUBES("GET CUBES"), VAISSEAUX("GET VAISSEAUX"),
        MAX_PT_VIE("GET MAX PT VIE"), RAYON_BALLE("GET RAYON BALLE"),
        RAYON_VAISSEAU("GET RAYON VAISSEAU"), TAILLE_PLATEAU("GET TAILLE PLATEAU"),
        STATUT("GET STATUT"), ACCELERE("PUT ACTION ACCELERE"), DECELERE("PUT ACTION DECELERE"),
        GAUCHE("PUT ACTION GAUCHE"), DROITE("PUT ACTION DROITE"), TIRE("PUT ACTION TIRE"),
        QUITTE("PUT ACTION QUITTE");

        /** The line sent, without CR LF. */
        public final String texte;

        Commande(String texte) {
            this.texte = texte;
        }
    }

    /** Any failure of the conversation with the server. */
    public static class ErreurArene extends IOException {
        public ErreurArene(String message) {
            super(message);
        }
    }

    /** The server answered something else than the reply expected. */
    public static class ErreurProtocole extends ErreurArene {
        public ErreurProtocole(String attendu, String recu) {
            super("expected " + attendu + ", got '" + recu + "'");
        }

        ErreurProtocole(String message) {
            super(message);
        }
    }

    /** The server closed the connection (end of a match, or after a quit). */
    public static class ConnexionFermee extends ErreurArene {
        public ConnexionFermee(String message) {
            super(message);
        }
    }

    /** Every colour tried is carried by a ship in play. */
    public static class CouleurUtilisee extends ErreurArene {
        public CouleurUtilisee(String message) {
            super(message);
        }
    }

    /** A colour argument in neither of the accepted forms, or beyond 64 bits. */
    public static class CouleurInvalide extends IllegalArgumentException {
        public CouleurInvalide(String message) {
            super(message);
        }
    }

    // printf's %.12g, plus a "." on whole values: "1408.", "-0.5", "1e-05", "1.5e+14".
    private static final Pattern REEL = Pattern.compile("-?[0-9]+(\\.[0-9]*)?(e[+-][0-9]+)?");
    private static final Pattern ENTIER = Pattern.compile("-?[0-9]+");
    private static final Pattern COULEUR = Pattern.compile("-?(0[xX][0-9a-fA-F]+|[0-9]+)");

    private final InputStream entree;
    private final OutputStream sortie;
    private final AutoCloseable connexion;
    private long couleur;

    /**
     * Talks over any pair of streams (a socket's, or recorded replies in tests).
     *
     * @param entree what the server sends
     * @param sortie where requests go
     * @param connexion closed by {@link #close()}
     */
    public Arene(InputStream entree, OutputStream sortie, AutoCloseable connexion) {
        this.entree = new BufferedInputStream(entree);
        this.sortie = sortie;
        this.connexion = connexion;
    }

    /**
     * Opens the connection; each wait for a reply is bounded by 30 seconds.
     *
     * @param hote a name or an address
     * @param port the server's port
     * @return the connection, not yet registered
     * @throws IOException when the server cannot be reached
     */
    public static Arene connecte(String hote, int port) throws IOException {
        Socket socket = new Socket(hote, port);
        socket.setTcpNoDelay(true); // small request lines must leave at once
        socket.setSoTimeout(30_000);
        return new Arene(socket.getInputStream(), socket.getOutputStream(), socket);
    }

    /** Closes the connection; the server then removes the ship. */
    @Override
    public void close() throws IOException {
        try {
            connexion.close();
        } catch (IOException e) {
            throw e;
        } catch (Exception e) {
            throw new IOException(e);
        }
    }

    /**
     * Registers a ship of {@code couleur}; while that colour is in use, tries the next ones,
     * {@code essais} colours in all.
     *
     * @return the colour obtained
     * @throws CouleurUtilisee when every colour tried is in use
     */
    public long enregistre(long couleur, int essais) throws IOException {
        for (long essai = couleur; essai < couleur + essais; essai++) {
            envoieLigne("PUT COULEUR VAISSEAU " + essai);
            String reponse = litLigne("the registration's reply");
            if (reponse.equals("VAISSEAU ENREGISTRE")) {
                this.couleur = essai;
                return essai;
            }
            if (!reponse.equals("ERREUR COULEUR UTILISEE")) {
                throw new ErreurProtocole(
                        "'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE'", reponse);
            }
        }
        throw new CouleurUtilisee(
                "colours " + couleur + " to " + (couleur + essais - 1) + " are all in use");
    }

    /** @return the colour registered, 0 before */
    public long couleur() {
        return couleur;
    }

    /** @return ships in play, newest first */
    public List<Vaisseau> vaisseaux() throws IOException {
        envoie(Commande.VAISSEAUX);
        return litVaisseaux();
    }

    /** @return bullets in flight, newest first */
    public List<Balle> balles() throws IOException {
        envoie(Commande.BALLES);
        return litBalles();
    }

    /** @return the obstacles; they never move */
    public List<Cube> cubes() throws IOException {
        envoie(Commande.CUBES);
        return litCubes();
    }

    public Taille taillePlateau() throws IOException {
        envoie(Commande.TAILLE_PLATEAU);
        return litTaillePlateau();
    }

    public double rayonVaisseau() throws IOException {
        envoie(Commande.RAYON_VAISSEAU);
        return litReel(litApres("PUT RAYON VAISSEAU", "'PUT RAYON VAISSEAU r'"));
    }

    public double rayonBalle() throws IOException {
        envoie(Commande.RAYON_BALLE);
        return litReel(litApres("PUT RAYON BALLE", "'PUT RAYON BALLE r'"));
    }

    public long maxPtVie() throws IOException {
        envoie(Commande.MAX_PT_VIE);
        return litEntier(litApres("PUT MAX PT VIE", "'PUT MAX PT VIE n'"));
    }

    public Statut statut() throws IOException {
        envoie(Commande.STATUT);
        return litStatut();
    }

    /** Speed + 0.05, at most 3 units per tick. */
    public void accelere() throws IOException {
        agit(Commande.ACCELERE);
    }

    /** Speed - 0.05, at least -2 (backwards). */
    public void decelere() throws IOException {
        agit(Commande.DECELERE);
    }

    /** Heading + 0.05 radian. */
    public void gauche() throws IOException {
        agit(Commande.GAUCHE);
    }

    /** Heading - 0.05 radian. */
    public void droite() throws IOException {
        agit(Commande.DROITE);
    }

    public void tire() throws IOException {
        agit(Commande.TIRE);
    }

    /**
     * Takes the ship out and closes the connection. A server that has already closed it (a
     * match that ended) is not an error.
     */
    public void quitte() throws IOException {
        try {
            agit(Commande.QUITTE);
        } catch (ConnexionFermee fin) {
            // the match is over
        } finally {
            close();
        }
    }

    /** Pipelining: sends the commands in one write; read their replies next, in order. */
    public void envoie(Commande... commandes) throws IOException {
        envoie(List.of(commandes));
    }

    /** Pipelining: sends the commands in one write; read their replies next, in order. */
    public void envoie(List<Commande> commandes) throws IOException {
        StringBuilder lignes = new StringBuilder();
        for (Commande c : commandes) lignes.append(c.texte).append("\r\n");
        envoieOctets(lignes.toString());
    }

    /** Sends actions in one write and reads their "OK"s. */
    public void agit(Commande... actions) throws IOException {
        agit(List.of(actions));
    }

    /** Sends actions in one write and reads their "OK"s. */
    public void agit(List<Commande> actions) throws IOException {
        envoie(actions);
        for (int i = 0; i < actions.size(); i++) litOk();
    }

    public void litOk() throws IOException {
        String ligne = litReponse("'OK'");
        if (!ligne.equals("OK")) throw new ErreurProtocole("'OK'", ligne);
    }

    public List<Vaisseau> litVaisseaux() throws IOException {
        return litListe("PUT VAISSEAUX", Arene::litVaisseau);
    }

    public List<Balle> litBalles() throws IOException {
        return litListe("PUT BALLES", Arene::litBalle);
    }

    public List<Cube> litCubes() throws IOException {
        return litListe("PUT CUBES", Arene::litCube);
    }

    public Taille litTaillePlateau() throws IOException {
        String forme = "'PUT TAILLE PLATEAU w h'";
        String[] c = champs(litApres("PUT TAILLE PLATEAU", forme), 2, forme);
        return new Taille(litReel(c[0]), litReel(c[1]));
    }

    public Statut litStatut() throws IOException {
        String forme = "'PUT STATUT vivant|mort'";
        String mot = litApres("PUT STATUT", forme);
        return switch (mot) {
            case "vivant" -> Statut.VIVANT;
            case "mort" -> Statut.MORT;
            default -> throw new ErreurProtocole(forme, "PUT STATUT " + mot);
        };
    }

    /** Sends one raw line; CR LF is added. */
    public void envoieLigne(String ligne) throws IOException {
        envoieOctets(ligne + "\r\n");
    }

    /**
     * @param attendu names the line in errors
     * @return the next line without its CR LF
     */
    public String litLigne(String attendu) throws IOException {
        ByteArrayOutputStream ligne = new ByteArrayOutputStream();
        for (int octet; (octet = entree.read()) != '\n'; ) {
            if (octet < 0) {
                throw new ConnexionFermee(
                        "connection closed by the server while waiting for " + attendu);
            }
            ligne.write(octet);
        }
        String texte = ligne.toString(StandardCharsets.ISO_8859_1);
        if (!texte.endsWith("\r")) throw new ErreurProtocole(attendu + " ending in CR LF", texte);
        return texte.substring(0, texte.length() - 1);
    }

    /** A real number as the server writes it. */
    public static double litReel(String texte) throws ErreurProtocole {
        if (!REEL.matcher(texte).matches()) {
            throw new ErreurProtocole("a real number such as '1408.' or '1e-05'", texte);
        }
        return Double.parseDouble(texte);
    }

    /** An integer (count, life points, colour) as the server writes it. */
    public static long litEntier(String texte) throws ErreurProtocole {
        try {
            if (ENTIER.matcher(texte).matches()) return Long.parseLong(texte);
        } catch (NumberFormatException tropGrand) {
            // reported below
        }
        throw new ErreurProtocole("an integer", texte);
    }

    /**
     * Reads a colour argument: decimal ("16711680", "-5") or 0x hexadecimal ("0xFF0000"), within
     * 64 signed bits; "017" is seventeen.
     *
     * @throws CouleurInvalide naming the text, for anything else
     */
    public static long litCouleur(String texte) {
        String cite = "colour '" + texte + "'";
        if (!COULEUR.matcher(texte).matches()) {
            throw new CouleurInvalide(
                    cite + " is neither decimal (16711680) nor 0x hexadecimal (0xFF0000)");
        }
        boolean negatif = texte.startsWith("-");
        String chiffres = texte.substring(negatif ? 1 : 0);
        boolean hexa = chiffres.length() > 1 && (chiffres.charAt(1) | 0x20) == 'x';
        try {
            return Long.parseLong((negatif ? "-" : "") + (hexa ? chiffres.substring(2) : chiffres),
                    hexa ? 16 : 10);
        } catch (NumberFormatException tropGrand) {
            throw new CouleurInvalide(cite + " does not fit in 64 signed bits");
        }
    }

    /** A ship line: "x y angle pt_vie couleur". */
    public static Vaisseau litVaisseau(String ligne) throws ErreurProtocole {
        return litElement(ligne, 5, "a ship line 'x y angle life colour'", c -> new Vaisseau(
                litReel(c[0]), litReel(c[1]), litReel(c[2]), litEntier(c[3]), litEntier(c[4])));
    }

    /** A bullet line: "x y couleur". */
    public static Balle litBalle(String ligne) throws ErreurProtocole {
        return litElement(ligne, 3, "a bullet line 'x y colour'",
                c -> new Balle(litReel(c[0]), litReel(c[1]), litEntier(c[2])));
    }

    /** A cube line: "x_min y_min x_max y_max". */
    public static Cube litCube(String ligne) throws ErreurProtocole {
        return litElement(ligne, 4, "a cube line 'x_min y_min x_max y_max'",
                c -> new Cube(litReel(c[0]), litReel(c[1]), litReel(c[2]), litReel(c[3])));
    }

    private interface LectureChamps<T> {
        T lit(String[] champs) throws ErreurProtocole;
    }

    // A bad field is reported with its whole line, which says more than the field alone.
    private static <T> T litElement(String ligne, int n, String attendu, LectureChamps<T> lecture)
            throws ErreurProtocole {
        String[] c = champs(ligne, n, attendu);
        try {
            return lecture.lit(c);
        } catch (ErreurProtocole champ) {
            throw new ErreurProtocole(attendu, ligne);
        }
    }

    private static String[] champs(String ligne, int n, String attendu) throws ErreurProtocole {
        String[] champs = ligne.split(" ", -1);
        if (champs.length != n) throw new ErreurProtocole(attendu, ligne);
        return champs;
    }

    private void envoieOctets(String texte) throws IOException {
        try {
            sortie.write(texte.getBytes(StandardCharsets.US_ASCII));
            sortie.flush();
        } catch (IOException e) {
            if (e instanceof ErreurArene) throw e;
            throw new ConnexionFermee("connection closed by the server: " + e.getMessage());
        }
    }

    // The reply to a command. The server answers every command with ERREUR SYNTAXE until a ship
    // is registered: that mistake is named.
    private String litReponse(String forme) throws IOException {
        String ligne = litLigne(forme);
        if (ligne.equals("ERREUR SYNTAXE")) {
            throw new ErreurProtocole("register first: the server answers 'ERREUR SYNTAXE' to every "
                    + "command until enregistre() has registered a ship");
        }
        return ligne;
    }

    // What follows `prefixe` and one blank on the next line.
    private String litApres(String prefixe, String forme) throws IOException {
        String ligne = litReponse(forme);
        if (!ligne.startsWith(prefixe + " ")) throw new ErreurProtocole(forme, ligne);
        return ligne.substring(prefixe.length() + 1);
    }

    private interface Lecture<T> {
        T lit(String ligne) throws ErreurProtocole;
    }

    private <T> List<T> litListe(String entete, Lecture<T> lecture) throws IOException {
        String forme = "'" + entete + " n'";
        String ligne = litReponse(forme);
        if (!ligne.startsWith(entete + " ")) throw new ErreurProtocole(forme, ligne);
        long n = litEntier(ligne.substring(entete.length() + 1));
        if (n < 0) throw new ErreurProtocole(forme + " with n >= 0", ligne);
        List<T> elements = new ArrayList<>();
        for (long i = 0; i < n; i++) {
            elements.add(lecture.lit(litLigne(
                    "element " + (i + 1) + " of " + n + " after '" + ligne + "'")));
        }
        return elements;
    }
}
