// The aimer: turns to the nearest ship and fires where it will be, from the
// speed measured between polls (the server never reports speeds).
//   node viseur.js [--host H] [--port P] [--couleur N] [--duree S]
import { parseArgs } from 'node:util';
import { setTimeout as pause } from 'node:timers/promises';
import { Arene, Commande, ConnexionFermee, litCouleur } from './arene.js';

const TICKS_PAR_SECONDE = 40; // the server's nominal rate; speeds are per tick
const FENETRE_S = 0.15; // speeds are measured over this much time
const VITESSE_BALLE = 3.5; // units per tick
const DEPART_BALLE = 12.6; // a new bullet's distance ahead of the ship
const PAS_ANGLE = 0.05;
const MAX_PAS = 20; // turn steps per tick: all apply at once

/** Each ship's speed along its heading, from its positions FENETRE_S apart. */
class Vitesses {
  constructor() {
    /** @type {Map<number, {temps: number, x: number, y: number, vitesse: number}>} */
    this.suivis = new Map();
  }

  /** @param {import('./arene.js').Vaisseau[]} vaisseaux @param {number} temps in seconds */
  mesure(vaisseaux, temps) {
    for (const v of vaisseaux) {
      const suivi = this.suivis.get(v.couleur);
      if (!suivi) {
        this.suivis.set(v.couleur, { temps, x: v.x, y: v.y, vitesse: 0 });
      } else if (temps - suivi.temps >= FENETRE_S) {
        const ticks = (temps - suivi.temps) * TICKS_PAR_SECONDE;
        const vitesse = ((v.x - suivi.x) * Math.cos(v.angle) + (v.y - suivi.y) * Math.sin(v.angle)) / ticks;
        this.suivis.set(v.couleur, { temps, x: v.x, y: v.y, vitesse });
      }
    }
  }

  /** @param {import('./arene.js').Vaisseau} v @returns {[number, number]} its move per tick */
  vitesse(v) {
    const s = this.suivis.get(v.couleur)?.vitesse ?? 0;
    return [s * Math.cos(v.angle), s * Math.sin(v.angle)];
  }
}

/**
 * Ticks until a bullet fired now meets a target at (dx, dy) moving (vx, vy)
 * per tick: |d + v t| = depart + speed t. Negative when it never does.
 */
function instantInterception(dx, dy, vx, vy) {
  const a = vx * vx + vy * vy - VITESSE_BALLE ** 2; // < 0: bullets are faster
  const b = 2 * (dx * vx + dy * vy - DEPART_BALLE * VITESSE_BALLE);
  const c = dx * dx + dy * dy - DEPART_BALLE ** 2;
  const discriminant = b * b - 4 * a * c;
  return discriminant < 0 ? -1 : (-b - Math.sqrt(discriminant)) / (2 * a);
}

/** The turn and the shot toward the nearest other ship, led by its speed. */
function vise(moi, vaisseaux, vitesses) {
  const distance = (v) => Math.hypot(v.x - moi.x, v.y - moi.y);
  const autres = vaisseaux.filter((v) => v.couleur !== moi.couleur).sort((a, b) => distance(a) - distance(b));
  if (autres.length === 0) return [];
  const cible = autres[0];
  const [vx, vy] = vitesses.vitesse(cible);
  const t = Math.max(0, instantInterception(cible.x - moi.x, cible.y - moi.y, vx, vy));
  const x = cible.x + vx * t - moi.x;
  const y = cible.y + vy * t - moi.y;
  const voulu = Math.atan2(y, x);
  const ecart = Math.atan2(Math.sin(voulu - moi.angle), Math.cos(voulu - moi.angle));
  const pas = Math.max(-MAX_PAS, Math.min(MAX_PAS, Math.round(ecart / PAS_ANGLE)));
  const actions = Array(Math.abs(pas)).fill(pas > 0 ? Commande.GAUCHE : Commande.DROITE);
  // Fire when the bullet's path passes within half a hit's reach of the aim.
  if (Math.abs(ecart - pas * PAS_ANGLE) < Math.atan2(6.5, Math.hypot(x, y))) actions.push(Commande.TIRE);
  return actions;
}

const { values } = parseArgs({
  options: {
    host: { type: 'string', default: '127.0.0.1' },
    port: { type: 'string', default: '12345' },
    couleur: { type: 'string', default: String(0xff0000) },
    duree: { type: 'string', default: '60' },
  },
});
let couleur;
try {
  couleur = litCouleur(values.couleur);
} catch (erreur) {
  console.error(`viseur.js: ${erreur.message}`);
  process.exit(2);
}
const debut = performance.now();
const secondes = () => (performance.now() - debut) / 1000;
const arene = await Arene.connecte(values.host, Number(values.port));
await arene.enregistre(couleur, 100);
const vitesses = new Vitesses();
try {
  while (secondes() < Number(values.duree)) {
    const vaisseaux = await arene.vaisseaux();
    vitesses.mesure(vaisseaux, secondes());
    const moi = vaisseaux.find((v) => v.couleur === arene.couleur);
    const actions = moi ? vise(moi, vaisseaux, vitesses) : [];
    if (actions.length > 0) await arene.agit(...actions);
    await pause(25); // the world moves at most 40 times a second
  }
  await arene.quitte();
} catch (erreur) {
  if (!(erreur instanceof ConnexionFermee)) throw erreur; // a closed connection ends the match
}
