import arene.Arene;
import arene.Arene.Commande;
import arene.Arene.Vaisseau;
import java.util.ArrayList;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;

/**
 * The aimer: turns to the nearest ship and fires where it will be, from the speed measured
 * between polls (the server never reports speeds).
 *
 * <pre>java -cp CLASSES Viseur [--host H] [--port P] [--couleur N] [--duree S]</pre>
 */
public class Viseur {
    static final double TICKS_PAR_SECONDE = 40; // the server's nominal rate; speeds are per tick
    static final double FENETRE_S = 0.15; // speeds are measured over this much time
    static final double VITESSE_BALLE = 3.5; // units per tick
    static final double DEPART_BALLE = 12.6; // a new bullet's distance ahead of the ship
    static final double PAS_ANGLE = 0.05;
    static final int MAX_PAS = 20; // turn steps per tick: all apply at once

    /** A ship's position at some time, and its speed along its heading then. */
    record Suivi(double temps, double x, double y, double vitesse) {}

    private final Map<Long, Suivi> suivis = new HashMap<>();

    /** Updates each ship's speed once FENETRE_S has passed since its last sample. */
    void mesure(List<Vaisseau> vaisseaux, double temps) {
        for (Vaisseau v : vaisseaux) {
            Suivi s = suivis.get(v.couleur());
            if (s == null) {
                suivis.put(v.couleur(), new Suivi(temps, v.x(), v.y(), 0));
            } else if (temps - s.temps() >= FENETRE_S) {
                double ticks = (temps - s.temps()) * TICKS_PAR_SECONDE;
                double vitesse = ((v.x() - s.x()) * Math.cos(v.angle())
                        + (v.y() - s.y()) * Math.sin(v.angle())) / ticks;
                suivis.put(v.couleur(), new Suivi(temps, v.x(), v.y(), vitesse));
            }
        }
    }

    /**
     * Ticks until a bullet fired now meets a target at (dx, dy) moving (vx, vy) per tick:
     * |d + v t| = depart + speed t. Negative when it never does.
     */
    static double instantInterception(double dx, double dy, double vx, double vy) {
        double a = vx * vx + vy * vy - VITESSE_BALLE * VITESSE_BALLE; // < 0: bullets are faster
        double b = 2 * (dx * vx + dy * vy - DEPART_BALLE * VITESSE_BALLE);
        double c = dx * dx + dy * dy - DEPART_BALLE * DEPART_BALLE;
        double discriminant = b * b - 4 * a * c;
        return discriminant < 0 ? -1 : (-b - Math.sqrt(discriminant)) / (2 * a);
    }

    /** The turn and the shot toward the nearest other ship, led by its speed. */
    List<Commande> vise(Vaisseau moi, List<Vaisseau> vaisseaux) {
        Vaisseau cible = null;
        for (Vaisseau v : vaisseaux) {
            if (v.couleur() != moi.couleur() && (cible == null
                    || Math.hypot(v.x() - moi.x(), v.y() - moi.y())
                            < Math.hypot(cible.x() - moi.x(), cible.y() - moi.y()))) {
                cible = v;
            }
        }
        if (cible == null) return List.of();
        Suivi s = suivis.get(cible.couleur());
        double vitesse = s == null ? 0 : s.vitesse();
        double vx = vitesse * Math.cos(cible.angle()), vy = vitesse * Math.sin(cible.angle());
        double t = Math.max(0, instantInterception(cible.x() - moi.x(), cible.y() - moi.y(), vx, vy));
        double x = cible.x() + vx * t - moi.x(), y = cible.y() + vy * t - moi.y();
        double ecart = Math.IEEEremainder(Math.atan2(y, x) - moi.angle(), 2 * Math.PI);
        int pas = (int) Math.max(-MAX_PAS, Math.min(MAX_PAS, Math.round(ecart / PAS_ANGLE)));
        List<Commande> actions = new ArrayList<>(
                Collections.nCopies(Math.abs(pas), pas > 0 ? Commande.GAUCHE : Commande.DROITE));
        // Fire when the bullet's path passes within half a hit's reach of the aim.
        if (Math.abs(ecart - pas * PAS_ANGLE) < Math.atan2(6.5, Math.hypot(x, y))) {
            actions.add(Commande.TIRE);
        }
        return actions;
    }

    private static long litCouleur(String texte) {
        try {
            return Arene.litCouleur(texte);
        } catch (Arene.CouleurInvalide erreur) {
            System.err.println("Viseur: " + erreur.getMessage());
            System.exit(2);
            return 0;
        }
    }

    public static void main(String[] args) throws Exception {
        String hote = "127.0.0.1";
        int port = 12345;
        long couleur = 0xFF0000;
        double duree = 60;
        for (int i = 0; i < args.length; i += 2) {
            String valeur = i + 1 < args.length ? args[i + 1] : "";
            switch (args[i]) {
                case "--host" -> hote = valeur;
                case "--port" -> port = Integer.parseInt(valeur);
                case "--couleur" -> couleur = litCouleur(valeur);
                case "--duree" -> duree = Double.parseDouble(valeur);
                default -> {
                    System.err.println("usage: Viseur [--host H] [--port P] [--couleur N] [--duree S]");
                    System.exit(2);
                }
            }
        }
        long debut = System.nanoTime();
        Viseur viseur = new Viseur();
        try (Arene arene = Arene.connecte(hote, port)) {
            arene.enregistre(couleur, 100);
            while ((System.nanoTime() - debut) / 1e9 < duree) {
                List<Vaisseau> vaisseaux = arene.vaisseaux();
                viseur.mesure(vaisseaux, (System.nanoTime() - debut) / 1e9);
                for (Vaisseau v : vaisseaux) {
                    if (v.couleur() == arene.couleur()) {
                        List<Commande> actions = viseur.vise(v, vaisseaux);
                        if (!actions.isEmpty()) arene.agit(actions);
                    }
                }
                Thread.sleep(25); // the world moves at most 40 times a second
            }
            arene.quitte();
        } catch (Arene.ConnexionFermee finDePartie) {
            // the server closes every connection at the end of a match
        }
    }
}
